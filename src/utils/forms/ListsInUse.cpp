#include "utils/forms/ListsInUse.h"

#include "core/Error.h"
#include "core/FileNames.h"
#include "utils/ListTextFile.h"
#include "utils/NumberLists.h"
#include "utils/forms/ButtonGuard.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QMessageBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace orv::utils {

TForm2::TForm2(std::function<QString()> startDirectory,
               std::function<void(const QStringList&)> setSelectorItems, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      startDirectory_(std::move(startDirectory)),
      setSelectorItems_(std::move(setSelectorItems)),
      ListBox1(new QListWidget(this)),
      OpenDialog1(new QFileDialog(this, QStringLiteral("Списки номеров"), QString(),
                                  QStringLiteral("Файлы списков номеров (*.lst)"))) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Используемые списки"));
    setModal(true);
    resize(300, 360);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->addWidget(
        toolButton("ToolButton5", QStringLiteral("&Добавить"), &TForm2::ToolButton5Click));
    bar->addWidget(
        toolButton("ToolButton6", QStringLiteral("&Удалить"), &TForm2::ToolButton6Click));
    bar->addWidget(
        toolButton("ToolButton3", QStringLiteral("&Сохранить"), &TForm2::ToolButton3Click));
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(bar);
    layout->addWidget(ListBox1, 1);
}

QToolButton* TForm2::toolButton(const char* name, const QString& caption,
                                void (TForm2::*handler)()) {
    return guardedToolButton(this, name, caption, [this, handler] { (this->*handler)(); });
}

QStringList TForm2::names() const { return itemTexts(ListBox1); }

QString TForm2::usedListsPath() const {
    return findFileNoCase(startDirectory_(), QLatin1String(kUsedListsFile));
}

void TForm2::FormShow() {
    const QString path = usedListsPath();
    if (QFile::exists(path)) {
        ui::guarded(this, [this, &path] {
            const QStringList lines = readListLines(path);
            ListBox1->clear();
            ListBox1->addItems(lines);
        });
    } else {
        QFile(path).open(QIODevice::WriteOnly);
    }
    UsedListsModified = false;
}

// OpenDialog1Show: the dialog opens in the start directory.
void TForm2::ToolButton5Click() {
    OpenDialog1->setDirectory(startDirectory_());
    if (OpenDialog1->exec() != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty()) return;
    ListBox1->addItem(core::GetClearFName(OpenDialog1->selectedFiles().constFirst()));
    UsedListsModified = true;
}

void TForm2::ToolButton6Click() {
    QListWidgetItem* item = ListBox1->currentItem();
    if (!item || !item->isSelected()) return;
    delete item;
    UsedListsModified = true;
}

void TForm2::ToolButton3Click() {
    try {
        writeListLines(usedListsPath(), names());
        UsedListsModified = false;
    } catch (const Error&) {
        QMessageBox::information(
            this, QCoreApplication::applicationName(),
            QStringLiteral("Ошибка сохранения. Файл открыт или не существует"));
    }
}

void TForm2::FormClose() { setSelectorItems_(names()); }

void TForm2::FormHide() {
    if (!UsedListsModified) return;
    const auto answer = QMessageBox::warning(this, QCoreApplication::applicationName(),
                                             QStringLiteral("Сохранить изменения?"),
                                             QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes) writeListLines(usedListsPath(), names());
}

}  // namespace orv::utils
