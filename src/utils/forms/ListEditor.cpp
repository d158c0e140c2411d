#include "utils/forms/ListEditor.h"

#include "core/FileNames.h"
#include "utils/ListTextFile.h"
#include "utils/forms/ButtonGuard.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace orv::utils {
namespace {

const QString kListFilter = QStringLiteral("Файлы списков номеров (*.lst)");

QFileDialog* listDialog(QWidget* parent, const char* name, const QString& title, bool save) {
    auto* dialog = new QFileDialog(parent, title, QString(), kListFilter);
    dialog->setObjectName(QLatin1String(name));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setDefaultSuffix(QStringLiteral("lst"));
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    return dialog;
}

}  // namespace

TForm11::TForm11(std::function<QString()> startDirectory, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      startDirectory_(std::move(startDirectory)),
      ListBox1(new QListWidget(this)),
      MaskEdit1(new QLineEdit(this)),
      SaveDialog1(
          listDialog(this, "SaveDialog1", QStringLiteral("Сохранение списка номеров"), true)),
      OpenDialog1(
          listDialog(this, "OpenDialog1", QStringLiteral("Открытие списка номеров"), false)) {
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Списки"));
    setModal(true);
    resize(540, 420);

    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->addWidget(toolButton("ToolButton1", QStringLiteral("&Новый"), &TForm11::ToolButton1Click));
    bar->addWidget(
        toolButton("ToolButton2", QStringLiteral("&Открыть"), &TForm11::ToolButton2Click));
    bar->addWidget(
        toolButton("ToolButton3", QStringLiteral("&Сохранить"), &TForm11::ToolButton3Click));
    bar->addWidget(
        toolButton("ToolButton4", QStringLiteral("Сохр. &как"), &TForm11::ToolButton4Click));
    bar->addSeparator();
    bar->addWidget(
        toolButton("ToolButton5", QStringLiteral("&Добавить"), &TForm11::ToolButton5Click));
    bar->addWidget(
        toolButton("ToolButton6", QStringLiteral("&Удалить"), &TForm11::ToolButton6Click));

    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    MaskEdit1->setInputMask(QStringLiteral("9999999;_"));
    MaskEdit1->installEventFilter(this);
    auto* label = new QLabel(QStringLiteral("Перед добавлением введите &номер"), this);
    label->setBuddy(MaskEdit1);
    auto* numberBar = new QHBoxLayout;
    numberBar->addWidget(label);
    numberBar->addWidget(MaskEdit1);

    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(bar);
    layout->addLayout(numberBar);
    layout->addWidget(ListBox1, 1);
}

QToolButton* TForm11::toolButton(const char* name, const QString& caption,
                                 void (TForm11::*handler)()) {
    return guardedToolButton(this, name, caption, [this, handler] { (this->*handler)(); });
}

QStringList TForm11::entries() const { return itemTexts(ListBox1); }

// SaveDialog1Show and OpenDialog1Show: the dialog opens in the start directory, the file last
// chosen in it proposed again.
QString TForm11::runDialog(QFileDialog* dialog, QString& remembered) {
    dialog->setDirectory(startDirectory_());
    dialog->selectFile(remembered.isEmpty() ? QString() : QFileInfo(remembered).fileName());
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return {};
    remembered = dialog->selectedFiles().constFirst();
    return remembered;
}

void TForm11::load(const QString& path) {
    const QStringList lines = readListLines(path);
    ListBox1->clear();
    ListBox1->addItems(lines);
}

void TForm11::write(const QString& path) {
    writeListLines(path, entries());
    ListModified = false;
}

void TForm11::choose(const QString& path) {
    setWindowTitle(core::GetClearFName(path));
    CurrentListFile = path;
}

void TForm11::FormShow() {
    ListModified = false;
    const QString remembered = !saveFileName_.isEmpty() ? saveFileName_ : openFileName_;
    if (!remembered.isEmpty()) ui::guarded(this, [this, &remembered] { load(remembered); });
}

void TForm11::ToolButton1Click() {
    const QString path = runDialog(SaveDialog1, saveFileName_);
    if (path.isEmpty()) return;
    choose(path);
    ListBox1->clear();
    ListModified = false;
}

void TForm11::ToolButton2Click() {
    const QString path = runDialog(OpenDialog1, openFileName_);
    if (path.isEmpty()) return;
    setWindowTitle(core::GetClearFName(path));
    load(path);
    CurrentListFile = path;
    ListModified = false;
}

void TForm11::ToolButton3Click() {
    if (!CurrentListFile.isEmpty()) write(CurrentListFile);
}

void TForm11::ToolButton4Click() {
    const QString path = runDialog(SaveDialog1, saveFileName_);
    if (path.isEmpty()) return;
    choose(path);
    write(path);
}

void TForm11::ToolButton5Click() {
    const QString digits = MaskEdit1->text().remove(QLatin1Char(' '));
    if (digits.isEmpty()) {
        QMessageBox::information(this, QCoreApplication::applicationName(),
                                 QStringLiteral("Перед добавлением введите номер"));
        return;
    }
    ListBox1->addItem(digits.rightJustified(7, QLatin1Char(' ')));
    ListModified = true;
}

bool TForm11::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MaskEdit1 && event->type() == QEvent::KeyPress)
        return MaskEdit1KeyDown(static_cast<QKeyEvent*>(event)->key());
    return QDialog::eventFilter(watched, event);
}

bool TForm11::MaskEdit1KeyDown(int key) {
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    ui::guarded(this, [this] { ToolButton5Click(); });
    return true;
}

void TForm11::ToolButton6Click() {
    QListWidgetItem* item = ListBox1->currentItem();
    if (!item || !item->isSelected()) return;
    delete item;
    ListModified = true;
}

void TForm11::FormHide() {
    if (!ListModified) return;
    const auto answer = QMessageBox::warning(this, QCoreApplication::applicationName(),
                                             QStringLiteral("Сохранить изменения?"),
                                             QMessageBox::Yes | QMessageBox::No);
    if (answer == QMessageBox::Yes && !CurrentListFile.isEmpty()) write(CurrentListFile);
}

}  // namespace orv::utils
