// The snapshot of the debt run's tables on a large exchange: its time and size, the time of a
// restore, and the whole debt run with its snapshot against the run without it (the run's
// snapshot should add at most 30 %), and the trial run.
//
//   snapshot_bench [--calls N] [--subscribers N] [--keep DIR]
//
// The exchange is made once by `orvanta-cli demo` in a temporary folder (or kept in DIR and
// reused) and copied afresh for each measurement. Today is 10.04.2026 for every step.

#include "billing/DebtRun.h"
#include "billing/DryRun.h"
#include "billing/Snapshot.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "db/Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

namespace {

const QDate kToday(2026, 4, 10);

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

[[noreturn]] void fail(const QString& text) {
    out() << text << Qt::endl;
    std::exit(1);
}

void copyFolder(const QString& from, const QString& to) {
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    for (const QString& file : QDir(from).entryList(QDir::Files)) {
        if (file.startsWith(u'.')) continue;
        if (!QFile::copy(from + u'/' + file, to + u'/' + file))
            fail(QStringLiteral("copy ") + file);
    }
}

void makeExchange(const QString& folder, int calls, int subscribers, const QString& config) {
    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_DATA_HOME"), config);
    demo.setProcessEnvironment(env);
    demo.start(QStringLiteral(ORVANTA_CLI_PATH),
               {QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + folder,
                QStringLiteral("--today"), kToday.toString(QStringLiteral("dd.MM.yyyy")),
                QStringLiteral("demo"), QStringLiteral("--calls"), QString::number(calls),
                QStringLiteral("--subscribers"), QString::number(subscribers)});
    if (!demo.waitForFinished(-1) || demo.exitCode() != 0)
        fail(QStringLiteral("demo failed: ") + QString::fromUtf8(demo.readAllStandardError()));
}

double seconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e9; }

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
    int calls = 1000000;
    int subscribers = 5000;
    QString keep;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--calls"))
            calls = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--subscribers"))
            subscribers = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--keep"))
            keep = args[i + 1];
    }
    QTemporaryDir temp;
    const QString config = temp.path() + QStringLiteral("/config");
    qputenv("ORVANTA_SETTINGS_FILE", (config + QStringLiteral("/Orvanta.reg")).toUtf8());
    const QString seed = keep.isEmpty() ? temp.path() + QStringLiteral("/seed") : keep;
    if (!QFileInfo::exists(seed + QStringLiteral("/DESTTAR.db"))) {
        QDir().mkpath(seed);
        QElapsedTimer timer;
        timer.start();
        makeExchange(seed, calls, subscribers, config);
        out() << QStringLiteral("exchange made in %1 s: %2 calls, %3 subscribers\n")
                     .arg(seconds(timer), 0, 'f', 1)
                     .arg(calls)
                     .arg(subscribers);
    }

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
