// repair_bench: verify and rebuild of DESTTAR with a million calls, sound and with 1 % of its
// pages zeroed, and the merge of 31 daily tables of 30,000 calls, each step run through
// orvanta-cli as a child process: its wall time and its own peak resident memory. The rows on
// intact table-leaf pages are counted here from the file format itself (page type byte and cell
// count of every page not on the freelist), independently of the repair library, and set
// against the rows the rebuild kept.
//
//   repair_bench [--calls N] [--cli PATH]

#include "db/Database.h"
#include "db/Schema.h"

#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

extern char** environ;

namespace {

struct Figures {
    int exitCode = -1;
    double seconds = 0;
    double cpuSeconds = 0;  // user and system time of the child
    long peakKb = 0;
    QString out;
};

Figures runChild(const QString& program, const QStringList& args, const QString& outFile) {
    std::vector<QByteArray> storage{program.toLocal8Bit()};
    for (const QString& a : args) storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray out = outFile.toLocal8Bit();
    posix_spawn_file_actions_addopen(&actions, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    Figures f;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) return f;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    f.peakKb = usage.ru_maxrss;
    f.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    f.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QFile o(outFile);
    if (o.open(QIODevice::ReadOnly)) f.out = QString::fromUtf8(o.readAll()).trimmed();
    return f;
}

void report(const char* step, const Figures& f) {
    std::printf("%-40s %7.2f s wall %7.2f s cpu %8.1f MB  exit %d  | %s\n", step, f.seconds,
                f.cpuSeconds, f.peakKb / 1024.0, f.exitCode,
                qPrintable(QString(f.out).replace(QLatin1Char('\n'), QStringLiteral(" / "))));
    std::fflush(stdout);
}

quint32 be32(const uchar* p) { return (quint32(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }
quint32 be16(const uchar* p) { return (quint32(p[0]) << 8) | p[1]; }

// Cells of the table-leaf pages outside page 1 and the freelist (a file holding one table).
// The file is mapped only while counting, so that the children spawned later do not start
// from this process's memory.
qint64 rowsOnLeafPages(const QString& path, int pageSize) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const uchar* d = file.map(0, file.size());
    const quint32 pages = quint32(file.size() / pageSize);
    QSet<quint32> free;
    for (quint32 trunk = be32(d + 32); trunk && trunk <= pages && !free.contains(trunk);) {
        const uchar* t = d + qint64(trunk - 1) * pageSize;
        free.insert(trunk);
        for (quint32 i = 0; i < be32(t + 4); ++i) free.insert(be32(t + 8 + 4 * i));
        trunk = be32(t);
    }
    qint64 rows = 0;
    for (quint32 page = 2; page <= pages; ++page) {
        const uchar* p = d + qint64(page - 1) * pageSize;
        if (!free.contains(page) && p[0] == 0x0d) rows += be16(p + 3);
    }
    file.unmap(const_cast<uchar*>(d));
    return rows;
}

void makeDailyTables(const QString& folder, int days, int calls) {
    orv::db::Database db(QStringLiteral("TarifEveryday"), folder);
    for (int day = 1; day <= days; ++day) {
        orv::db::TableDef def = orv::db::schema::desttar();
        def.name = QStringLiteral("D01%1").arg(day, 2, 10, QLatin1Char('0'));
        def.fileName = def.name + QStringLiteral(".db");
        db.createTable(def);
        db.connection().exec(
            QStringLiteral(
                "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                "INSERT INTO %2 SELECT 1000000 + i % 5000, '2026-01-%3', time(i * 2 %% 86400, "
                "'unixepoch'), i % 30 + 1, i % 12, 2000000 + i, 'K' || (i % 97), NULL, "
                "i * 0.01 FROM n")
                .arg(calls)
                .arg(db.qualified(def.name))
                .arg(day, 2, 10, QLatin1Char('0'))
                .replace(QStringLiteral("%%"), QStringLiteral("%")));
    }
}

}  // namespace

int main(int argc, char** argv) {
    QString cli = QStringLiteral(ORVANTA_CLI_PATH);
    QString calls = QStringLiteral("1000000");
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString option = QString::fromLocal8Bit(argv[i]);
        if (option == QLatin1String("--calls")) calls = QString::fromLocal8Bit(argv[i + 1]);
        if (option == QLatin1String("--cli")) cli = QString::fromLocal8Bit(argv[i + 1]);
    }
    QTemporaryDir home;
    const QString standard = home.filePath(QStringLiteral("standard"));
    const QString everyday = home.filePath(QStringLiteral("everyday"));
    QDir().mkpath(standard);
    QDir().mkpath(everyday);
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    const QStringList aliases = {
        QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + standard,
        QStringLiteral("--alias"), QStringLiteral("OrvantaEveryday=") + everyday};
    const QString out = home.filePath(QStringLiteral("out.txt"));
    report("demo (generation, not measured)",
           runChild(cli,
                    aliases + QStringList{QStringLiteral("demo"), QStringLiteral("--calls"), calls},
                    out));
    const QString table = standard + QStringLiteral("/DESTTAR.db");
    const QString pristine = home.filePath(QStringLiteral("pristine.db"));
    QFile::copy(table, pristine);
    QFile file(table);
    file.open(QIODevice::ReadOnly);
    uchar header[100] = {};
    file.read(reinterpret_cast<char*>(header), 100);
    const qint64 size = file.size();
    file.close();
    const int pageSize = int(be16(header + 16));
    const quint32 pages = quint32(size / pageSize);
    std::printf("DESTTAR.db: %.1f MB, %u pages of %d bytes, %lld rows on leaf pages\n",
                size / 1048576.0, pages, pageSize,
                static_cast<long long>(rowsOnLeafPages(table, pageSize)));

    report("verify, undamaged",
           runChild(cli, aliases + QStringList{QStringLiteral("verify"), QStringLiteral("DESTTAR")},
                    out));
    report(
        "rebuild, undamaged",
        runChild(cli, aliases + QStringList{QStringLiteral("rebuild"), QStringLiteral("DESTTAR")},
                 out));

    QFile::remove(table);
    QFile::copy(pristine, table);
    QRandomGenerator random(15);
    const quint32 zeroed = pages / 100;
    QSet<quint32> hit;
    while (quint32(hit.size()) < zeroed) hit.insert(2 + random.bounded(pages - 1));
    if (!file.open(QIODevice::ReadWrite)) return 1;
    for (quint32 page : hit) {
        file.seek(qint64(page - 1) * pageSize);
        file.write(QByteArray(pageSize, '\0'));
    }
    file.close();
    const qint64 intact = rowsOnLeafPages(table, pageSize);
    std::printf("1 %% damage: %u pages zeroed, %lld rows on intact leaf pages\n", zeroed,
                static_cast<long long>(intact));
    report("verify, 1 % of pages zeroed",
           runChild(cli, aliases + QStringList{QStringLiteral("verify"), QStringLiteral("DESTTAR")},
                    out));
    const Figures rebuilt = runChild(
        cli, aliases + QStringList{QStringLiteral("rebuild"), QStringLiteral("DESTTAR")}, out);
    report("rebuild, 1 % of pages zeroed", rebuilt);
    const qint64 kept =
        rebuilt.out.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(' '), 2).toLongLong();
    std::printf("rows rescued %lld of %lld on intact leaf pages (%s)\n",
                static_cast<long long>(kept), static_cast<long long>(intact),
                kept >= intact ? "all" : "MISSING ROWS");

    makeDailyTables(everyday, 31, 30000);
    QStringList files;
    for (int day = 1; day <= 31; ++day)
        files.append(QStringLiteral("D01%1.db").arg(day, 2, 10, QLatin1Char('0')));
    report("merge of 31 daily tables of 30,000 calls",
           runChild(cli, aliases + QStringList{QStringLiteral("merge")} + files, out));
    report("merge of 9 daily tables of 30,000 calls",
           runChild(cli, aliases + QStringList{QStringLiteral("merge")} + files.mid(0, 9), out));
    return 0;
}
