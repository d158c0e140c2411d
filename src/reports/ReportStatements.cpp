#include "reports/ReportStatements.h"

namespace orv::reports::sql {

const QStringList& QueryReport() {
    static const QStringList lines = {
        QStringLiteral("SELECT dt.AbNumber, dt.Priznak, dt.YearMonth, dt.LastYearMonth, dt.Dolg, "),
        QStringLiteral("dt.LastDolg, dt.NDS, dt.MG, dt.AbPlata, dt.ByTime, ab.FIO, ab.Adress, "
                       "ab.House, ab.Appartm"),
        QStringLiteral("FROM DolgTb dt,AbTab ab"),
        QStringLiteral("WHERE (ab.Exist=\"YES\")and"),
        QStringLiteral("(ab.AbNumber=dt.AbNumber)and(ab.Priznak=dt.Priznak)and"),
        QStringLiteral("(ab.AbNumber between :NumberFrom and :NumberTo)"),
        // A number's categories in the order their debt rows were stored, on either engine.
        QStringLiteral("ORDER BY AbNumber, dt.rowid;"),
    };
    return lines;
}

}  // namespace orv::reports::sql
