#pragma once
// The grouped views of the main window: the totals per number and category of the city calls
// (QueryCityGroup3 over TabCTGr2.db), of the long-distance calls (QueryMGGroup3 over
// TabMGgr2.db) and of both (QueryAllGroup2 over TabAllGr). Opening a view first runs its
// pipeline (CityGroup, MGGroup, or both and the union), so the totals cover every call in
// DESTTAR; the selection panel and the number-list filter do not apply.
//
// Errors are orv::Error with the engine's message; the step that failed ends the run, the
// result tables of earlier steps keep what they got, and the view's statement stays closed.

#include "core/ViewColumn.h"
#include "db/Query.h"

#include <array>
#include <memory>

namespace orv::db {
class Database;
}

namespace orv::calls {

enum class Grouped { City, LongDistance, All };

struct GroupedInfo {
    QString statement;   // "QueryCityGroup3"
    QString dataSource;  // "DataSourceCityGroup3"
    QString caption;     // caption of ToolButtonRazg while the view is the last chosen
    QString hint;
    QList<core::ViewColumn> columns;  // the result columns, in order
};

const GroupedInfo& groupedInfo(Grouped view);

class GroupedViews {
  public:
    explicit GroupedViews(db::Database& db);
    GroupedViews(const GroupedViews&) = delete;
    GroupedViews& operator=(const GroupedViews&) = delete;

    db::Query& query(Grouped view) { return *queries_[static_cast<int>(view)]; }

    // Closes the view's statement, runs its pipeline and opens the statement.
    db::Query& open(Grouped view);
    // The two halves of open(), for a pipeline run on a connection of its own: close() before,
    // openResult() after.
    static void runPipeline(db::Database& db, Grouped view);
    void close(Grouped view);
    db::Query& openResult(Grouped view);

  private:
    db::Database* db_;
    std::array<std::unique_ptr<db::Query>, 3> queries_;
};

}  // namespace orv::calls
