// The debt run beside the call collector, and the import of huge quoted fields.
//
//   collector_bench [--calls N] [--subscribers N]
//
// An exchange of N calls (1,000,000 by default) is made by `orvanta-cli demo`; `orvanta-cli
// debt-run` then runs on it while this program appends one call of last month every 50 ms to
// DESTTAR.db through the sqlite3 C API, as the collector does, and times every append. Printed:
// the run's time, the appends, the longest wait of one append, and how many of the appended
// calls are still in DESTTAR afterwards (all of them: the run leaves what it did not read).
// Then `orvanta-cli import-calls` reads a file with a quoted field of 100,000 lines and one with
// a 10 MB field; both are refused, and their times are printed.

#include "BenchSupport.h"

#include <sqlite3.h>
#include <QCoreApplication>

namespace {

using orv::bench::fail;
using orv::bench::out;
using orv::bench::seconds;

const QDate kToday(2026, 4, 10);

QProcess* startCli(const QString& folder, const QString& config, const QStringList& args) {
    auto* process = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_DATA_HOME"), config);
    env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"), config + QStringLiteral("/Orvanta.reg"));
    process->setProcessEnvironment(env);
    process->start(
        QStringLiteral(ORVANTA_CLI_PATH),
        QStringList{QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + folder,
                    QStringLiteral("--today"), kToday.toString(QStringLiteral("dd.MM.yyyy"))} +
            args);
    return process;
}

int finish(QProcess* process) {
    process->waitForFinished(-1);
    const int code = process->exitCode();
    delete process;
    return code;
}

void collectorDuringRun(const QString& folder, const QString& config) {
    sqlite3* db = nullptr;
    if (sqlite3_open((folder + QStringLiteral("/DESTTAR.db")).toUtf8().constData(), &db) !=
        SQLITE_OK)
        fail(QStringLiteral("cannot open DESTTAR.db"));
    sqlite3_busy_timeout(db, 600000);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO DESTTAR VALUES (9999001, '2026-03-31', '23:59:00', 1, 9, "
                       "4950000, '495', NULL, 1)",
                       -1, &insert, nullptr);
    QElapsedTimer run;
    run.start();
    QProcess* debtRun = startCli(folder, config, {QStringLiteral("debt-run")});
    int appended = 0;
    double longest = 0;
    while (debtRun->state() != QProcess::NotRunning) {
        QElapsedTimer wait;
        wait.start();
        if (sqlite3_step(insert) != SQLITE_DONE)
            fail(QStringLiteral("append refused: ") + QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_reset(insert);
        longest = std::max(longest, seconds(wait));
        ++appended;
        debtRun->waitForFinished(50);
    }
    const double runTime = seconds(run);
    const QByteArray err = debtRun->readAllStandardError();
    if (finish(debtRun) != 0) fail(QStringLiteral("debt-run failed: ") + QString::fromUtf8(err));
    sqlite3_stmt* count = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM DESTTAR WHERE AbNumber = 9999001", -1, &count,
                       nullptr);
    sqlite3_step(count);
    const qint64 kept = sqlite3_column_int64(count, 0);
    sqlite3_finalize(count);
    sqlite3_finalize(insert);
    sqlite3_close(db);
    out() << QStringLiteral(
                 "debt run %1 s; collector appended %2 calls, longest wait %3 s; "
                 "appended calls kept in DESTTAR: %4")
                 .arg(runTime, 0, 'f', 1)
                 .arg(appended)
                 .arg(longest, 0, 'f', 2)
                 .arg(kept)
          << Qt::endl;
}

void importOf(const QString& folder, const QString& config, const QString& what,
              const QByteArray& field) {
    const QString path = config + QStringLiteral("/field.csv");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) fail(QStringLiteral("csv"));
    file.write(
        "AbNumber,Date_of_call,Time_of_call,Longivity,Cat,Number_of_call,Code,CodeForeign,"
        "TRF\n2203372,15.03.2024,10:00:00,3,8,,\"" +
        field + "\",,1\n");
    file.close();
    QElapsedTimer timer;
    timer.start();
    QProcess* import = startCli(folder, config, {QStringLiteral("import-calls"), path});
    import->waitForFinished(-1);
    const QByteArray err = import->readAllStandardError();
    const int code = finish(import);
    out() << QStringLiteral("import of %1: %2 s, exit %3, message %4 bytes")
                 .arg(what)
                 .arg(seconds(timer), 0, 'f', 2)
                 .arg(code)
                 .arg(err.size())
          << Qt::endl;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const orv::bench::ExchangeOptions options = orv::bench::exchangeOptions(app.arguments().mid(1));
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("standard"));
    const QString config = dir.filePath(QStringLiteral("config"));
    QDir().mkpath(folder);
    QDir().mkpath(config);
    orv::bench::makeExchange(folder, options.calls, options.subscribers, config, kToday);
    out() << QStringLiteral("%1 calls, %2 subscribers").arg(options.calls).arg(options.subscribers)
          << Qt::endl;
    collectorDuringRun(folder, config);
    importOf(folder, config, QStringLiteral("a quoted field of 100,000 lines"),
             QByteArray("4\n").repeated(100000));
    importOf(folder, config, QStringLiteral("a 10 MB field"), QByteArray(10 * 1024 * 1024, '4'));
    return 0;
}
