// table_editor_bench: the table editor's model and export on a month's calls. It opens DESTTAR
// in the editor's model and reads the first and the last 100 rows as the grid would, then
// copies DESTTAR with its fields and index into another alias; each step is also done directly
// with the sqlite3 C API on the same files, and the ratio printed. Peak resident memory is
// printed after the model's first opening, before any direct step has run.
//
//   table_editor_bench [--data DIR] [--calls N] [--cli PATH]
//
// Without --data it fills a temporary folder with `orvanta-cli demo`.

#include "db/Database.h"
#include "utils/TableEditModel.h"
#include "utils/TableExport.h"

#include <sqlite3.h>
#include <sys/resource.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>
#include "BenchSupport.h"

namespace {

using namespace orv::bench;

Timing better(const Timing& a, const Timing& b) { return a.wall < b.wall ? a : b; }

[[noreturn]] void fail(const char* what, sqlite3* db) {
    std::fprintf(stderr, "%s: %s\n", what, db ? sqlite3_errmsg(db) : "?");
    std::exit(1);
}

void exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, error ? error : "?");
        std::exit(1);
    }
}

// Every column of every row of a statement read as the grid reads a cell.
long long readRows(sqlite3_stmt* stmt) {
    long long cells = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
            sqlite3_column_text(stmt, c);
            ++cells;
        }
    return cells;
}

// The same work as the model, directly: every rowid into memory, then the rows of the first and
// the last 100 positions by rowid range.
void directOpenAndFetch(const QString& file, std::vector<sqlite3_int64>* rowids) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        fail("open", db);
    sqlite3_stmt* all = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT rowid FROM DESTTAR ORDER BY rowid", -1, &all, nullptr))
        fail("prepare", db);
    while (sqlite3_step(all) == SQLITE_ROW) rowids->push_back(sqlite3_column_int64(all, 0));
    sqlite3_finalize(all);
    sqlite3_stmt* range = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT rowid, * FROM DESTTAR WHERE rowid BETWEEN ? AND ?", -1,
                           &range, nullptr))
        fail("prepare", db);
    const size_t n = rowids->size();
    for (size_t first : {size_t{0}, n - 100}) {
        sqlite3_bind_int64(range, 1, (*rowids)[first]);
        sqlite3_bind_int64(range, 2, (*rowids)[first + 99]);
        readRows(range);
        sqlite3_reset(range);
    }
    sqlite3_finalize(range);
    sqlite3_close(db);
}

// What any viewer needs at the least: the count, the first and the last 100 rows.
void directCountAndEnds(const QString& file) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK)
        fail("open", db);
    for (const char* sql :
         {"SELECT count(*) FROM DESTTAR", "SELECT * FROM DESTTAR ORDER BY rowid LIMIT 100",
          "SELECT * FROM DESTTAR ORDER BY rowid DESC LIMIT 100"}) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr)) fail("prepare", db);
        readRows(stmt);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
}

// The copy directly: the source's declarations replayed in a new file, the rows moved by one
// INSERT ... SELECT from the attached source.
void directCopy(const QString& source, const QString& target) {
    QFile::remove(target);
    sqlite3* src = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(source).constData(), &src, SQLITE_OPEN_READONLY,
                        nullptr) != SQLITE_OK)
        fail("open", src);
    std::vector<QByteArray> ddl;
    sqlite3_stmt* schema = nullptr;
    if (sqlite3_prepare_v2(src,
                           "SELECT sql FROM sqlite_schema WHERE sql IS NOT NULL ORDER BY "
                           "type = 'index'",
                           -1, &schema, nullptr))
        fail("prepare", src);
    while (sqlite3_step(schema) == SQLITE_ROW)
        ddl.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(schema, 0)));
    sqlite3_finalize(schema);
    sqlite3_close(src);
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(target).constData(), &db) != SQLITE_OK) fail("open", db);
    exec(db, ddl.front().constData());
    const QByteArray attach = "ATTACH DATABASE '" + QFile::encodeName(source) + "' AS src";
    exec(db, attach.constData());
    exec(db, "BEGIN");
    exec(db, "INSERT INTO DESTTAR SELECT * FROM src.DESTTAR");
    for (size_t i = 1; i < ddl.size(); ++i) exec(db, ddl[i].constData());
    exec(db, "COMMIT");
    sqlite3_close(db);
}

int runDemo(const QString& cli, const QString& root, const QString& calls) {
    for (const char* sub : {"standard", "everyday", "config", "data"})
        QDir(root).mkpath(QString::fromLatin1(sub));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    QProcess demo;
    demo.setProcessEnvironment(env);
    demo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    demo.start(cli, {QStringLiteral("--alias"),
                     QStringLiteral("OrvantaStandard=") + root + QStringLiteral("/standard"),
                     QStringLiteral("demo"), QStringLiteral("--calls"), calls});
    if (!demo.waitForFinished(-1)) return -1;
    return demo.exitCode();
}

Timing operator+(const Timing& a, const Timing& b) { return {a.wall + b.wall, a.cpu + b.cpu}; }

void ratioLine(const char* step, const Timing& orvanta, const Timing& direct) {
    std::printf("%-44s %6.3f (%6.3f) s %6.3f (%6.3f) s %5.2fx\n", step, orvanta.wall, orvanta.cpu,
                direct.wall, direct.cpu, orvanta.wall / direct.wall);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString data;
    QString cli = QStringLiteral(ORVANTA_CLI_PATH);
    QString calls = QStringLiteral("1000000");
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == QLatin1String("--data") && hasValue) {
            data = args[++i];
        } else if (args[i] == QLatin1String("--calls") && hasValue) {
            calls = args[++i];
        } else if (args[i] == QLatin1String("--cli") && hasValue) {
            cli = args[++i];
        } else {
            std::fprintf(stderr, "table_editor_bench [--data DIR] [--calls N] [--cli PATH]\n");
            return 2;
        }
    }
    QTemporaryDir work;
    if (data.isEmpty()) {
        data = work.path() + QStringLiteral("/standard");
        if (runDemo(cli, work.path(), calls) != 0) {
            std::fprintf(stderr, "orvanta-cli demo failed\n");
            return 1;
        }
    }
    const QString target = work.path() + QStringLiteral("/target");
    QDir().mkpath(target);
    try {
        orv::db::Database in(QStringLiteral("LocalIn"), data);
        orv::db::Database out(QStringLiteral("LocalOut"), target);
        const QString file = in.tableFilePath(QStringLiteral("DESTTAR"));
        std::printf("folder: %s\n", qPrintable(data));
        const double rssBefore = peakRssMb();

        // Model and direct reads alternate, twice each, so that both see a warm file cache.
        orv::utils::TableEditModel model;
        qint64 rows = 0;
        std::vector<sqlite3_int64> rowids;
        auto openModel = [&] {
            model.close();
            model.open(in, QStringLiteral("DESTTAR"));
            rows = model.recordCount();
        };
        auto sameWork = [&] {
            rowids.clear();
            directOpenAndFetch(file, &rowids);
        };
        Timing open = timeOf(openModel);
        const double rssModel = peakRssMb();
        Timing direct = timeOf(sameWork);
        open = better(open, timeOf(openModel));
        direct = better(direct, timeOf(sameWork));
        const Timing least = timeOf([&] { directCountAndEnds(file); });
        const Timing fetch = timeOf([&] {
            for (int r : {0, static_cast<int>(rows) - 100})
                for (int row = r; row < r + 100; ++row)
                    for (int c = 0; c < model.columnCount(); ++c) model.index(row, c).data();
        });
        model.close();

        // The copies alternate, twice each into a new table, so that both see the same state
        // of the file cache and of the disk (the demo's writes may still be going out at
        // first); then one copy replaces a table that holds a million rows already.
        qint64 copied = 0;
        const QString directTarget = work.path() + QStringLiteral("/direct-DESTTAR.db");
        auto orvantaCopy = [&](const QString& name) {
            return [&, name] {
                copied = orv::utils::copyTable(in, QStringLiteral("DESTTAR"), out, name);
            };
        };
        auto plainCopy = [&] { directCopy(file, directTarget); };
        Timing copy = timeOf(orvantaCopy(QStringLiteral("Copy1")));
        const double rssCopy = peakRssMb();
        Timing directCopyTime = timeOf(plainCopy);
        copy = better(copy, timeOf(orvantaCopy(QStringLiteral("Copy2"))));
        directCopyTime = better(directCopyTime, timeOf(plainCopy));
        const Timing replace = timeOf(orvantaCopy(QStringLiteral("Copy1")));

        std::printf("rows: %lld, copied: %lld\n", static_cast<long long>(rows),
                    static_cast<long long>(copied));
        std::printf("%-44s %19s %19s %6s\n", "step", "Orvanta wall (cpu)", "sqlite3 wall (cpu)",
                    "ratio");
        ratioLine("open + first 100 + last 100 (same work)", open + fetch, direct);
        ratioLine("open + first 100 + last 100 (count + LIMIT)", open + fetch, least);
        std::printf("  of which open %.3f s, fetch %.3f s\n", open.wall, fetch.wall);
        ratioLine("export DESTTAR to another alias", copy, directCopyTime);
        ratioLine("  the same, replacing a full table", replace, directCopyTime);
        std::printf("peak RSS: %.1f MB at start, %.1f MB after the model, %.1f MB after export\n",
                    rssBefore, rssModel, rssCopy);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
