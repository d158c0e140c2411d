#pragma once
// The unbilled-calls view: every distinct call of DESTTAR that the city and long-distance
// pipelines leave out, with the reason (QueryUnbilled). Together with the calls the pipelines
// price they make up all distinct calls of DESTTAR. Like the grouped views it covers every call;
// the selection panel and the number-list filter do not apply.
//
// Errors are orv::Error with the engine's message (a missing AbTab.DB, VechTm.db, TARIFCIT or
// Tarif1.db names the table).

#include "core/ViewColumn.h"
#include "db/Query.h"

namespace orv::db {
class Database;
}

namespace orv::calls {

struct UnbilledInfo {
    QString statement;   // "QueryUnbilled"
    QString dataSource;  // "DataSourceUnbilled"
    QString caption;     // caption of ToolButtonRazg while the view is the last chosen
    QString hint;
    QList<core::ViewColumn> columns;  // in grid order, the reason last
};

const UnbilledInfo& unbilledInfo();

class UnbilledView {
  public:
    explicit UnbilledView(db::Database& db);
    UnbilledView(const UnbilledView&) = delete;
    UnbilledView& operator=(const UnbilledView&) = delete;

    db::Query& query() { return query_; }
    // Closes the statement and opens it again over the tables as they are now.
    db::Query& open();

  private:
    db::Query query_;
};

// The number of unbilled calls, without listing them.
qint64 countUnbilled(db::Database& db);
// The unbilled calls with their reasons copied into a new temporary table of the connection
// (replacing one of that name), row by row inside SQLite; returns their number.
qint64 copyUnbilled(db::Database& db, const QString& temporaryTable);
// "Нетарифицированных разговоров: N" for a summary line, empty when there are none.
QString unbilledNote(qint64 unbilled);

}  // namespace orv::calls
