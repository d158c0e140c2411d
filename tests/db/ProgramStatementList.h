#pragma once
// The program's stored statements, line by line as stored, with what the translator must find
// in each: shared by the dialect tests of both targets (table files and server).

#include "db/Dialect.h"

#include <QStringList>
#include <vector>

namespace orv::test {

using db::StatementKind;

// The program's statements, line by line as stored.
struct ProgramStatement {
    const char* name;
    QStringList lines;
    StatementKind kind;
    const char* tables;
    const char* parameters;
};

inline const QString kAllLine1 = QStringLiteral(
    "SELECT DISTINCT dt.AbNumber,dt.Date_of_call,dt.Time_of_call,dt.Cat,dt.Longivity,"
    "dt.Number_of_call");
inline const QString kRangeLines[] = {
    QStringLiteral("WHERE (dt.AbNumber between :NumberFrom and :NumberTo)"),
    QStringLiteral("and (dt.Date_of_call between :DateFrom and :DateTo)"),
    QStringLiteral("and ((dt.Time_of_call between :TimeFrom and :TimeTo) or (dt.Time_of_call "
                   "between :TimeFrom1 and :TimeTo1))"),
};
inline const char* const kRangeParameters =
    "NumberFrom NumberTo DateFrom DateTo TimeFrom TimeTo TimeFrom1 TimeTo1";

inline QStringList cityGroup1() {
    const QString head = QStringLiteral(
        "SELECT DISTINCT dt.AbNumber,ab.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity");
    return {
        head,
        QStringLiteral("FROM Desttar dt,AbTab ab"),
        QStringLiteral("WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat<8) and "
                       "(ab.Priznak<>\"VECH\")and(ab.Priznak<>\"DAY\"))"),
        QStringLiteral("UNION ALL"),
        head,
        QStringLiteral("FROM Desttar dt, VechTm vt,AbTab ab"),
        QStringLiteral(
            "WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat<8) and "
            "(ab.Priznak=\"VECH\")and((dt.Date_of_call<>ALL(SELECT Prazdn_day FROM Prazdn)and"
            "((dt.Time_of_call BETWEEN vt.Time_from and \"23:59:59\")or(dt.Time_of_call BETWEEN "
            "\"00:00\" and vt.Time_to)))or(dt.Date_of_call =ANY(SELECT Prazdn_day FROM "
            "Prazdn))))"),
        QStringLiteral("UNION ALL"),
        head,
        QStringLiteral("FROM Desttar dt, VechTm vt,AbTab ab"),
        QStringLiteral("WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat<8) and "
                       "(ab.Priznak=\"DAY\")and(dt.Date_of_call<>ALL(SELECT Prazdn_day FROM "
                       "Prazdn))and(dt.Time_of_call BETWEEN vt.Time_to and Time_from))"),
        QStringLiteral(";"),
    };
}

inline QStringList mgGroup1() {
    const QString head = QStringLiteral(
        "SELECT DISTINCT dt.AbNumber,ab.Priznak,dt.Date_of_call,dt.Time_of_call,dt.Longivity,"
        "dt.TRF");
    return {
        head,
        QStringLiteral("FROM Desttar dt,AbTab ab"),
        QStringLiteral("WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat>7) and "
                       "(ab.Priznak<>\"DAY\")and(ab.Priznak<>\"VECH\"))"),
        QStringLiteral("UNION ALL"),
        head,
        QStringLiteral("FROM Desttar dt, VechTm vt,AbTab ab"),
        QStringLiteral(
            "WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat>7) and "
            "(ab.Priznak=\"VECH\")and((dt.Date_of_call <>ALL(SELECT Prazdn_day FROM Prazdn)and"
            "((dt.Time_of_call BETWEEN vt.Time_from and \"23:59:59\")or(dt.Time_of_call BETWEEN "
            "\"00:00\" and vt.Time_to)))or(dt.Date_of_call =ANY(SELECT Prazdn_day FROM "
            "Prazdn))))"),
        QStringLiteral("UNION ALL"),
        head,
        QStringLiteral("FROM Desttar dt, VechTm vt,AbTab ab"),
        QStringLiteral("WHERE ((dt.AbNumber=ab.AbNumber)and(ab.Exist=\"YES\")and(dt.Cat>7) and "
                       "(ab.Priznak=\"DAY\")and(dt.Date_of_call <>ALL(SELECT Prazdn_day FROM "
                       "Prazdn))and(dt.Time_of_call BETWEEN vt.Time_to and Time_from))"),
        QStringLiteral(";"),
    };
}

inline std::vector<ProgramStatement> programStatements() {
    const QString mgLine1 = QStringLiteral(
        "SELECT DISTINCT AbNumber,Date_of_call,Time_of_call,Cat,Longivity,Number_of_Call, "
        "TRF,Code, CodeForeign");
    const QString order = QStringLiteral("ORDER BY AbNumber,Date_of_call,Time_of_call;");
    const QStringList selectOldMG = {QStringLiteral("SELECT DISTINCT * "),
                                     QStringLiteral("FROM DestTar"),
                                     QStringLiteral("WHERE (AbNumber = :CurrNumber)"),
                                     QStringLiteral("and(Date_of_call < :DateOfRas)"),
                                     QStringLiteral("and (Cat>7) "),
                                     QStringLiteral(";")};
    const auto S = StatementKind::Select;
    const auto D = StatementKind::Delete;
    return {
        {"QueryAll",
         {kAllLine1, QStringLiteral("FROM Desttar dt"), kRangeLines[0], kRangeLines[1],
          kRangeLines[2], order},
         S,
         "Desttar:R",
         kRangeParameters},
        {"QueryCity",
         {kAllLine1, QStringLiteral("FROM Desttar dt"), kRangeLines[0], kRangeLines[1],
          kRangeLines[2], QStringLiteral("and (dt.Cat<8)"), order},
         S,
         "Desttar:R",
         kRangeParameters},
        {"QueryMG",
         {mgLine1, QStringLiteral("FROM Desttar dt"), kRangeLines[0], kRangeLines[1],
          kRangeLines[2], QStringLiteral("and (dt.Cat>7) "), order},
         S,
         "Desttar:R",
         kRangeParameters},
        {"QueryCityGroup1", cityGroup1(), S, "Desttar:R AbTab:R VechTm:R Prazdn:R", ""},
        {"QueryCityGroupMax",
         {QStringLiteral("SELECT Max(tc.DATA) DATA,dt.AbNumber,dt.Priznak,dt.Date_of_call,"
                         "dt.Time_of_call,dt.Longivity"),
          QStringLiteral("FROM TarifCit tc,TabCTPr dt"),
          QStringLiteral("WHERE (tc.DATA <= dt.Date_of_call)"),
          QStringLiteral("GROUP BY dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,"
                         "dt.Longivity;")},
         S,
         "TarifCit:R TabCTPr:R",
         ""},
        {"QueryCityGroup2",
         {QStringLiteral("SELECT dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,"
                         "dt.Longivity,dt.DATA,tc.Cost,(tc.Cost*dt.Longivity) ResCost"),
          QStringLiteral("FROM TabCTGr1 dt,TarifCit tc"),
          QStringLiteral("WHERE ((dt.DATA=tc.DATA) and (dt.Priznak=tc.Priznak))"),
          QStringLiteral(";")},
         S,
         "TabCTGr1:R TarifCit:R",
         ""},
        {"QueryCityGroup3",
         {QStringLiteral("SELECT qt.AbNumber Номер,qt.Priznak Признак,Count(AbNumber) "
                         "КолЗвонков,Sum(qt.Longivity) ОбщПродсть,Sum(qt.ResCost) ОбщСтГор"),
          QStringLiteral("FROM TabCTGr2 qt"), QStringLiteral("GROUP BY qt.AbNumber,qt.Priznak"),
          QStringLiteral("ORDER BY qt.AbNumber,qt.Priznak;")},
         S,
         "TabCTGr2:R",
         ""},
        {"QueryMGGroup1", mgGroup1(), S, "Desttar:R AbTab:R VechTm:R Prazdn:R", ""},
        {"QueryMGGroupMax",
         {QStringLiteral("SELECT Max(tc.DATA) DATA,dt.AbNumber,dt.Priznak,dt.Date_of_call,"
                         "dt.Time_of_call,dt.Longivity,dt.TRF"),
          QStringLiteral("FROM TARIF1 tc,TabMGPr dt"),
          QStringLiteral("WHERE (tc.DATA <= dt.Date_of_call) and (tc.TRF=dt.TRF) "),
          QStringLiteral("GROUP BY dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,"
                         "dt.Longivity,dt.TRF;")},
         S,
         "TARIF1:R TabMGPr:R",
         ""},
        {"QueryMGGroup2",
         {QStringLiteral("SELECT dt.AbNumber,dt.Priznak,dt.Date_of_call,dt.Time_of_call,dt.TRF,"
                         "dt.Longivity,dt.DATA,t1.Cost_k,(t1.Cost_k*dt.Longivity) ResCost"),
          QStringLiteral("FROM TabMGgr1 dt,Tarif1 t1"),
          QStringLiteral("WHERE (dt.DATA=t1.DATA) and(dt.TRF=t1.TRF)"), QStringLiteral(";")},
         S,
         "TabMGgr1:R Tarif1:R",
         ""},
        {"QueryMGGroup3",
         {QStringLiteral("SELECT qt.AbNumber Номер,qt.Priznak Признак,Count(AbNumber) "
                         "КолЗвонков,Sum(qt.Longivity) ОбщПродсть,Sum(qt.ResCost) ОбщСтМг"),
          QStringLiteral("FROM TabMGgr2 qt"), QStringLiteral("GROUP BY qt.AbNumber,qt.Priznak"),
          QStringLiteral("ORDER BY qt.AbNumber,qt.Priznak;")},
         S,
         "TabMGgr2:R",
         ""},
        {"QueryAllGroup1",
         {QStringLiteral("SELECT AbNumber,Priznak,Date_of_call,Time_of_call,Longivity,ResCost"),
          QStringLiteral("FROM TabCTGr2 "), QStringLiteral("UNION"),
          QStringLiteral("SELECT AbNumber,Priznak,Date_of_call,Time_of_call,Longivity,ResCost"),
          QStringLiteral("FROM TabMGgr2 ;")},
         S,
         "TabCTGr2:R TabMGgr2:R",
         ""},
        {"QueryAllGroup2",
         {QStringLiteral("SELECT AbNumber Номер,Priznak Признак,Count(AbNumber) КолЗвонков,"
                         "Sum(Longivity) ОбщПродсть,Sum(ResCost) ОбщСт"),
          QStringLiteral("FROM TabAllGr"), QStringLiteral("GROUP BY AbNumber,Priznak"),
          QStringLiteral("ORDER BY AbNumber,Priznak;")},
         S,
         "TabAllGr:R",
         ""},
        {"QuerySelectOldMG", selectOldMG, S, "DestTar:R", "CurrNumber DateOfRas"},
        {"QueryOldMG",
         {mgLine1, QStringLiteral("FROM OldMG"),
          QStringLiteral("WHERE (AbNumber between :NumberFrom and :NumberTo)"),
          QStringLiteral("and (Date_of_call between :DateFrom and :DateTo)"),
          QStringLiteral("and ((Time_of_call between :TimeFrom and :TimeTo) or (Time_of_call "
                         "between :TimeFrom1 and :TimeTo1))"),
          order},
         S,
         "OldMG:R",
         kRangeParameters},
        {"QueryAbsMinDate",
         {QStringLiteral("SELECT Min(dt.Date_of_call) AS MinDate"),
          QStringLiteral("FROM Desttar dt;")},
         S,
         "Desttar:R",
         ""},
        {"QueryDolgCT",
         {QStringLiteral("SELECT qt.AbNumber,qt.Priznak,qt.Cost,Count(AbNumber) Count_of_calls,"
                         "Sum(qt.Longivity) Sum_of_Long,Sum(qt.ResCost) Sum_of_cost"),
          QStringLiteral("FROM TabCTGr2 qt"),
          QStringLiteral("WHERE (qt.Date_of_call between :DateFrom and :DateTo)"),
          QStringLiteral("GROUP BY qt.AbNumber,qt.Priznak,qt.Cost"),
          QStringLiteral("ORDER BY qt.AbNumber;")},
         S,
         "TabCTGr2:R",
         "DateFrom DateTo"},
        {"QueryDolgMG",
         {QStringLiteral("SELECT qt.AbNumber,qt.Priznak,Count(AbNumber) Count_of_calls,"
                         "Sum(qt.Longivity) Sum_of_Long,Sum(qt.ResCost) Sum_of_cost"),
          QStringLiteral("FROM TabMGgr2 qt"),
          QStringLiteral("WHERE  (qt.Date_of_call between :DateFrom and :DateTo)"),
          QStringLiteral("GROUP BY qt.AbNumber,qt.Priznak"),
          QStringLiteral("ORDER BY qt.AbNumber;")},
         S,
         "TabMGgr2:R",
         "DateFrom DateTo"},
        {"QueryDolgRes",
         {QStringLiteral("SELECT * FROM PrDlgCt "), QStringLiteral("UNION"),
          QStringLiteral("SELECT * FROM PrDlgMg;")},
         S,
         "PrDlgCt:R PrDlgMg:R",
         ""},
        {"QueryDolgDistRes",
         {QStringLiteral("SELECT AbNumber,Priznak,Sum(Count_of_calls) Count_of_calls,"
                         "Sum(Sum_of_long) Sum_of_long,Sum(Sum_of_cost) Sum_of_cost,"
                         "Date_of_raschet"),
          QStringLiteral("FROM DolgRes"),
          QStringLiteral("GROUP BY AbNumber,Priznak,Date_of_raschet;")},
         S,
         "DolgRes:R",
         ""},
        {"QueryDeleteNumberFromDT",
         {QStringLiteral("DELETE FROM DestTar"),
          QStringLiteral("WHERE (AbNumber = :CurrNumber)and(Date_of_call < :DateOfRas);")},
         D,
         "DestTar:W",
         "CurrNumber DateOfRas"},
        {"QueryDolgDelete",
         {QStringLiteral("DELETE From DestTar"), QStringLiteral("WHERE Date_of_call<:DateOfRas;")},
         D,
         "DestTar:W",
         "DateOfRas"},
        {"EmptyPrDlgCT", {QStringLiteral("DELETE FROM PrDlgCT;")}, D, "PrDlgCT:W", ""},
        {"EmptyPrDlgMG", {QStringLiteral("DELETE FROM PrDlgMG;")}, D, "PrDlgMG:W", ""},
        {"QueryDolg",
         {QStringLiteral("SELECT d.AbNumber,d.Priznak,a.Exist,d.YearMonth,d.LastYearMonth,d.Dolg,"),
          QStringLiteral("d.LastDolg,d.NDS,d.MG,d.ByTime,d.AbPlata"),
          QStringLiteral("FROM DolgTb d, AbTab a"),
          QStringLiteral("WHERE (a.AbNumber=d.AbNumber)and(a.Priznak=d.Priznak);")},
         S,
         "DolgTb:R AbTab:R",
         ""},
        {"QueryShowPane", {QStringLiteral("select * from PaneDate;")}, S, "PaneDate:R", ""},
    };
}

}  // namespace orv::test
