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

// A subscriber row ab prices the call dt: the tariff of its category dated on the latest DATA
// of TARIFCIT not after the call (city), a tariff of the call's zone dated on or before it (long
// distance).
const QString& pricedByRow() {
    static const QString text = lines({
        QStringLiteral("((dt.Cat<8)and EXISTS(SELECT * FROM TarifCit tc WHERE "
                       "(tc.Priznak=ab.Priznak)and(tc.DATA=(SELECT Max(tm.DATA) FROM TarifCit tm "
                       "WHERE (tm.DATA<=dt.Date_of_call)))))"),
        QStringLiteral("or((dt.Cat>7)and EXISTS(SELECT * FROM Tarif1 t1 WHERE (t1.TRF=dt.TRF)and"
                       "(t1.DATA<=dt.Date_of_call)))"),
    });
    return text;
}

const QString& callColumns(const char* alias) {
    static const QString dt = QStringLiteral(
        "dt.AbNumber,dt.Date_of_call,dt.Time_of_call,dt.Cat,dt.Longivity,dt.Number_of_call,"
        "dt.TRF,dt.Code,dt.CodeForeign");
    static const QString up = QString(dt).replace(QStringLiteral("dt."), QStringLiteral("up."));
    return alias[0] == 'd' ? dt : up;
}

// The distinct calls that no subscriber row prices, as the table up. The priced calls are found
// by one join of AbTab.DB with DESTTAR (through DESTTAR's index on AbNumber), not call by call.
const QString& unpricedCalls() {
    static const QString text = lines({
        QStringLiteral("WITH up AS (SELECT DISTINCT ") + callColumns("dt"),
        QStringLiteral("FROM Desttar dt WHERE dt.rowid NOT IN (SELECT dt.rowid FROM AbTab ab, "
                       "Desttar dt WHERE (dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(") +
            chargedByCategory() + QStringLiteral(")and(") + pricedByRow() + QStringLiteral(")))"),
    });
    return text;
}

// Why an unpriced call is not priced, in the order the pipelines drop calls, over its subscriber
// rows ab (none: NULL).
const QString& reason() {
    static const QString chargedUp =
        QString(chargedByCategory()).replace(QStringLiteral("dt."), QStringLiteral("up."));
    static const QString text = lines({
        QStringLiteral("CASE"),
        QStringLiteral("WHEN up.Cat IS NULL THEN \"не указан КНС\""),
        QStringLiteral("WHEN Count(ab.AbNumber)=0 THEN \"нет абонента в AbTab\""),
        QStringLiteral("WHEN Max(CASE WHEN ab.Exist=\"YES\" THEN 1 ELSE 0 END)=0 THEN \"Exist "
                       "не YES\""),
        QStringLiteral("WHEN Max(CASE WHEN (ab.Exist=\"YES\")and(") + chargedUp +
            QStringLiteral(") THEN 1 ELSE 0 END)=0"),
        QStringLiteral("THEN CASE WHEN NOT EXISTS(SELECT * FROM VechTm) THEN \"VECH/DAY: нет "
                       "строк в VechTm\" ELSE \"VECH/DAY: вне часов категории\" END"),
        QStringLiteral("WHEN (up.Cat<8)and NOT EXISTS(SELECT * FROM TarifCit tc WHERE "
                       "tc.DATA<=up.Date_of_call) THEN \"нет тарифа на дату звонка\""),
        QStringLiteral("WHEN up.Cat<8 THEN \"нет тарифа категории на дату звонка\""),
        QStringLiteral("WHEN up.TRF IS NULL THEN \"не указана зона (TRF)\""),
        QStringLiteral("WHEN NOT EXISTS(SELECT * FROM Tarif1 t1 WHERE t1.TRF=up.TRF) THEN "
                       "\"нет тарифа для зоны\""),
        QStringLiteral("ELSE \"нет тарифа на дату звонка\""),
        QStringLiteral("END Reason"),
    });
    return text;
}

}  // namespace

const QString& QueryUnbilled() {
    static const QString text = lines({
        unpricedCalls(),
        QStringLiteral("SELECT ") + callColumns("up") + QLatin1Char(','),
        reason(),
        QStringLiteral("FROM up LEFT JOIN AbTab ab ON ab.AbNumber=up.AbNumber"),
        QStringLiteral("GROUP BY ") + callColumns("up"),
        QStringLiteral("ORDER BY up.AbNumber,up.Date_of_call,up.Time_of_call;"),
    });
    return text;
}

const QString& QueryUnbilledCount() {
    static const QString text =
        lines({unpricedCalls(), QStringLiteral("SELECT Count(*) Unbilled FROM up;")});
    return text;
}

}  // namespace orv::calls::sql
