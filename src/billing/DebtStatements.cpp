#include "billing/DebtStatements.h"

#include <QStringList>

namespace orv::billing::sql {
namespace {
QString lines(const QStringList& text) { return text.join(QLatin1Char('\n')); }
}  // namespace

const QString& QueryAbsMinDate() {
    static const QString text = lines({QStringLiteral("SELECT Min(dt.Date_of_call) AS MinDate"),
                                       QStringLiteral("FROM Desttar dt;")});
    return text;
}

const QString& QueryDolgCT() {
    static const QString text = lines(
        {QStringLiteral("SELECT qt.AbNumber,qt.Priznak,qt.Cost,Count(AbNumber) "
                        "Count_of_calls,Sum(qt.Longivity) Sum_of_Long,Sum(qt.ResCost) Sum_of_cost"),
         QStringLiteral("FROM TabCTGr2 qt"),
         QStringLiteral("WHERE (qt.Date_of_call between :DateFrom and :DateTo)"),
         QStringLiteral("GROUP BY qt.AbNumber,qt.Priznak,qt.Cost"),
         QStringLiteral("ORDER BY qt.AbNumber;")});
    return text;
}

const QString& QueryDolgMG() {
    static const QString text = lines(
        {QStringLiteral("SELECT qt.AbNumber,qt.Priznak,Count(AbNumber) "
                        "Count_of_calls,Sum(qt.Longivity) Sum_of_Long,Sum(qt.ResCost) Sum_of_cost"),
         QStringLiteral("FROM TabMGgr2 qt"),
         QStringLiteral("WHERE  (qt.Date_of_call between :DateFrom and :DateTo)"),
         QStringLiteral("GROUP BY qt.AbNumber,qt.Priznak"),
         QStringLiteral("ORDER BY qt.AbNumber;")});
    return text;
}

const QString& QueryDolgRes() {
    static const QString text =
        lines({QStringLiteral("SELECT * FROM PrDlgCt "), QStringLiteral("UNION"),
               QStringLiteral("SELECT * FROM PrDlgMg;")});
    return text;
}

const QString& QueryDolgDistRes() {
    static const QString text =
        lines({QStringLiteral(
                   "SELECT AbNumber,Priznak,Sum(Count_of_calls) Count_of_calls,Sum(Sum_of_long) "
                   "Sum_of_long,Sum(Sum_of_cost) Sum_of_cost,Date_of_raschet"),
               QStringLiteral("FROM DolgRes"),
               QStringLiteral("GROUP BY AbNumber,Priznak,Date_of_raschet;")});
    return text;
}

const QString& QueryDeleteNumberFromDT() {
    static const QString text =
        lines({QStringLiteral("DELETE FROM DestTar"),
               QStringLiteral("WHERE (AbNumber = :CurrNumber)and(Date_of_call < :DateOfRas);")});
    return text;
}

const QString& QueryDolgDelete() {
    static const QString text = lines(
        {QStringLiteral("DELETE From DestTar"), QStringLiteral("WHERE Date_of_call<:DateOfRas;")});
    return text;
}

const QString& QueryEmptyPrDlgCT() {
    static const QString text = lines({QStringLiteral("DELETE FROM PrDlgCT;")});
    return text;
}

const QString& QueryEmptyPrDlgMG() {
    static const QString text = lines({QStringLiteral("DELETE FROM PrDlgMG;")});
    return text;
}

const QString& QueryDolg() {
    static const QString text = lines(
        {QStringLiteral("SELECT d.AbNumber,d.Priznak,a.Exist,d.YearMonth,d.LastYearMonth,d.Dolg,"),
         QStringLiteral("d.LastDolg,d.NDS,d.MG,d.ByTime,d.AbPlata"),
         QStringLiteral("FROM DolgTb d, AbTab a"),
         QStringLiteral("WHERE (a.AbNumber=d.AbNumber)and(a.Priznak=d.Priznak);")});
    return text;
}

const QString& QueryShowPane() {
    static const QString text = lines({QStringLiteral("select * from PaneDate;")});
    return text;
}

}  // namespace orv::billing::sql
