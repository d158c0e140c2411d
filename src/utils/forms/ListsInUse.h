#pragma once
// TForm2 "Используемые списки": the names of the lists in use, the lines of Main.slst in the
// start directory, with "Добавить" (a list file chosen in the open dialog, registered under its
// name), "Удалить" and "Сохранить". FormShow loads Main.slst, creating it empty when it is
// missing; FormClose hands the lines shown, saved or not, to the main window's list selector;
// FormHide asks "Сохранить изменения?" when lines changed since the last save.
//
// "Сохранить" that cannot write shows "Ошибка сохранения. Файл открыт или не существует" and
// keeps the changes marked; the write on FormHide throws Error "Не удалось создать файл ...".

#include <QDialog>
#include <functional>

class QFileDialog;
class QListWidget;
class QToolButton;

namespace orv::utils {

class TForm2 : public QDialog {
    Q_OBJECT

  public:
    // startDirectory: the main window's start directory; setSelectorItems: replaces the items
    // of the main window's ComboBoxList.
    TForm2(std::function<QString()> startDirectory,
           std::function<void(const QStringList&)> setSelectorItems, QWidget* parent = nullptr);

    void FormShow();
    void FormClose();
    void FormHide();
    void ToolButton5Click();  // Добавить
    void ToolButton6Click();  // Удалить
    void ToolButton3Click();  // Сохранить

    QStringList names() const;
    bool usedListsModified() const { return UsedListsModified; }

  private:
    QToolButton* toolButton(const char* name, const QString& caption, void (TForm2::*handler)());
    QString usedListsPath() const;

    std::function<QString()> startDirectory_;
    std::function<void(const QStringList&)> setSelectorItems_;
    QListWidget* ListBox1;
    QFileDialog* OpenDialog1;
    bool UsedListsModified = false;
};

}  // namespace orv::utils
