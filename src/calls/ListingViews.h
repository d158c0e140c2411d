#pragma once
// The listing views of the main window and their statements: all calls (QueryAll), city calls
// (QueryCity) and long-distance calls (QueryMG) over DESTTAR, and the obsolete long-distance
// calls (QueryOldMG) over OldMG.DB. Each statement is opened with the eight parameters the
// selection panel gives; the long-distance views carry the lookup columns Sng and Foren (the
// CITY of Sng.db for Code, of Foren.db for CodeForeign, empty without a match).
//
// The number-list filter belongs to QueryAll, QueryCity and QueryMG: it is kept by the query
// objects, survives closing and reopening, and re-filters an open result at once. QueryOldMG
// never takes it.
//
// Errors are orv::Error: a ticked time box with a time that does not convert (Conversion;
// nothing is opened), or the engine's message (a missing or locked table).

#include "core/Selection.h"
#include "core/ViewColumn.h"
#include "db/Query.h"
#include "db/RecordFilter.h"

#include <array>
#include <memory>

namespace orv::db {
class Database;
}

namespace orv::calls {

enum class Listing { All, City, LongDistance, OldLongDistance };

struct ListingInfo {
    QString statement;   // component name of the statement, "QueryAll"
    QString dataSource;  // "DataSourceAll"
    QString caption;     // caption of ToolButtonRazg while the view is the last chosen
    QString hint;
    QList<core::ViewColumn> columns;  // in grid order
    bool listFiltered = false;        // whether the number-list filter applies
};

const ListingInfo& listingInfo(Listing view);

class ListingViews {
  public:
    explicit ListingViews(db::Database& db);
    ListingViews(const ListingViews&) = delete;
    ListingViews& operator=(const ListingViews&) = delete;

    db::Query& query(Listing view) { return *queries_[static_cast<int>(view)]; }

    // Closes the view's statement, fills its parameters from the panel and opens it. When the
    // parameters cannot be formed the statement stays closed. calls, when given, is a SELECT in
    // plain SQLite whose rows the view reads instead of DESTTAR's (a month of the call archive);
    // the obsolete long-distance view ignores it.
    db::Query& open(Listing view, const core::SelectionPanel& panel, const QString& calls = {});

    // The number-list filter of QueryAll, QueryCity and QueryMG; replacing it or switching it
    // re-filters those that are open.
    void setListFilter(const db::RecordFilter& filter);
    void setListFiltered(bool on);

  private:
    std::array<std::unique_ptr<db::Query>, 4> queries_;
};

}  // namespace orv::calls
