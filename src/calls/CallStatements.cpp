#include "calls/CallStatements.h"

#include <QStringList>

namespace orv::calls::sql {
namespace {
QString lines(const QStringList& text) { return text.join(QLatin1Char('\n')); }
}  // namespace

const QString& QueryAll() {
    static const QString text = lines(
        {QStringLiteral(
             "SELECT DISTINCT "
             "dt.AbNumber,dt.Date_of_call,dt.Time_of_call,dt.Cat,dt.Longivity,dt.Number_of_call"),
         QStringLiteral("FROM Desttar dt"),
         QStringLiteral("WHERE (dt.AbNumber between :NumberFrom and :NumberTo)"),
         QStringLiteral("and (dt.Date_of_call between :DateFrom and :DateTo)"),
         QStringLiteral("and ((dt.Time_of_call between :TimeFrom and :TimeTo) or (dt.Time_of_call "
                        "between :TimeFrom1 and :TimeTo1))"),
         QStringLiteral("ORDER BY AbNumber,Date_of_call,Time_of_call;")});
    return text;
}

const QString& QueryCity() {
    static const QString text = lines(
        {QStringLiteral(
             "SELECT DISTINCT "
             "dt.AbNumber,dt.Date_of_call,dt.Time_of_call,dt.Cat,dt.Longivity,dt.Number_of_call"),
         QStringLiteral("FROM Desttar dt"),
         QStringLiteral("WHERE (dt.AbNumber between :NumberFrom and :NumberTo)"),
         QStringLiteral("and (dt.Date_of_call between :DateFrom and :DateTo)"),
         QStringLiteral("and ((dt.Time_of_call between :TimeFrom and :TimeTo) or (dt.Time_of_call "
                        "between :TimeFrom1 and :TimeTo1))"),
         QStringLiteral("and (dt.Cat<8)"),
         QStringLiteral("ORDER BY AbNumber,Date_of_call,Time_of_call;")});
    return text;
}

const QString& QueryMG() {
    static const QString text = lines(
        {QStringLiteral(
             "SELECT DISTINCT AbNumber,Date_of_call,Time_of_call,Cat,Longivity,Number_of_Call, "
             "TRF,Code, CodeForeign"),
         QStringLiteral("FROM Desttar dt"),
         QStringLiteral("WHERE (dt.AbNumber between :NumberFrom and :NumberTo)"),
         QStringLiteral("and (dt.Date_of_call between :DateFrom and :DateTo)"),
         QStringLiteral("and ((dt.Time_of_call between :TimeFrom and :TimeTo) or (dt.Time_of_call "
                        "between :TimeFrom1 and :TimeTo1))"),
         QStringLiteral("and (dt.Cat>7) "),
         QStringLiteral("ORDER BY AbNumber,Date_of_call,Time_of_call;")});
    return text;
}

const QString& QueryCityGroup1() {
    static const QString text = lines(
        {QStringLiteral(
             "SELECT DISTINCT dt.AbNumber,ab.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity"),
         QStringLiteral("FROM Desttar dt,AbTab ab"),
         QStringLiteral("WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat<8) and "
                        "(ab.Priznak<>\"VECH\")and(ab.Priznak<>\"DAY\"))"),
         QStringLiteral("UNION ALL"),
         QStringLiteral(
             "SELECT DISTINCT dt.AbNumber,ab.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity"),
         QStringLiteral("FROM Desttar dt, VechTm vt,AbTab ab"),
         QStringLiteral("WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat<8) and "
                        "(ab.Priznak=\"VECH\")and((dt.Date_of_call<>ALL(SELECT Prazdn_day FROM "
                        "Prazdn)and((dt.Time_of_call BETWEEN vt.Time_from and "
                        "\"23:59:59\")or(dt.Time_of_call BETWEEN \"00:00\" and "
                        "vt.Time_to)))or(dt.Date_of_call =ANY(SELECT Prazdn_day FROM Prazdn))))"),
         QStringLiteral("UNION ALL"),
         QStringLiteral(
             "SELECT DISTINCT dt.AbNumber,ab.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity"),
         QStringLiteral("FROM Desttar dt, VechTm vt,AbTab ab"),
         QStringLiteral("WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat<8) and "
                        "(ab.Priznak=\"DAY\")and(dt.Date_of_call<>ALL(SELECT Prazdn_day FROM "
                        "Prazdn))and(dt.Time_of_call BETWEEN vt.Time_to and Time_from))"),
         QStringLiteral(";")});
    return text;
}

const QString& QueryCityGroupMax() {
    static const QString text = lines(
        {QStringLiteral("SELECT Max(tc.DATA) "
                        "DATA,dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity"),
         QStringLiteral("FROM TarifCit tc,TabCTPr dt"),
         QStringLiteral("WHERE (tc.DATA <= dt.Date_of_call)"),
         QStringLiteral(
             "GROUP BY dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity;")});
    return text;
}

const QString& QueryCityGroup2() {
    static const QString text =
        lines({QStringLiteral("SELECT "
                              "dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity,"
                              "dt.DATA,tc.Cost,(tc.Cost*dt.Longivity) ResCost"),
               QStringLiteral("FROM TabCTGr1 dt,TarifCit tc"),
               QStringLiteral("WHERE ((dt.DATA=tc.DATA) and (dt.Priznak=tc.Priznak))"),
               QStringLiteral(";")});
    return text;
}

const QString& QueryCityGroup3() {
    static const QString text = lines(
        {QStringLiteral("SELECT qt.AbNumber Номер,qt.Priznak Признак,Count(AbNumber) "
                        "КолЗвонков,Sum(qt.Longivity) ОбщПродсть,Sum(qt.ResCost) ОбщСтГор"),
         QStringLiteral("FROM TabCTGr2 qt"), QStringLiteral("GROUP BY qt.AbNumber,qt.Priznak"),
         QStringLiteral("ORDER BY qt.AbNumber,qt.Priznak;")});
    return text;
}

const QString& QueryMGGroup1() {
    static const QString text = lines(
        {QStringLiteral(
             "SELECT DISTINCT "
             "dt.AbNumber,ab.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity,dt.TRF"),
         QStringLiteral("FROM Desttar dt,AbTab ab"),
         QStringLiteral("WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat>7) and "
                        "(ab.Priznak<>\"DAY\")and(ab.Priznak<>\"VECH\"))"),
         QStringLiteral("UNION ALL"),
         QStringLiteral(
             "SELECT DISTINCT "
             "dt.AbNumber,ab.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity,dt.TRF"),
         QStringLiteral("FROM Desttar dt, VechTm vt,AbTab ab"),
         QStringLiteral("WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat>7) and "
                        "(ab.Priznak=\"VECH\")and((dt.Date_of_call <>ALL(SELECT Prazdn_day FROM "
                        "Prazdn)and((dt.Time_of_call BETWEEN vt.Time_from and "
                        "\"23:59:59\")or(dt.Time_of_call BETWEEN \"00:00\" and "
                        "vt.Time_to)))or(dt.Date_of_call =ANY(SELECT Prazdn_day FROM Prazdn))))"),
         QStringLiteral("UNION ALL"),
         QStringLiteral(
             "SELECT DISTINCT "
             "dt.AbNumber,ab.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity,dt.TRF"),
         QStringLiteral("FROM Desttar dt, VechTm vt,AbTab ab"),
         QStringLiteral("WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat>7) and "
                        "(ab.Priznak=\"DAY\")and(dt.Date_of_call <>ALL(SELECT Prazdn_day FROM "
                        "Prazdn))and(dt.Time_of_call BETWEEN vt.Time_to and Time_from))"),
         QStringLiteral(";")});
    return text;
}

const QString& QueryMGGroupMax() {
    static const QString text = lines(
        {QStringLiteral(
             "SELECT Max(tc.DATA) "
             "DATA,dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity,dt.TRF"),
         QStringLiteral("FROM TARIF1 tc,TabMGPr dt"),
         QStringLiteral("WHERE (tc.DATA <= dt.Date_of_call) and (tc.TRF=dt.TRF) "),
         QStringLiteral(
             "GROUP BY "
             "dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity,dt.TRF;")});
    return text;
}

const QString& QueryMGGroup2() {
    static const QString text =
        lines({QStringLiteral("SELECT "
                              "dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,dt.TRF,dt."
                              "Longivity,dt.DATA,t1.Cost_k,(t1.Cost_k*dt.Longivity) ResCost"),
               QStringLiteral("FROM TabMGgr1 dt,Tarif1 t1"),
               QStringLiteral("WHERE (dt.DATA=t1.DATA) and(dt.TRF=t1.TRF)"), QStringLiteral(";")});
    return text;
}

const QString& QueryMGGroup3() {
    static const QString text = lines(
        {QStringLiteral("SELECT qt.AbNumber Номер,qt.Priznak Признак,Count(AbNumber) "
                        "КолЗвонков,Sum(qt.Longivity) ОбщПродсть,Sum(qt.ResCost) ОбщСтМг"),
         QStringLiteral("FROM TabMGgr2 qt"), QStringLiteral("GROUP BY qt.AbNumber,qt.Priznak"),
         QStringLiteral("ORDER BY qt.AbNumber,qt.Priznak;")});
    return text;
}

const QString& QueryAllGroup1() {
    static const QString text = lines(
        {QStringLiteral("SELECT AbNumber,Priznak,Date_of_call,Time_of_call,Longivity,ResCost"),
         QStringLiteral("FROM TabCTGr2 "), QStringLiteral("UNION"),
         QStringLiteral("SELECT AbNumber,Priznak,Date_of_call,Time_of_call,Longivity,ResCost"),
         QStringLiteral("FROM TabMGgr2 ;")});
    return text;
}

const QString& QueryAllGroup2() {
    static const QString text =
        lines({QStringLiteral("SELECT AbNumber Номер,Priznak Признак,Count(AbNumber) "
                              "КолЗвонков,Sum(Longivity) ОбщПродсть,Sum(ResCost) ОбщСт"),
               QStringLiteral("FROM TabAllGr"), QStringLiteral("GROUP BY AbNumber,Priznak"),
               QStringLiteral("ORDER BY AbNumber,Priznak;")});
    return text;
}

const QString& QueryOldMG() {
    static const QString text = lines(
        {QStringLiteral(
             "SELECT DISTINCT AbNumber,Date_of_call,Time_of_call,Cat,Longivity,Number_of_Call, "
             "TRF,Code, CodeForeign"),
         QStringLiteral("FROM OldMG"),
         QStringLiteral("WHERE (AbNumber between :NumberFrom and :NumberTo)"),
         QStringLiteral("and (Date_of_call between :DateFrom and :DateTo)"),
         QStringLiteral("and ((Time_of_call between :TimeFrom and :TimeTo) or (Time_of_call "
                        "between :TimeFrom1 and :TimeTo1))"),
         QStringLiteral("ORDER BY AbNumber,Date_of_call,Time_of_call;")});
    return text;
}

const QString& QuerySelectOldMG() {
    static const QString text =
        lines({QStringLiteral("SELECT DISTINCT * "), QStringLiteral("FROM DestTar"),
               QStringLiteral("WHERE (AbNumber = :CurrNumber)"),
               QStringLiteral("and(Date_of_call < :DateOfRas)"), QStringLiteral("and (Cat>7) "),
               QStringLiteral(";")});
    return text;
}

const QString& QueryCityGroupMaxLatest() {
    static const QString text = lines(
        {QStringLiteral(
             "SELECT td.DATA,dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity"),
         QStringLiteral("FROM TabCTPr dt,(SELECT DISTINCT DATA FROM TarifCit) td"),
         QStringLiteral("WHERE (td.DATA = (SELECT Max(tc.DATA) FROM TarifCit tc WHERE (tc.DATA <= "
                        "dt.Date_of_call)));")});
    return text;
}

const QString& QueryMGGroupMaxLatest() {
    static const QString text = lines(
        {QStringLiteral("SELECT td.DATA,dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,"
                        "dt.Longivity,dt.TRF"),
         QStringLiteral("FROM TabMGPr dt,(SELECT DISTINCT DATA FROM TARIF1) td"),
         QStringLiteral("WHERE (td.DATA = (SELECT Max(tc.DATA) FROM TARIF1 tc WHERE (tc.DATA <= "
                        "dt.Date_of_call) and (tc.TRF=dt.TRF)));")});
    return text;
}

}  // namespace orv::calls::sql
