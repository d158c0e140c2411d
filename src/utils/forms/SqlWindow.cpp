#include "utils/forms/SqlWindow.h"

#include "core/Error.h"
#include "ui/Guarded.h"
#include "ui/WaitCursor.h"
#include "utils/SqlWindowFiles.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

namespace orv::utils {
namespace {

// The filter of the dialogs in Qt's notation: "Файлы sql (*.sql);;Все файлы (*)".
QString qtFilter() {
    QStringList parts = QString::fromUtf8(kSqlFileFilter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString pattern =
            parts[i + 1] == QLatin1String("*.*") ? QStringLiteral("*") : parts[i + 1];
        filters.append(parts[i].contains(QLatin1Char('('))
                           ? parts[i]
                           : QStringLiteral("%1 (%2)").arg(parts[i], pattern));
    }
    return filters.join(QStringLiteral(";;"));
}

QString chooseFile(QWidget* parent, bool save) {
    if (!save)
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Открыть"), sqlFolder(),
                                            qtFilter());
    QFileDialog dialog(parent, QStringLiteral("Сохранить как"), sqlFolder(), qtFilter());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("sql"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

}  // namespace

void showWrongSet(QWidget* parent, const QString& engineMessage) {
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(),
                    QStringLiteral("Неправильный набор"), QMessageBox::Ok, parent);
    box.setInformativeText(engineMessage);
    box.exec();
}

TForm3::TForm3(Execute execute, AliasChange aliasChange, std::function<void()> help,
               QWidget* parent)
    : QDialog(parent),
      execute_(std::move(execute)),
      aliasChange_(std::move(aliasChange)),
      help_(std::move(help)),
      chooser_(chooseFile) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(sqlCaption({}));
    resize(539, 364);
    auto* tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("ToolBar1"));
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(tools);
    tools->addWidget(
        addTool(QStringLiteral("ToolButton4"), QStringLiteral("Новый"), &TForm3::ToolButton4Click));
    tools->addWidget(addTool(QStringLiteral("ToolButton1"), QStringLiteral("Открыть"),
                             &TForm3::ToolButton1Click));
    tools->addWidget(addTool(QStringLiteral("ToolButton2"), QStringLiteral("Сохранить"),
                             &TForm3::ToolButton2Click));
    tools->addWidget(addTool(QStringLiteral("ToolButton3"), QStringLiteral("Сохр Как"),
                             &TForm3::ToolButton3Click));
    tools->addWidget(addTool(QStringLiteral("ToolButton5"), QStringLiteral("Помощь"),
                             &TForm3::ToolButton5Click));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Memo1, 1);

    BitBtn3 = new QPushButton(QStringLiteral("Выполнить"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn3->setToolTip(QStringLiteral("Выполнить исполняемый запрос"));
    BitBtn3->setAutoDefault(false);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setToolTip(QStringLiteral("Текущий псевдоним баз данных"));
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setToolTip(QStringLiteral("Выполнить запрос с отображением результата"));
    BitBtn1->setAutoDefault(false);
    BitBtn2 = new QPushButton(QStringLiteral("Отмена"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setToolTip(QStringLiteral("Выйти без выполнения"));
    BitBtn2->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(BitBtn3);
    bottom->addWidget(ComboBox1);
    bottom->addStretch(1);
    bottom->addWidget(BitBtn1);
    bottom->addWidget(BitBtn2);
    layout->addLayout(bottom);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this,
            [this] { ui::guarded(this, [this] { BitBtn3Click(); }); });
    connect(ComboBox1, &QComboBox::textActivated, this, &TForm3::ComboBox1Change);
}

QToolButton* TForm3::addTool(const QString& name, const QString& caption,
                             void (TForm3::*handler)()) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(button, &QToolButton::clicked, this,
            [this, handler] { ui::guarded(this, [this, handler] { (this->*handler)(); }); });
    return button;
}

void TForm3::setAliases(const QStringList& names, const QString& current) {
    const QSignalBlocker block(ComboBox1);
    ComboBox1->clear();
    ComboBox1->addItems(names);
    ComboBox1->setCurrentText(current);
}

QString TForm3::alias() const { return ComboBox1->currentText(); }

QStringList TForm3::lines() const { return Memo1->toPlainText().split(QLatin1Char('\n')); }

void TForm3::setLines(const QStringList& lines) {
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
}

void TForm3::ToolButton4Click() {
    Memo1->clear();
    fileName_.clear();
    setWindowTitle(sqlCaption(fileName_));
}

void TForm3::ToolButton1Click() {
    const QString path = chooser_(this, false);
    if (path.isEmpty()) return;
    const QStringList text = readSqlFile(path);
    Memo1->clear();
    fileName_ = path;
    setLines(text);
    setWindowTitle(sqlCaption(fileName_));
}

void TForm3::ToolButton2Click() {
    if (fileName_.isEmpty()) {
        ToolButton3Click();
        return;
    }
    writeSqlFile(fileName_, lines());
}

void TForm3::ToolButton3Click() {
    const QString path = chooser_(this, true);
    if (path.isEmpty()) return;
    saveTo(path);
}

void TForm3::saveTo(const QString& path) {
    writeSqlFile(path, lines());
    fileName_ = path;
    setWindowTitle(sqlCaption(fileName_));
}

void TForm3::ToolButton5Click() {
    if (help_) help_();
}

void TForm3::ComboBox1Change() {
    try {
        aliasChange_(alias());
    } catch (const Error&) {
        // An alias that cannot be connected is reported by the next statement that uses it.
    }
}

void TForm3::BitBtn3Click() {
    std::optional<QString> failure;
    {
        const ui::WaitCursor wait;
        try {
            execute_(lines());
        } catch (const Error& e) {
            failure = e.message();
        }
    }
    if (failure) showWrongSet(this, *failure);
    done(Retry);
}

}  // namespace orv::utils
