// store_bench: the table store under a month's load, run through orvanta-cli as an operator
// would. It fills a fresh folder with the demo exchange, exports DESTTAR to CSV, imports that
// file into a second fresh folder, and then imports it again there (refused, every call is
// already present). Each step runs as a child process; the figures are its wall time and its
// own peak resident memory.
//
//   store_bench [--calls N] [--subscribers N] [--cli PATH]

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace {

struct Figures {
    int exitCode = -1;
    double seconds = 0;
    long peakKb = 0;
};

// Runs the program with the arguments and waits for it; its own rusage gives the peak memory.
Figures runChild(const QString& program, const QStringList& args) {
    std::vector<QByteArray> storage;
    storage.push_back(program.toLocal8Bit());
    for (const QString& a : args) storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);

    Figures figures;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        return figures;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0) {
        std::perror("wait4");
        return figures;
    }
    figures.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.peakKb = usage.ru_maxrss;
    figures.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return figures;
}

void report(const char* step, const Figures& f) {
    std::printf("%-44s %8.2f s  %8.1f MB peak RSS  exit %d\n", step, f.seconds, f.peakKb / 1024.0,
                f.exitCode);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QString cli = QStringLiteral(ORVANTA_CLI_PATH);
    QString calls = QStringLiteral("1000000");
    QString subscribers = QStringLiteral("5000");
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString option = QString::fromLocal8Bit(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (option == QLatin1String("--calls"))
            calls = value;
        else if (option == QLatin1String("--subscribers"))
            subscribers = value;
        else if (option == QLatin1String("--cli"))
            cli = value;
        else {
            std::fprintf(stderr, "store_bench [--calls N] [--subscribers N] [--cli PATH]\n");
            return 2;
        }
    }

    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    const QString root = work.path();
    for (const char* sub : {"config", "data", "demo", "import", "everyday"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    // The children keep their settings and aliases inside the temporary folder.
    setenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")).constData(), 1);
    setenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")).constData(), 1);
    const QStringList everyday = {
        QStringLiteral("--alias"),
        QStringLiteral("OrvantaEveryday=") + root + QStringLiteral("/everyday")};
    auto on = [&](const char* folder) {
        return QStringList{QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + root +
                                                          QLatin1Char('/') +
                                                          QString::fromLatin1(folder)} +
               everyday;
    };
    const QString csv = root + QStringLiteral("/calls.csv");

    std::printf("orvanta-cli: %s\ncalls: %s, subscribers: %s\n", qPrintable(cli), qPrintable(calls),
                qPrintable(subscribers));
    report("demo",
           runChild(cli,
                    on("demo") + QStringList{QStringLiteral("demo"), QStringLiteral("--calls"),
                                             calls, QStringLiteral("--subscribers"), subscribers}));
    report("export DESTTAR to CSV",
           runChild(cli, on("demo") + QStringList{QStringLiteral("export"),
                                                  QStringLiteral("DESTTAR"), csv}));
    std::printf("CSV file: %.1f MB\n", QFileInfo(csv).size() / 1048576.0);
    report("init (fresh folder)",
           runChild(cli, on("import") + QStringList{QStringLiteral("init")}));
    report("import-calls into empty DESTTAR",
           runChild(cli, on("import") + QStringList{QStringLiteral("import-calls"), csv}));
    report("import-calls again (all present, refused)",
           runChild(cli, on("import") + QStringList{QStringLiteral("import-calls"), csv}));
    return 0;
}
