#pragma once
// TForm7, "Редактор таблиц": any table of any alias in an editable grid, its clearing, the
// result of a statement from the SQL window, and the export of a table (with its fields and
// indexes) or of what the grid shows (without indexes) into a table of any alias.
//
// The editor owns its two connections, DatabaseIn (reading: Table1, Query1) and DatabaseOut
// (writing: the exports' target TableResult), both on OrvantaStandard at first, and the two
// picker dialogs that rebind them, TForm9 and TForm10. The grid shows Table1 (a lazily fetching
// model over the table, edited through its declared types and checks) unless "Запрос" switched
// it to Query1's result, which is read-only; "Закрыть" switches it back. An alias on a server
// is edited alike, each posted row in a transaction of the server of its own.
//
// Leaving an edited row posts it; a record the table refuses keeps its row in edit mode with
// the message shown; an inserted row left empty is dropped. Handlers throw orv::Error; the
// buttons show it in an error box and the command ends there.

#include "db/Aliases.h"
#include "db/Database.h"
#include "db/Query.h"

#include <QDialog>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QPushButton;
class QTableView;
class QToolBar;
class QToolButton;

namespace orv::ui {
class QueryModel;
}

namespace orv::utils {

class TableEditModel;
class TForm3;
class TForm9;
class TForm10;

class TForm7 : public QDialog {
    Q_OBJECT

  public:
    explicit TForm7(const db::Aliases& aliases, QWidget* parent = nullptr);
    ~TForm7() override;

    TForm9* Form9() const { return form9_; }
    TForm10* Form10() const { return form10_; }
    void setSqlWindow(TForm3* window) { sqlWindow_ = window; }

    db::Database& DatabaseIn() { return *databaseIn_; }
    // DatabaseIn, refused ("База данных LocalIn не подключена") after binding it to an alias
    // failed.
    db::Database& connectedIn();
    db::Database& DatabaseOut() { return *databaseOut_; }
    const QString& aliasIn() const { return aliasIn_; }
    const QString& aliasOut() const { return aliasOut_; }
    // Close what the grid shows and bind the connection to the alias.
    db::Database& rebindIn(const QString& alias);
    db::Database& rebindOut(const QString& alias);

    TableEditModel& Table1() { return *table1_; }
    db::Query& Query1() { return query1_; }
    bool showsQuery() const { return showsQuery_; }

    void ToolButton1Click();  // "Открыть"
    void ToolButton2Click();  // "Очистить"
    void ToolButton3Click();  // "Запрос"
    void ToolButton4Click();  // "Закрыть"
    void ToolButton5Click();  // "Экспорт таблицы"
    void ToolButton6Click();  // "Экспорт результата": the result shown in the window
    void ToolButton7Click();  // "Excel": the open table or result into a workbook
    void Table1AfterOpen();
    void Table1AfterClose();
    void DBGrid1CellClick();

    QToolButton* ToolButton1;
    QToolButton* ToolButton2;
    QToolButton* ToolButton3;
    QToolButton* ToolButton4;
    QToolButton* ToolButton5;
    QToolButton* ToolButton6;
    QToolButton* ToolButton7;
    QTableView* DBGrid1;
    QLabel* StaticText1;
    QLabel* StaticText2;
    QToolBar* DBNavigator1;
    QPushButton* ButtonExit;

    void done(int result) override;

  private:
    enum class Nav { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };

    QToolButton* addTool(const QString& name, const QString& caption, const QString& hint,
                         void (TForm7::*handler)());
    void buildNavigator();
    void navigate(Nav action);
    void run(const std::function<void()>& body);
    void showTable();
    void showQuery();
    void connectGrid();
    void closeGridDataSet();
    void openTable(const QString& name);
    // Asks "Сохранить изменения" when an existing record is being edited; posts on Yes.
    void offerToSave();
    void closeTable();
    void currentRowChanged(int current, int previous);
    void updateNavigator();
    bool confirm(const QString& question);
    // Whether the export may write target: yes when there is no such table or the operator
    // agrees to replace it.
    bool mayReplace(const QString& target);

    db::Aliases aliases_;
    QString aliasIn_;
    QString aliasOut_;
    std::unique_ptr<db::Database> databaseIn_;
    std::unique_ptr<db::Database> databaseOut_;
    bool inConnected_ = true;
    TableEditModel* table1_;
    db::Query query1_;
    ui::QueryModel* queryModel_ = nullptr;
    bool showsQuery_ = false;
    TForm9* form9_;
    TForm10* form10_;
    TForm3* sqlWindow_ = nullptr;
    QList<QAction*> navigator_;
};

}  // namespace orv::utils
