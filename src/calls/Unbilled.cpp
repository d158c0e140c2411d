#include "calls/Unbilled.h"

#include "calls/CallColumns.h"
#include "calls/SpeedIndexes.h"
#include "calls/UnbilledStatements.h"
#include "db/Database.h"
#include "db/Dialect.h"

namespace orv::calls {
namespace {

void ensureIndexes(db::Database& db) {
    ensureCallIndex(db);
    ensureCityTariffIndex(db);
    ensureTrunkTariffIndex(db);
}

}  // namespace

const UnbilledInfo& unbilledInfo() {
    static const UnbilledInfo info{
        QStringLiteral("QueryUnbilled"), QStringLiteral("DataSourceUnbilled"),
        QStringLiteral("Нетарифицир."),
        QStringLiteral("Разговоры, которые не тарифицируются, с причиной"),
        callColumns({QStringLiteral("AbNumber"), QStringLiteral("Date_of_call"),
                     QStringLiteral("Time_of_call"), QStringLiteral("Cat"),
                     QStringLiteral("Longivity"), QStringLiteral("Number_of_call"),
                     QStringLiteral("TRF"), QStringLiteral("Code"), QStringLiteral("CodeForeign"),
                     QStringLiteral("Reason")})};
    return info;
}

UnbilledView::UnbilledView(db::Database& db) : query_(db, sql::QueryUnbilled()) {}

db::Query& UnbilledView::open() {
    query_.close();
    query_.unprepare();
    ensureIndexes(query_.database());
    query_.open();
    return query_;
}

qint64 countUnbilled(db::Database& db) {
    ensureIndexes(db);
    db::Query count(db, sql::QueryUnbilledCount());
    count.open();
    return count.asInteger(QStringLiteral("Unbilled"));
}

qint64 copyUnbilled(db::Database& db, const QString& temporaryTable) {
    ensureIndexes(db);
    const QString copied = db.temporaryTable(temporaryTable);
    db.execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(copied));
    db::PreparedSql copy = db.prepare(db::DialectStatement(sql::QueryUnbilled()), temporaryTable,
                                      db::Database::Target::NewTemporary);
    copy.statement().run();
    db::Statement count = db.statement(QStringLiteral("SELECT count(*) FROM %1").arg(copied));
    count.step();
    return count.columnInt(0);
}

QString unbilledNote(qint64 unbilled) {
    return unbilled == 0 ? QString()
                         : QStringLiteral("Нетарифицированных разговоров: %1").arg(unbilled);
}

}  // namespace orv::calls
