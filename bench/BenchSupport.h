#pragma once
// What the benchmark programs share: wall and CPU time of a piece of work, the peak resident
// memory, and a demo exchange made by orvanta-cli in a folder of its own.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

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
