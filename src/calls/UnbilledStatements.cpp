#include "calls/UnbilledStatements.h"

#include <QStringList>

namespace orv::calls::sql {
namespace {

QString lines(const QStringList& text) { return text.join(QLatin1Char('\n')); }

// A subscriber row ab of the call dt whose category charges the call: the select step of the
// pipelines, for one row of AbTab.DB.
const QString& chargedByCategory() {
    static const QString text = lines({
        QStringLiteral("((ab.Priznak<>\"VECH\")and(ab.Priznak<>\"DAY\"))"),
        QStringLiteral("or((ab.Priznak=\"VECH\")and EXISTS(SELECT * FROM VechTm vt WHERE "
                       "(dt.Date_of_call<>ALL(SELECT Prazdn_day FROM Prazdn)and((dt.Time_of_call "
                       "BETWEEN vt.Time_from and \"23:59:59\")or(dt.Time_of_call BETWEEN "
                       "\"00:00\" and vt.Time_to)))or(dt.Date_of_call =ANY(SELECT Prazdn_day "
                       "FROM Prazdn))))"),
        QStringLiteral("or((ab.Priznak=\"DAY\")and EXISTS(SELECT * FROM VechTm vt WHERE "
                       "(dt.Date_of_call<>ALL(SELECT Prazdn_day FROM Prazdn))and(dt.Time_of_call "
                       "BETWEEN vt.Time_to and vt.Time_from)))"),
    });
    return text;
}

const QString& unbilledRows() {
    static const QString text = lines({
        QStringLiteral("SELECT * FROM (SELECT DISTINCT dt.AbNumber,dt.Date_of_call,"
                       "dt.Time_of_call,dt.Cat,dt.Longivity,dt.Number_of_call,dt.TRF,dt.Code,"
                       "dt.CodeForeign,"),
        QStringLiteral("CASE"),
        QStringLiteral("WHEN dt.Cat IS NULL THEN \"не указан КНС\""),
        QStringLiteral("WHEN NOT EXISTS(SELECT * FROM AbTab ab WHERE ab.AbNumber=dt.AbNumber) "
                       "THEN \"нет абонента в AbTab\""),
        QStringLiteral("WHEN NOT EXISTS(SELECT * FROM AbTab ab WHERE ab.AbNumber=dt.AbNumber and "
                       "ab.Exist=\"YES\") THEN \"Exist не YES\""),
        QStringLiteral("WHEN NOT EXISTS(SELECT * FROM AbTab ab WHERE ab.AbNumber=dt.AbNumber and "
                       "ab.Exist=\"YES\" and (") +
            chargedByCategory() + QStringLiteral("))"),
        QStringLiteral("THEN CASE WHEN NOT EXISTS(SELECT * FROM VechTm) THEN \"VECH/DAY: нет "
                       "строк в VechTm\" ELSE \"VECH/DAY: вне часов категории\" END"),
        QStringLiteral("WHEN dt.Cat<8 and NOT EXISTS(SELECT * FROM TarifCit tc WHERE "
                       "tc.DATA<=dt.Date_of_call) THEN \"нет тарифа на дату звонка\""),
        QStringLiteral("WHEN dt.Cat<8 and NOT EXISTS(SELECT * FROM AbTab ab,TarifCit tc WHERE "
                       "ab.AbNumber=dt.AbNumber and ab.Exist=\"YES\" and (") +
            chargedByCategory() +
            QStringLiteral(") and tc.Priznak=ab.Priznak and tc.DATA=(SELECT Max(tm.DATA) FROM "
                           "TarifCit tm WHERE tm.DATA<=dt.Date_of_call)) THEN \"нет тарифа "
                           "категории на дату звонка\""),
        QStringLiteral("WHEN dt.Cat>7 and NOT EXISTS(SELECT * FROM Tarif1 t1 WHERE "
                       "t1.TRF=dt.TRF) THEN \"нет тарифа для зоны\""),
        QStringLiteral("WHEN dt.Cat>7 and NOT EXISTS(SELECT * FROM Tarif1 t1 WHERE "
                       "t1.TRF=dt.TRF and t1.DATA<=dt.Date_of_call) THEN \"нет тарифа на дату "
                       "звонка\""),
        QStringLiteral("END Reason"),
        QStringLiteral("FROM Desttar dt) un"),
        QStringLiteral("WHERE un.Reason IS NOT NULL"),
    });
    return text;
}

}  // namespace

const QString& QueryUnbilled() {
    static const QString text =
        unbilledRows() + QStringLiteral("\nORDER BY AbNumber,Date_of_call,Time_of_call;");
    return text;
}

const QString& QueryUnbilledCount() {
    static const QString text =
        QStringLiteral("SELECT Count(*) Unbilled FROM (\n") + unbilledRows() + QStringLiteral(");");
    return text;
}

}  // namespace orv::calls::sql
