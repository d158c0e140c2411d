#pragma once
// What the benchmark programs share: their output and how they give up, wall and CPU time of a
// piece of work, the peak resident memory, and a demo exchange made by orvanta-cli in a folder
// of its own, kept as a seed that each measurement copies afresh.

#include <QByteArray>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <vector>

extern char** environ;

namespace orv::bench {

using Clock = std::chrono::steady_clock;

inline QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

[[noreturn]] inline void fail(const QString& text) {
    out() << text << Qt::endl;
    std::exit(1);
}

inline double seconds(const QElapsedTimer& timer) { return double(timer.nsecsElapsed()) / 1e9; }

// The table files of a folder (not its hidden files) copied into a folder emptied first.
inline void copyFolder(const QString& from, const QString& to) {
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    for (const QString& file : QDir(from).entryList(QDir::Files)) {
        if (file.startsWith(u'.')) continue;
        if (!QFile::copy(from + u'/' + file, to + u'/' + file))
            fail(QStringLiteral("copy ") + file);
    }
}

// `orvanta-cli demo` into folder as of today, with config as its configuration and data folder;
// extra options (--months M) follow the counts. Fails the benchmark when it fails.
inline void makeExchange(const QString& folder, qint64 calls, int subscribers,
                         const QString& config, const QDate& today, const QStringList& extra = {}) {
    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_DATA_HOME"), config);
    env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"), config + QStringLiteral("/Orvanta.reg"));
    demo.setProcessEnvironment(env);
    demo.start(
        QStringLiteral(ORVANTA_CLI_PATH),
        QStringList{QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + folder,
                    QStringLiteral("--today"), today.toString(QStringLiteral("dd.MM.yyyy")),
                    QStringLiteral("demo"), QStringLiteral("--calls"), QString::number(calls),
                    QStringLiteral("--subscribers"), QString::number(subscribers)} +
            extra);
    if (!demo.waitForFinished(-1) || demo.exitStatus() != QProcess::NormalExit ||
        demo.exitCode() != 0)
        fail(QStringLiteral("demo failed: ") + QString::fromUtf8(demo.readAllStandardError()));
}

// The options of the benchmarks over a demo exchange: --calls N, --subscribers N, --months M
// (the demo's own when 0) and --keep DIR (the seed kept there and reused).
struct ExchangeOptions {
    qint64 calls = 1000000;
    int subscribers = 5000;
    int months = 0;
    QString keep;
};

inline ExchangeOptions exchangeOptions(const QStringList& args) {
    ExchangeOptions o;
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--calls"))
            o.calls = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--subscribers"))
            o.subscribers = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--months"))
            o.months = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--keep"))
            o.keep = args[i + 1];
    }
    return o;
}

// The seed exchange under temp (or in the kept folder, made there once); the settings file of
// this process goes under temp too. Returns the seed folder.
inline QString seedExchange(const QTemporaryDir& temp, const ExchangeOptions& o,
                            const QDate& today) {
    const QString config = temp.path() + QStringLiteral("/config");
    qputenv("ORVANTA_SETTINGS_FILE", (config + QStringLiteral("/Orvanta.reg")).toUtf8());
    const QString seed = o.keep.isEmpty() ? temp.path() + QStringLiteral("/seed") : o.keep;
    if (QFileInfo::exists(seed + QStringLiteral("/DESTTAR.db"))) return seed;
    QDir().mkpath(seed);
    QElapsedTimer timer;
    timer.start();
    const QStringList extra =
        o.months > 0 ? QStringList{QStringLiteral("--months"), QString::number(o.months)}
                     : QStringList{};
    makeExchange(seed, o.calls, o.subscribers, config, today, extra);
    out() << QStringLiteral("exchange made in %1 s: %2 calls, %3 subscribers\n")
                 .arg(seconds(timer), 0, 'f', 1)
                 .arg(o.calls)
                 .arg(o.subscribers);
    return seed;
}

// Wall time and the process's CPU time (user and system) of one piece of work. Other programs
// on the machine stretch the first; the second shows what the work itself costs.
struct Timing {
    double wall = 0;
    double cpu = 0;
};

inline double cpuNow() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline Timing timeOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    const double cpuStart = cpuNow();
    work();
    return {std::chrono::duration<double>(Clock::now() - start).count(), cpuNow() - cpuStart};
}

inline double peakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Runs `cli --alias ... demo --calls N --subscribers M` on root/standard and root/everyday, with
// the configuration and data folders under root; returns its exit code (-1 when it did not run).
inline int runDemo(const QString& cli, const QString& root, const QString& calls,
                   const QString& subscribers) {
    for (const char* sub : {"config", "data", "standard", "everyday"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    setenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")).constData(), 1);
    setenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")).constData(), 1);
    const QStringList args = {
        cli,
        QStringLiteral("--alias"),
        QStringLiteral("OrvantaStandard=") + root + QStringLiteral("/standard"),
        QStringLiteral("--alias"),
        QStringLiteral("OrvantaEveryday=") + root + QStringLiteral("/everyday"),
        QStringLiteral("demo"),
        QStringLiteral("--calls"),
        calls,
        QStringLiteral("--subscribers"),
        subscribers};
    std::vector<QByteArray> storage;
    for (const QString& a : args) storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace orv::bench
