#include "calls/ListingViews.h"

#include "calls/CallColumns.h"
#include "calls/CallStatements.h"
#include "calls/SelectionParameters.h"
#include "calls/SpeedIndexes.h"
#include "db/TableSource.h"

#include <optional>

namespace orv::calls {
namespace {

QList<core::ViewColumn> listingColumns(bool longDistance) {
    QStringList fields = {QStringLiteral("AbNumber"),     QStringLiteral("Date_of_call"),
                          QStringLiteral("Time_of_call"), QStringLiteral("Cat"),
                          QStringLiteral("Longivity"),    QStringLiteral("Number_of_call")};
    if (longDistance)
        fields += {QStringLiteral("TRF"), QStringLiteral("Code"), QStringLiteral("CodeForeign"),
                   QStringLiteral("Sng"), QStringLiteral("Foren")};
    return callColumns(fields);
}

const QString& statementOf(Listing view) {
    static const QString& (*const statements[])() = {sql::QueryAll, sql::QueryCity, sql::QueryMG,
                                                     sql::QueryOldMG};
    return statements[static_cast<int>(view)]();
}

constexpr Listing kListings[] = {Listing::All, Listing::City, Listing::LongDistance,
                                 Listing::OldLongDistance};

}  // namespace

const ListingInfo& listingInfo(Listing view) {
    static const ListingInfo infos[] = {
        {QStringLiteral("QueryAll"), QStringLiteral("DataSourceAll"), QStringLiteral("Все"),
         QStringLiteral("Все разговоры"), listingColumns(false), true},
        {QStringLiteral("QueryCity"), QStringLiteral("DataSourceCity"), QStringLiteral("Городские"),
         QStringLiteral("Городские разговоры"), listingColumns(false), true},
        {QStringLiteral("QueryMG"), QStringLiteral("DataSourceMG"), QStringLiteral("Междугородние"),
         QStringLiteral("Междугородние разговоры"), listingColumns(true), true},
        {QStringLiteral("QueryOldMG"), QStringLiteral("DataSourceOldMG"),
         QStringLiteral("Устаревшие МежГор."), QStringLiteral("Устаревшие Междугородние разговоры"),
         listingColumns(true), false},
    };
    return infos[static_cast<int>(view)];
}

ListingViews::ListingViews(db::Database& db) {
    for (Listing view : kListings) {
        auto query = std::make_unique<db::Query>(db, statementOf(view));
        query->setName(listingInfo(view).statement);
        if (view == Listing::LongDistance || view == Listing::OldLongDistance) {
            const db::FieldDef sng{QStringLiteral("Sng"), db::FieldType::String, 25};
            const db::FieldDef foren{QStringLiteral("Foren"), db::FieldType::String, 25};
            query->addLookupField(sng, QStringLiteral("Sng"), QStringLiteral("KOD"),
                                  QStringLiteral("CITY"), QStringLiteral("Code"));
            query->addLookupField(foren, QStringLiteral("Foren"), QStringLiteral("KOD"),
                                  QStringLiteral("CITY"), QStringLiteral("CodeForeign"));
        }
        queries_[static_cast<int>(view)] = std::move(query);
    }
}

db::Query& ListingViews::open(Listing view, const core::SelectionPanel& panel,
                              const QString& calls) {
    db::Query& q = query(view);
    q.close();
    bindViewParameters(q, QueryCityGroup1BeforeOpen(panel));
    // The result is copied at open, so the other source is needed only while it runs; the
    // statement prepared against it is let go with it.
    std::optional<db::TableSource> source;
    if (view != Listing::OldLongDistance) {
        if (calls.isEmpty())
            ensureCallIndex(q.database());
        else
            source.emplace(q.database(), QStringLiteral("DESTTAR"), calls);
    }
    q.open();
    q.unprepare();
    return q;
}

void ListingViews::setListFilter(const db::RecordFilter& filter) {
    for (Listing view : kListings)
        if (listingInfo(view).listFiltered) query(view).setFilter(filter);
}

void ListingViews::setListFiltered(bool on) {
    for (Listing view : kListings)
        if (listingInfo(view).listFiltered) query(view).setFiltered(on);
}

}  // namespace orv::calls
