// The snapshot of the debt run's tables on a large exchange: its time and size, the time of a
// restore, and the whole debt run with its snapshot against the run without it (the run's
// snapshot should add at most 30 %), and the trial run.
//
//   snapshot_bench [--calls N] [--subscribers N] [--keep DIR]
//
// The exchange is made once by `orvanta-cli demo` in a temporary folder (or kept in DIR and
// reused) and copied afresh for each measurement. Today is 10.04.2026 for every step.

#include "BenchSupport.h"
#include "billing/DebtRun.h"
#include "billing/DryRun.h"
#include "billing/Snapshot.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "db/Database.h"

#include <QCoreApplication>

namespace {

using orv::bench::copyFolder;
using orv::bench::out;
using orv::bench::seconds;

const QDate kToday(2026, 4, 10);

double mb(qint64 bytes) { return double(bytes) / (1024.0 * 1024.0); }

double timedRun(const QString& folder, orv::billing::RunSnapshotMode mode) {
    orv::db::Database db(QStringLiteral("TarifStandard"), folder);
    const orv::core::SettingsStore store;
    QElapsedTimer timer;
    timer.start();
    orv::billing::runDebtCalculation(db, store, orv::core::VatSettings{}, kToday,
                                     orv::billing::standardPipelines(), {}, mode);
    return seconds(timer);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString seed =
        orv::bench::seedExchange(temp, orv::bench::exchangeOptions(app.arguments().mid(1)), kToday);

    // The snapshot alone, then its restore.
    const QString folder = temp.path() + QStringLiteral("/work");
    copyFolder(seed, folder);
    {
        orv::db::Database db(QStringLiteral("TarifStandard"), folder);
        const orv::core::SettingsStore store;
        QElapsedTimer timer;
        timer.start();
        const orv::billing::SnapshotInfo snapshot =
            orv::billing::takeSnapshot(db, kToday, QStringLiteral("bench"));
        const double taken = seconds(timer);
        qint64 bytes = 0;
        for (const orv::billing::SnapshotTable& t : snapshot.tables) {
            bytes += t.bytes;
            out() << QStringLiteral("  %1: %2 rows, %3 MB\n")
                         .arg(t.table)
                         .arg(t.rows)
                         .arg(mb(t.bytes), 0, 'f', 1);
        }
        out() << QStringLiteral("snapshot                   %1 s, %2 MB of tables -> %3 MB gzip\n")
                     .arg(taken, 0, 'f', 2)
                     .arg(mb(bytes), 0, 'f', 1)
                     .arg(mb(snapshot.compressedBytes), 0, 'f', 1);
        timer.restart();
        orv::billing::restoreSnapshot(db, store, snapshot.name, kToday);
        out() << QStringLiteral("restore (with its own snapshot first) %1 s\n")
                     .arg(seconds(timer), 0, 'f', 2);
    }

    // The whole run without and with its snapshot, each on a fresh copy.
    copyFolder(seed, folder);
    const double without = timedRun(folder, orv::billing::RunSnapshotMode::Skip);
    copyFolder(seed, folder);
    const double with = timedRun(folder, orv::billing::RunSnapshotMode::Take);
    out() << QStringLiteral("debt run without snapshot  %1 s\n").arg(without, 0, 'f', 2);
    out() << QStringLiteral("debt run with snapshot     %1 s\n").arg(with, 0, 'f', 2);
    out() << QStringLiteral("snapshot adds              %1 %\n")
                 .arg(100.0 * (with - without) / without, 0, 'f', 1);

    // The trial run on the untouched exchange.
    copyFolder(seed, folder);
    {
        orv::db::Database db(QStringLiteral("TarifStandard"), folder);
        const orv::core::SettingsStore store;
        QElapsedTimer timer;
        timer.start();
        const orv::billing::DryRun trial(db, store, orv::core::VatSettings{}, kToday,
                                         orv::billing::standardPipelines());
        out() << QStringLiteral("dry run                    %1 s (%2 calls it would retire)\n")
                     .arg(seconds(timer), 0, 'f', 2)
                     .arg(trial.summary().callsRetired);
    }
    return 0;
}
