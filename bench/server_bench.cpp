// server_bench: the demo exchange on a PostgreSQL server against the same on table files. It
// makes the demo in a fresh folder, copies the whole alias onto the server (an empty database or
// schema given by its address), runs the same grouped statements of the local dialect on both
// engines (and checks that they give the same rows), and copies the alias back into a fresh
// folder. Figures: wall and CPU time of each step.
//
//   server_bench --server postgresql://[user@]host[:port]/dbname[?schema=NAME] [--calls N]
//                [--subscribers N] [--cli PATH]

#include "BenchSupport.h"
#include "db/Database.h"
#include "db/Dialect.h"
#include "db/FolderStore.h"
#include "db/Query.h"
#include "db/ServerStore.h"
#include "utils/AliasCopy.h"

#include <QCoreApplication>
#include <QDate>
#include <QTemporaryDir>
#include <cstdio>

namespace {

using orv::bench::timeOf;
using orv::bench::Timing;

const char* const kStatements[] = {
    "SELECT AbNumber, COUNT(*) Звонков, SUM(Longivity) Секунд FROM DESTTAR WHERE Cat < 8 AND "
    "Date_of_call BETWEEN :DateFrom AND :DateTo GROUP BY AbNumber ORDER BY AbNumber",
    "SELECT dt.AbNumber, ab.Priznak, COUNT(*) Звонков FROM DESTTAR dt, AbTab ab WHERE "
    "dt.AbNumber = ab.AbNumber AND ab.Exist = \"YES\" AND dt.Cat > 7 AND dt.Date_of_call BETWEEN "
    ":DateFrom AND :DateTo GROUP BY dt.AbNumber, ab.Priznak ORDER BY dt.AbNumber, ab.Priznak",
};

void print(const char* what, const Timing& t) {
    std::printf("%-48s %8.2f s wall %8.2f s cpu\n", what, t.wall, t.cpu);
}

QStringList rowsOnFiles(orv::db::Database& db, const QString& sql, const QDate& from,
                        const QDate& to) {
    orv::db::Query query(db, sql);
    query.setDate(QStringLiteral("DateFrom"), from);
    query.setDate(QStringLiteral("DateTo"), to);
    query.open();
    QStringList rows;
    for (qint64 r = 0; r < query.recordCount(); ++r) {
        QStringList values;
        for (int f = 0; f < query.fields().size(); ++f)
            values.append(orv::db::displayText(query.value(r, f)));
        rows.append(values.join(u'|'));
    }
    return rows;
}

QStringList rowsOnServer(orv::db::ServerStore& store, const QString& sql, const QDate& from,
                         const QDate& to) {
    const orv::db::DialectStatement statement(sql);
    const auto prepared = store.prepare(statement);
    prepared->bind(QStringLiteral("DateFrom"), from);
    prepared->bind(QStringLiteral("DateTo"), to);
    QStringList rows;
    while (prepared->step()) {
        QStringList values;
        for (int i = 0; i < prepared->columnCount(); ++i)
            values.append(orv::db::displayText(prepared->column(i)));
        rows.append(values.join(u'|'));
    }
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString server, calls = QStringLiteral("1000000"), subscribers = QStringLiteral("5000");
    QString cli = QStringLiteral(ORVANTA_CLI_PATH);
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--server")) server = args[i + 1];
        if (args[i] == QLatin1String("--calls")) calls = args[i + 1];
        if (args[i] == QLatin1String("--subscribers")) subscribers = args[i + 1];
        if (args[i] == QLatin1String("--cli")) cli = args[i + 1];
    }
    if (server.isEmpty()) {
        std::fprintf(stderr,
                     "usage: server_bench --server postgresql://... [--calls N] "
                     "[--subscribers N]\n");
        return 2;
    }
    try {
        QTemporaryDir root;
        if (orv::bench::runDemo(cli, root.path(), calls, subscribers) != 0) {
            std::fprintf(stderr, "demo failed\n");
            return 1;
        }
        const QString folder = root.path() + QStringLiteral("/standard");
        const orv::db::ServerAddress address = orv::db::ServerAddress::parse(server);
        std::printf("%s calls, %s subscribers\n", qPrintable(calls), qPrintable(subscribers));

        orv::db::FolderStore files(
            std::make_unique<orv::db::Database>(QStringLiteral("Files"), folder));
        orv::db::ServerStore target(address);
        print("copy-alias folder -> server", timeOf([&] { orv::utils::copyAlias(files, target); }));
        target.connection().exec(QStringLiteral("ANALYZE"));

        orv::db::Database db(QStringLiteral("Files"), folder);
        orv::db::ServerStore onServer(address);
        const QDate to = QDate::currentDate();
        const QDate from = to.addMonths(-1);
        for (const char* text : kStatements) {
            const QString sql = QString::fromUtf8(text);
            QStringList fileRows, serverRows;
            print("grouped statement on table files",
                  timeOf([&] { fileRows = rowsOnFiles(db, sql, from, to); }));
            print("grouped statement on the server",
                  timeOf([&] { serverRows = rowsOnServer(onServer, sql, from, to); }));
            std::printf("  rows %lld, equal on both engines: %s\n",
                        static_cast<long long>(fileRows.size()),
                        fileRows == serverRows ? "yes" : "NO");
        }

        QTemporaryDir back;
        orv::db::FolderStore backFiles(
            std::make_unique<orv::db::Database>(QStringLiteral("Back"), back.path()));
        orv::db::ServerStore source(address);
        print("copy-alias server -> folder",
              timeOf([&] { orv::utils::copyAlias(source, backFiles); }));
        std::printf("peak memory %.0f MB\n", orv::bench::peakRssMb());
    } catch (const orv::Error& e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 1;
    }
    return 0;
}
