#include "calls/GroupedViews.h"

#include "calls/CallStatements.h"
#include "calls/Pricing.h"

namespace orv::calls {
namespace {

QList<core::ViewColumn> totalColumns(const QString& cost) {
    return {
        {QStringLiteral("Номер"), QStringLiteral("Номер")},
        {QStringLiteral("Признак"), QStringLiteral("Признак"),
         core::ViewColumn::Display::RightText},
        {QStringLiteral("КолЗвонков"), QStringLiteral("КолЗвонков")},
        {QStringLiteral("ОбщПродсть"), QStringLiteral("ОбщПродсть")},
        {cost, cost, core::ViewColumn::Display::Money},
    };
}

}  // namespace

const GroupedInfo& groupedInfo(Grouped view) {
    static const GroupedInfo infos[] = {
        {QStringLiteral("QueryCityGroup3"), QStringLiteral("DataSourceCityGroup3"),
         QStringLiteral("Городские с групп."), QStringLiteral("Городские с группировкой"),
         totalColumns(QStringLiteral("ОбщСтГор"))},
        {QStringLiteral("QueryMGGroup3"), QStringLiteral("DataSourceMGGroup3"),
         QStringLiteral("МежГород с групп."), QStringLiteral("Междугородние с группировкой"),
         totalColumns(QStringLiteral("ОбщСтМг"))},
        {QStringLiteral("QueryAllGroup2"), QStringLiteral("DataSourceAllGroup"),
         QStringLiteral("Все с групп."), QStringLiteral("Все с группировкой"),
         totalColumns(QStringLiteral("ОбщСт"))},
    };
    return infos[static_cast<int>(view)];
}

GroupedViews::GroupedViews(db::Database& db) : db_(&db) {
    queries_[static_cast<int>(Grouped::City)] =
        std::make_unique<db::Query>(db, sql::QueryCityGroup3());
    queries_[static_cast<int>(Grouped::LongDistance)] =
        std::make_unique<db::Query>(db, sql::QueryMGGroup3());
    queries_[static_cast<int>(Grouped::All)] =
        std::make_unique<db::Query>(db, sql::QueryAllGroup2());
    for (Grouped view : {Grouped::City, Grouped::LongDistance, Grouped::All})
        query(view).setName(groupedInfo(view).statement);
}

db::Query& GroupedViews::open(Grouped view) {
    close(view);
    runPipeline(*db_, view);
    return openResult(view);
}

void GroupedViews::runPipeline(db::Database& db, Grouped view) {
    switch (view) {
        case Grouped::City:
            CityGroup(db);
            break;
        case Grouped::LongDistance:
            MGGroup(db);
            break;
        case Grouped::All:
            AllGroup(db);
            break;
    }
}

void GroupedViews::close(Grouped view) {
    db::Query& q = query(view);
    q.close();
    // The statement is prepared again after its table was replaced.
    q.unprepare();
}

db::Query& GroupedViews::openResult(Grouped view) {
    db::Query& q = query(view);
    q.open();
    return q;
}

}  // namespace orv::calls
