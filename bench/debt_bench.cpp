// The monthly debt run on a large exchange: its wall and CPU time, the time of each phase (the
// move of the retired calls into the call archive among them), the peak resident memory of the
// run, and the lower bound of what the run must do anyway (its two pricing pipelines, then the
// archive of the old long-distance calls and the delete of the old calls as plain SQL through
// the sqlite3 C API, in one transaction) with their ratio. Then the itemized statement of the
// number with the most calls in the archived month of March.
//
//   debt_bench [--calls N] [--subscribers N] [--months M] [--keep DIR]
//
// The exchange is made once by `orvanta-cli demo` in a temporary folder (or kept in DIR and
// reused) and copied afresh for each measurement. Today is 10.04.2026 for every step.

#include "BenchSupport.h"
#include "billing/CallArchive.h"
#include "billing/CallStatement.h"
#include "billing/DebtRun.h"
#include "calls/Pricing.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "db/Database.h"

#include <sqlite3.h>
#include <QCoreApplication>

namespace {

using orv::bench::fail;
using orv::bench::out;
using orv::bench::seconds;

const QDate kToday(2026, 4, 10);
const QDate kMarch(2026, 3, 1);

void exec(sqlite3* db, const QString& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
        fail(QStringLiteral("sqlite: %1 in %2").arg(QString::fromUtf8(error), sql));
}

// The archive and the delete of the run, written directly against the files.
void directArchiveAndDelete(const QString& folder) {
    sqlite3* db = nullptr;
    if (sqlite3_open((folder + QStringLiteral("/.bench-main")).toUtf8().constData(), &db) !=
        SQLITE_OK)
        fail(QStringLiteral("open"));
    for (const char* table : {"DESTTAR.db", "OldMG.DB", "AbTab.DB"})
        exec(db, QStringLiteral("ATTACH '%1/%2' AS \"%3\"")
                     .arg(folder, QLatin1String(table),
                          QString::fromLatin1(table).section(u'.', 0, 0)));
    exec(db, QStringLiteral("PRAGMA DESTTAR.cache_size = -131072"));  // as the run sets it
    exec(db, QStringLiteral("BEGIN"));
    exec(db, QStringLiteral("INSERT INTO OldMG.OldMG SELECT DISTINCT * FROM DESTTAR.DESTTAR WHERE "
                            "Date_of_call < '2026-04-01' AND Cat > 7 AND AbNumber IN (SELECT "
                            "AbNumber FROM AbTab.AbTab)"));
    exec(db, QStringLiteral("DELETE FROM DESTTAR.DESTTAR WHERE Date_of_call < '2026-04-01'"));
    exec(db, QStringLiteral("COMMIT"));
    sqlite3_close(db);
}

// The number with the most calls in the archived month, and their count.
std::pair<qint64, qint64> busiestNumber(orv::db::Database& db) {
    const orv::billing::ArchiveAttachment archive(db);
    orv::db::Statement top(db.connection(),
                           QStringLiteral("SELECT AbNumber, count(*) AS n FROM %1 GROUP BY "
                                          "AbNumber ORDER BY n DESC LIMIT 1")
                               .arg(archive.table(kMarch)));
    if (!top.step()) fail(QStringLiteral("no archived month"));
    return {top.columnInt(0), top.columnInt(1)};
}

// The statement of one number for the archived month, on a fresh connection, as the command
// builds it.
void statementOfOneNumber(const QString& folder) {
    qint64 number = 0;
    qint64 calls = 0;
    qint64 monthCalls = 0;
    {
        orv::db::Database db(QStringLiteral("TarifStandard"), folder);
        std::tie(number, calls) = busiestNumber(db);
        for (const orv::billing::ArchiveMonth& m : orv::billing::listArchive(db))
            if (m.month == kMarch) monthCalls = m.calls;
    }
    orv::db::Database db(QStringLiteral("TarifStandard"), folder);
    orv::billing::CallStatement statement;
    const orv::bench::Timing t = orv::bench::timeOf(
        [&] { statement = orv::billing::buildCallStatement(db, number, number, kMarch, 0); });
    out() << QStringLiteral(
                 "statement of %1 for 03.2026 (%2 calls of %3 in the month): wall %4 s, "
                 "CPU %5 s\n")
                 .arg(number)
                 .arg(statement.calls.size())
                 .arg(monthCalls)
                 .arg(t.wall, 0, 'f', 3)
                 .arg(t.cpu, 0, 'f', 3);
    if (statement.calls.size() != calls) fail(QStringLiteral("statement lost calls"));
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const orv::bench::ExchangeOptions options = orv::bench::exchangeOptions(app.arguments().mid(1));
    QTemporaryDir temp;
    const QString seed = orv::bench::seedExchange(temp, options, kToday);

    // The run, phase by phase through its progress reports.
    const QString runFolder = temp.path() + QStringLiteral("/run");
    orv::bench::copyFolder(seed, runFolder);
    QList<QPair<QString, double>> phases;
    orv::billing::DebtRunSummary summary;
    orv::bench::Timing run;
    {
        orv::db::Database db(QStringLiteral("TarifStandard"), runFolder);
        const orv::core::SettingsStore store;
        QElapsedTimer phase;
        int stage = -1;
        const QStringList names = {QStringLiteral("unbilled reasons, snapshot"),
                                   QStringLiteral("CityGroup"),
                                   QStringLiteral("MGGroup"),
                                   QStringLiteral("monthly totals"),
                                   QStringLiteral("accounts"),
                                   QStringLiteral("DolgTb, journal"),
                                   QStringLiteral("OldMG, queue, DESTTAR delete, commit"),
                                   QStringLiteral("queue into the archive")};
        const QList<int> starts = {0, 10, 35, 55, 65, 90, 94, 97};
        phase.start();
        run = orv::bench::timeOf([&] {
            summary = orv::billing::runDebtCalculation(
                db, store, orv::core::VatSettings{}, kToday, orv::billing::standardPipelines(),
                [&](int percent, const QString&) {
                    const int next = int(starts.lastIndexOf(percent));
                    if (next <= stage && percent != 100) return;
                    if (stage >= 0) phases.append({names[stage], seconds(phase)});
                    stage = next;
                    phase.restart();
                });
        });
    }
    const double runPeak = orv::bench::peakRssMb();

    // The lower bound: the pipelines, then the archive and the delete as plain SQL.
    const QString boundFolder = temp.path() + QStringLiteral("/bound");
    orv::bench::copyFolder(seed, boundFolder);
    const orv::bench::Timing pipelines = orv::bench::timeOf([&] {
        orv::db::Database db(QStringLiteral("TarifStandard"), boundFolder);
        orv::calls::CityGroup(db);
        orv::calls::MGGroup(db);
    });
    const orv::bench::Timing direct =
        orv::bench::timeOf([&] { directArchiveAndDelete(boundFolder); });
    const double bound = pipelines.wall + direct.wall;

    out() << QStringLiteral("debt run: %1 months, %2 accounts, %3 calls archived, %4 retired\n")
                 .arg(summary.months)
                 .arg(summary.accounts)
                 .arg(summary.callsArchived)
                 .arg(summary.callsRetired);
    for (const auto& [name, time] : phases)
        out() << QStringLiteral("  %1 s  %2\n").arg(time, 6, 'f', 2).arg(name);
    out() << QStringLiteral("run                        wall %1 s, CPU %2 s, peak %3 MB\n")
                 .arg(run.wall, 0, 'f', 2)
                 .arg(run.cpu, 0, 'f', 2)
                 .arg(runPeak, 0, 'f', 0);
    out() << QStringLiteral("plain SQLite: pipelines    wall %1 s, CPU %2 s\n")
                 .arg(pipelines.wall, 0, 'f', 2)
                 .arg(pipelines.cpu, 0, 'f', 2);
    out() << QStringLiteral("plain SQLite: OldMG+delete wall %1 s, CPU %2 s\n")
                 .arg(direct.wall, 0, 'f', 2)
                 .arg(direct.cpu, 0, 'f', 2);
    out() << QStringLiteral("plain SQLite total         wall %1 s, CPU %2 s\n")
                 .arg(bound, 0, 'f', 2)
                 .arg(pipelines.cpu + direct.cpu, 0, 'f', 2);
    out() << QStringLiteral("ratio                      wall %1, CPU %2\n")
                 .arg(run.wall / bound, 0, 'f', 2)
                 .arg(run.cpu / (pipelines.cpu + direct.cpu), 0, 'f', 2);
    out() << QStringLiteral("peak resident memory       %1 MB at the end\n")
                 .arg(orv::bench::peakRssMb(), 0, 'f', 0);
    statementOfOneNumber(runFolder);
    return 0;
}
