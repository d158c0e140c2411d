// The monthly debt run on a large exchange: its total time, the time of each phase, and the
// lower bound of what the run must do anyway (its two pricing pipelines, then the archive of the
// old long-distance calls and the delete of the old calls as plain SQL through the sqlite3 C
// API, in one transaction), their ratio, and the peak resident memory.
//
//   debt_bench [--calls N] [--subscribers N] [--keep DIR]
//
// The exchange is made once by `orvanta-cli demo` in a temporary folder (or kept in DIR and
// reused) and copied afresh for each measurement. Today is 10.04.2026 for every step.

#include "billing/DebtRun.h"
#include "calls/Pricing.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "db/Database.h"

#include <sqlite3.h>
#include <sys/resource.h>
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
    QDir().mkpath(to);
    for (const QString& file : QDir(from).entryList(QDir::Files | QDir::Hidden)) {
        if (file.startsWith(u'.')) continue;
        QFile::remove(to + u'/' + file);
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

void exec(sqlite3* db, const QString& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK)
        fail(QStringLiteral("sqlite: %1 in %2").arg(QString::fromUtf8(error), sql));
}

// The archive and the delete of the run, written directly against the files.
double directArchiveAndDelete(const QString& folder) {
    QElapsedTimer timer;
    timer.start();
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
    return seconds(timer);
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
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

    // The run, phase by phase through its progress reports.
    const QString runFolder = temp.path() + QStringLiteral("/run");
    copyFolder(seed, runFolder);
    double total = 0;
    QList<QPair<QString, double>> phases;
    orv::billing::DebtRunSummary summary;
    {
        orv::db::Database db(QStringLiteral("TarifStandard"), runFolder);
        const orv::core::SettingsStore store;
        QElapsedTimer timer;
        QElapsedTimer phase;
        int stage = -1;
        const QStringList names = {
            QStringLiteral("read subscribers, settings, fees"), QStringLiteral("CityGroup"),
            QStringLiteral("MGGroup"),
            QStringLiteral("guards, monthly totals, DolgRes/DolgDR, accounts"),
            QStringLiteral("DolgTb, OldMG, DESTTAR delete, commit")};
        const QList<int> starts = {0, 10, 30, 60, 90};
        timer.start();
        phase.start();
        summary = orv::billing::runDebtCalculation(
            db, store, orv::core::VatSettings{}, kToday, orv::billing::standardPipelines(),
            [&](int percent, const QString&) {
                const int next = int(starts.lastIndexOf(percent));
                if (next <= stage && percent != 100) return;
                if (stage >= 0) phases.append({names[stage], seconds(phase)});
                stage = next;
                phase.restart();
            });
        total = seconds(timer);
    }

    // The lower bound: the pipelines, then the archive and the delete as plain SQL.
    const QString boundFolder = temp.path() + QStringLiteral("/bound");
    copyFolder(seed, boundFolder);
    double pipelines = 0;
    {
        orv::db::Database db(QStringLiteral("TarifStandard"), boundFolder);
        QElapsedTimer timer;
        timer.start();
        orv::calls::CityGroup(db);
        orv::calls::MGGroup(db);
        pipelines = seconds(timer);
    }
    const double direct = directArchiveAndDelete(boundFolder);

    out() << QStringLiteral("debt run: %1 months, %2 accounts, %3 calls archived, %4 retired\n")
                 .arg(summary.months)
                 .arg(summary.accounts)
                 .arg(summary.callsArchived)
                 .arg(summary.callsRetired);
    for (const auto& [name, time] : phases)
        out() << QStringLiteral("  %1 s  %2\n").arg(time, 6, 'f', 2).arg(name);
    out() << QStringLiteral("total                      %1 s\n").arg(total, 0, 'f', 2);
    out() << QStringLiteral("pipelines                  %1 s\n").arg(pipelines, 0, 'f', 2);
    out() << QStringLiteral("direct archive + delete    %1 s\n").arg(direct, 0, 'f', 2);
    out() << QStringLiteral("lower bound                %1 s\n").arg(pipelines + direct, 0, 'f', 2);
    out() << QStringLiteral("ratio                      %1\n")
                 .arg(total / (pipelines + direct), 0, 'f', 2);
    out() << QStringLiteral("peak resident memory       %1 MB\n").arg(peakKilobytes() / 1024);
    return 0;
}
