// cdr_bench: the exchange's records and the unbilled calls on a big load. It fills a demo
// exchange with `orvanta-cli demo`, writes its calls twice, as an Asterisk Master.csv and as an
// import-calls CSV, and loads each into an empty folder with orvanta-cli (import-cdr with the
// shipped sample dial plan, import-calls), printing wall time and peak memory of each and their
// ratio. Then, on the demo folder, the unbilled-calls view against the city grouped view.
//
//   cdr_bench [--calls N] [--subscribers N] [--cli PATH] [--demo DIR]
//
// --demo takes the demo folder of an earlier run instead of filling a new one.
//
// Figures (1,000,000 demo calls, 5,000 subscribers, Release, a lightly loaded 2-core machine):
// import-cdr 13.7 s / 99 MB peak, import-calls 33.8 s / 105 MB (0.41x time, 0.94x memory);
// unbilled view 5.5 s (171,769 calls) against the city grouped view 7.8 s (0.71x).

#include "calls/DialPlan.h"
#include "calls/GroupedViews.h"
#include "calls/Unbilled.h"
#include "db/Database.h"

#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    int code = -1;
    double seconds = 0;
    double peakMb = 0;
};

// Runs orvanta-cli with the folders of root and waits for it.
Run runCli(const QString& cli, const QString& root, const QString& standard,
           const QStringList& command) {
    setenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")).constData(), 1);
    setenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")).constData(), 1);
    const QStringList args =
        QStringList{cli, QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + standard} +
        command;
    std::vector<QByteArray> storage;
    for (const QString& a : args) storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    Run run;
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakMb = usage.ru_maxrss / 1024.0;
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

QString text(sqlite3_stmt* s, int i) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    return p ? QString::fromUtf8(p) : QString();
}

// Writes the demo's calls as Master.csv rows and as import-calls rows; returns the call count.
qint64 writeFiles(const QString& desttar, const QString& asteriskPath, const QString& csvPath) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(desttar).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT AbNumber,Date_of_call,Time_of_call,Longivity,Cat,Number_of_call,"
                       "Code,CodeForeign,TRF FROM DESTTAR",
                       -1, &s, nullptr);
    QFile asterisk(asteriskPath);
    QFile csv(csvPath);
    asterisk.open(QIODevice::WriteOnly);
    csv.open(QIODevice::WriteOnly);
    csv.write(
        "AbNumber,Date_of_call,Time_of_call,Longivity,Cat,Number_of_call,Code,CodeForeign,"
        "TRF\n");
    qint64 n = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        const QString number = text(s, 0);
        const QString stamp = text(s, 1) + QLatin1Char(' ') + text(s, 2);
        const int cat = sqlite3_column_int(s, 4);
        const QString code = text(s, 6);
        const QString foreign = text(s, 7);
        const QString dialled = cat < 8          ? text(s, 5)
                                : code.isEmpty() ? QStringLiteral("810") + foreign + text(s, 5)
                                                 : QStringLiteral("8") + code + text(s, 5);
        const int seconds = sqlite3_column_int(s, 3) * 60;
        asterisk.write(QStringLiteral("\"\",\"%1\",\"%2\",\"from-internal\",\"\"\"%1\"\" <%1>\","
                                      "\"SIP/%1-%3\",\"SIP/trunk-%3\",\"Dial\",\"SIP/trunk/%2,60\","
                                      "\"%4\",\"%4\",\"%4\",%5,%5,\"ANSWERED\",\"DOCUMENTATION\","
                                      "\"1700000000.%3\",\"\"\n")
                           .arg(number, dialled)
                           .arg(n)
                           .arg(stamp)
                           .arg(seconds)
                           .toUtf8());
        csv.write(QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9\n")
                      .arg(number, text(s, 1), text(s, 2), text(s, 3), text(s, 4), text(s, 5), code,
                           foreign, text(s, 8))
                      .toUtf8());
        ++n;
    }
    sqlite3_finalize(s);
    sqlite3_close(db);
    return n;
}

double secondsOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString cli = QStringLiteral(ORVANTA_CLI_PATH);
    QString calls = QStringLiteral("1000000");
    QString subscribers = QStringLiteral("5000");
    QString existing;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--calls")) calls = args[i + 1];
        if (args[i] == QLatin1String("--subscribers")) subscribers = args[i + 1];
        if (args[i] == QLatin1String("--cli")) cli = args[i + 1];
        if (args[i] == QLatin1String("--demo")) existing = args[i + 1];
    }
    QTemporaryDir root;
    const QString demo = existing.isEmpty() ? root.filePath(QStringLiteral("demo")) : existing;
    for (const char* sub : {"config", "data", "demo", "cdr", "csv"})
        QDir(root.path()).mkpath(QString::fromLatin1(sub));
    std::printf("demo of %s calls...\n", qPrintable(calls));
    std::fflush(stdout);
    if (existing.isEmpty() && runCli(cli, root.path(), demo,
                                     {QStringLiteral("demo"), QStringLiteral("--calls"), calls,
                                      QStringLiteral("--subscribers"), subscribers,
                                      QStringLiteral("--months"), QStringLiteral("1")})
                                      .code != 0) {
        std::fprintf(stderr, "demo failed\n");
        return 1;
    }
    const QString asteriskFile = root.filePath(QStringLiteral("Master.csv"));
    const QString csvFile = root.filePath(QStringLiteral("calls.csv"));
    const qint64 n = writeFiles(demo + QStringLiteral("/DESTTAR.db"), asteriskFile, csvFile);
    const QString plan = root.filePath(QStringLiteral("dialplan.conf"));
    {
        QFile f(plan);
        f.open(QIODevice::WriteOnly);
        f.write(orv::calls::DialPlan::sample().toUtf8());
    }
    for (const char* table : {"Sng.db", "Foren.db"})
        QFile::copy(demo + QLatin1Char('/') + QLatin1String(table),
                    root.filePath(QStringLiteral("cdr/")) + QLatin1String(table));
    const QString cdrFolder = root.filePath(QStringLiteral("cdr"));
    const QString csvFolder = root.filePath(QStringLiteral("csv"));
    runCli(cli, root.path(), cdrFolder, {QStringLiteral("init")});
    runCli(cli, root.path(), csvFolder, {QStringLiteral("init")});

    const Run cdr = runCli(cli, root.path(), cdrFolder,
                           {QStringLiteral("import-cdr"), QStringLiteral("asterisk"), asteriskFile,
                            QStringLiteral("--dialplan"), plan});
    const Run csv = runCli(cli, root.path(), csvFolder, {QStringLiteral("import-calls"), csvFile});
    std::printf("%lld calls\n", static_cast<long long>(n));
    std::printf("import-cdr asterisk   %7.2f s  peak %7.1f MB  (exit %d)\n", cdr.seconds,
                cdr.peakMb, cdr.code);
    std::printf("import-calls          %7.2f s  peak %7.1f MB  (exit %d)\n", csv.seconds,
                csv.peakMb, csv.code);
    std::printf("ratio                 %7.2fx time, %.2fx memory\n", cdr.seconds / csv.seconds,
                cdr.peakMb / csv.peakMb);
    std::fflush(stdout);

    orv::db::Database db(QStringLiteral("TarifStandard"), demo);
    orv::calls::GroupedViews grouped(db);
    orv::calls::UnbilledView unbilled(db);
    const double city = secondsOf([&] { grouped.open(orv::calls::Grouped::City); });
    qint64 rows = 0;
    const double view = secondsOf([&] { rows = unbilled.open().recordCount(); });
    std::printf("city grouped view     %7.2f s\n", city);
    std::printf("unbilled view         %7.2f s  (%lld calls)  %.2fx\n", view,
                static_cast<long long>(rows), view / city);
    return 0;
}
