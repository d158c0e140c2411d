#pragma once
// TForm3, the SQL window: a memo in which a specialist types, loads and saves a statement of
// the program's SQL dialect, and three ways out: OK (show the result in a grid), Cancel, and
// "Выполнить", which runs the memo as an action statement once and closes with Retry.
//
// The window runs nothing on its own connection: "Выполнить" goes through the execute callback
// (the table editor's Query1 on DatabaseIn) and the alias selector through the alias callback
// (rebinding DatabaseIn). Its memo, alias and current file name persist between openings. A
// refused statement shows "Неправильный набор" with the engine's message below it.

#include <QDialog>
#include <QStringList>
#include <functional>

class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace orv::utils {

class TForm3 : public QDialog {
    Q_OBJECT

  public:
    enum Result { Cancel = QDialog::Rejected, Ok = QDialog::Accepted, Retry = 2 };

    // save: whether a name to save to is asked for; returns the chosen file, empty when cancelled.
    using FileChooser = std::function<QString(QWidget* parent, bool save)>;
    using Execute = std::function<void(const QStringList& lines)>;
    using AliasChange = std::function<void(const QString& alias)>;

    TForm3(Execute execute, AliasChange aliasChange, std::function<void()> help,
           QWidget* parent = nullptr);

    void setAliases(const QStringList& names, const QString& current);
    QString alias() const;
    QStringList lines() const;
    void setLines(const QStringList& lines);
    const QString& fileName() const { return fileName_; }
    // Test seam: the open and save dialogs.
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    void ToolButton4Click();  // "Новый"
    void ToolButton1Click();  // "Открыть"
    void ToolButton2Click();  // "Сохранить"
    void ToolButton3Click();  // "Сохр Как"
    void ToolButton5Click();  // "Помощь"
    void ComboBox1Change();
    void BitBtn3Click();  // "Выполнить"

    QPlainTextEdit* Memo1;
    QComboBox* ComboBox1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;

  private:
    void saveTo(const QString& path);
    QToolButton* addTool(const QString& name, const QString& caption, void (TForm3::*handler)());

    Execute execute_;
    AliasChange aliasChange_;
    std::function<void()> help_;
    FileChooser chooser_;
    QString fileName_;
};

// "Неправильный набор" with the engine's message as the box's second line.
void showWrongSet(QWidget* parent, const QString& engineMessage);

}  // namespace orv::utils
