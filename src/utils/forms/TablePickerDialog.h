#pragma once
// What the open-table dialog (TForm9) and the export dialog (TForm10) share: the list view
// LocalView of an alias's tables, the name field Edit1 and the alias selector ComboBox1.
//
// Choosing an alias rebinds the editor connection the dialog serves at once (before OK), through
// the callback given: it closes the data set the editor's grid shows, binds the connection to
// the alias and returns the database, whose tables the list then shows. The dialog only picks a
// name; the editor checks it before any statement uses it.

#include <QDialog>
#include <QStringList>
#include <functional>

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace orv::db {
class Database;
}

namespace orv::utils {

class TablePickerDialog : public QDialog {
    Q_OBJECT

  public:
    using Rebind = std::function<db::Database&(const QString& alias)>;

    TablePickerDialog(const QString& caption, Rebind rebind, QWidget* parent = nullptr);

    // The alias names of the selector, the current one shown (filled at start-up).
    void setAliases(const QStringList& names, const QString& current);
    QString alias() const;
    // The text of Edit1: the table name typed or picked.
    QString tableName() const;
    void setTableName(const QString& name);
    QStringList listedTables() const { return names_; }

    // Shows the dialog modally after rebuilding its list; returns the dialog's result.
    int run();

    void FormShow();
    void ComboBox1Change();
    void LocalViewClick(QListWidgetItem* item);

    QListWidget* LocalView;
    QLineEdit* Edit1;
    QComboBox* ComboBox1;

  private:
    Rebind rebind_;
    QStringList names_;
};

}  // namespace orv::utils
