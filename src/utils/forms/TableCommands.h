#pragma once
// The main window's commands of the table editor and the SQL window: N1 "Редактор Таблиц"
// (ToolButtonTableEditClick, the editor TForm7 shown modally) and ToolButtonBrowseSQL
// "Запрос" (BitBtnBrowseSQLClick, the SQL window TForm3 shown modally, its result shown in the
// main grid through Query2 on TarifStandard and the data source DataSourceQuery, "Всего: " and
// the record count in status panel 0).
//
// TableCommands creates the editor (with its dialogs TForm9 and TForm10) and the SQL window once
// as children of the main window, and at FormShow fills the three alias selectors with the
// alias names, "OrvantaStandard" shown. "Выполнить" runs the statement once, through the
// editor's Query1 on the alias the SQL window selects; the retry result that follows runs
// nothing more, so no statement is applied twice.

#include "db/Query.h"
#include "ui/MainWindowHost.h"

#include <QObject>

namespace orv::ui {
class QueryModel;
}

namespace orv::utils {

class TForm3;
class TForm7;

class TableCommands : public QObject {
    Q_OBJECT

  public:
    explicit TableCommands(ui::MainWindowHost& window);

    void ToolButtonTableEditClick();
    void BitBtnBrowseSQLClick();
    // FormShow: the alias selectors of TForm9, TForm10 and TForm3.
    void fillAliasSelectors();

    TForm7* Form7() const { return form7_; }
    TForm3* Form3() const { return form3_; }
    db::Query& Query2() { return query2_; }

  private:
    void bindQuery2();

    ui::MainWindowHost& window_;
    TForm7* form7_;
    TForm3* form3_;
    db::Query query2_;
    ui::QueryModel* model2_ = nullptr;
};

// Creates the commands' object as a child of the window and connects N1 and ToolButtonBrowseSQL.
TableCommands& installTableCommands(ui::MainWindowHost& window);

}  // namespace orv::utils
