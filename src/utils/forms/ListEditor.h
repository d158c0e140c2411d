#pragma once
// TForm11 "Списки", the list editor: a number list file (".lst") shown one entry a line in
// ListBox1, with "Новый", "Открыть", "Сохранить", "Сохр. как", "Добавить" and "Удалить" on its
// tool bar and the number field MaskEdit1 (Enter adds its number too). The caption becomes the
// list's name once a file is chosen. Both file dialogs open in the start directory and remember
// the file last chosen in each; FormShow reloads the list from the save dialog's file, else the
// open dialog's. FormHide asks "Сохранить изменения?" when entries changed since the last write
// and, on Yes, writes them to the current file when there is one.
//
// An entry is the number right-aligned in seven characters, as the list files hold it. An empty
// number field adds nothing: it is refused with "Перед добавлением введите номер", because a
// blank entry makes the list unusable as a filter. File errors ("Не удалось открыть файл ...",
// "Не удалось создать файл ...") are shown over the window, which stays open.

#include <QDialog>
#include <functional>

class QFileDialog;
class QLineEdit;
class QListWidget;
class QToolButton;

namespace orv::utils {

class TForm11 : public QDialog {
    Q_OBJECT

  public:
    // startDirectory: the main window's start directory, asked for whenever a dialog opens.
    TForm11(std::function<QString()> startDirectory, QWidget* parent = nullptr);

    void FormShow();
    void FormHide();
    void ToolButton1Click();  // Новый
    void ToolButton2Click();  // Открыть
    void ToolButton3Click();  // Сохранить
    void ToolButton4Click();  // Сохр. как
    void ToolButton5Click();  // Добавить
    void ToolButton6Click();  // Удалить
    // Enter in the number field adds its number; true when the key was taken.
    bool MaskEdit1KeyDown(int key);

    QStringList entries() const;
    const QString& currentListFile() const { return CurrentListFile; }
    bool listModified() const { return ListModified; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QToolButton* toolButton(const char* name, const QString& caption, void (TForm11::*handler)());
    QString runDialog(QFileDialog* dialog, QString& remembered);
    void load(const QString& path);
    void write(const QString& path);
    void choose(const QString& path);

    std::function<QString()> startDirectory_;
    QListWidget* ListBox1;
    QLineEdit* MaskEdit1;
    QFileDialog* SaveDialog1;
    QFileDialog* OpenDialog1;
    QString CurrentListFile;
    bool ListModified = false;
    QString saveFileName_;  // the file last chosen in SaveDialog1
    QString openFileName_;  // ... in OpenDialog1
};

}  // namespace orv::utils
