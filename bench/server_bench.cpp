// server_bench: the demo exchange on a PostgreSQL server against the same on table files. It
// makes the demo in a fresh folder, copies the whole alias onto the server (an empty database or
// schema given by its address), runs the debt run on both (and checks that the debts come out
// equal), runs the same grouped statements
// of the local dialect on both engines (and checks that they give the same rows), prints the
// invoices from both (and checks that their lines are equal), lets two seats pay at once on the
// server, and copies the alias back into a fresh folder. Figures: wall and CPU time of each
// step; for the seats, payments landed and refused and whether the debts fell by exactly the
// payments that landed.
//
// The city grouped view and the debt run are also set against plain SQL on the server doing the
// same pricing, on a second copy of the exchange in the schema "orv_plain": each pricing step's
// statement as CREATE TABLE AS sent straight through libpq, then (for the run) the old
// long-distance calls copied into OldMG and the reckoned calls deleted, in one transaction. The
// plain figure is what any program must spend on the server; the ratio is the program's own cost.
//
//   server_bench --server postgresql://[user@]host[:port]/dbname [--calls N]
//                [--subscribers N] [--cli PATH]

#include "BenchSupport.h"
#include "billing/Payment.h"
#include "calls/Pricing.h"
#include "db/Database.h"
#include "db/Dialect.h"
#include "db/FolderStore.h"
#include "db/PgConnection.h"
#include "db/Query.h"
#include "db/ServerStore.h"
#include "db/Transaction.h"
#include "utils/AliasCopy.h"

#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <QTemporaryDir>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

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

// orvanta-cli on OrvantaStandard bound to place; its output, or a failure with its message.
QByteArray runCli(const QString& cli, const QString& place, const QStringList& args) {
    QProcess process;
    process.start(
        cli,
        QStringList{QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + place} + args);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        orv::bench::fail(
            QStringLiteral("orvanta-cli %1: %2")
                .arg(args.join(u' '), QString::fromUtf8(process.readAllStandardError())));
    return process.readAllStandardOutput();
}

void compareInvoices(const QString& cli, const QString& folder, const QString& server) {
    QTemporaryDir out;
    QByteArray summary[2];
    const QString places[2] = {folder, server};
    const char* what[2] = {"invoices (CSV and PDF) from table files",
                           "invoices (CSV and PDF) from the server"};
    for (int side = 0; side < 2; ++side) {
        const QString name = out.filePath(QString::number(side));
        print(what[side], timeOf([&] {
                  summary[side] = runCli(cli, places[side],
                                         {QStringLiteral("invoices"), QStringLiteral("--csv"),
                                          name + QStringLiteral(".csv"), QStringLiteral("--pdf"),
                                          name + QStringLiteral(".pdf")});
              }));
        std::printf("  %s", summary[side].left(summary[side].indexOf('\n') + 1).constData());
    }
    QFile files[2] = {QFile(out.filePath(QStringLiteral("0.csv"))),
                      QFile(out.filePath(QStringLiteral("1.csv")))};
    const bool read = files[0].open(QIODevice::ReadOnly) && files[1].open(QIODevice::ReadOnly);
    std::printf("  invoice lines equal on both engines: %s\n",
                read && files[0].readAll() == files[1].readAll() ? "yes" : "NO");
}

struct Seat {
    std::atomic<int> landed = 0;
    std::atomic<int> refused = 0;
};

using Account = QPair<qint64, QString>;

QList<Account> debtors(orv::db::Database& db, int count) {
    orv::db::Statement read = db.statement(
        QStringLiteral("SELECT AbNumber, Priznak FROM %1 WHERE Dolg + NDS > 100 ORDER BY "
                       "AbNumber LIMIT %2")
            .arg(db.qualified(QStringLiteral("DolgTb")))
            .arg(count));
    QList<Account> accounts;
    while (read.step()) accounts.append({read.columnInt(0), read.column(1).toString()});
    return accounts;
}

// The same database, schema "orv_plain".
QString plainAddress(const QString& server) {
    return server.section(u'?', 0, 0) + QStringLiteral("?schema=orv_plain");
}

void printRatio(const char* what, double program, double plain) {
    std::printf("  %s against plain SQL on the server: %.2fx\n", what, program / plain);
}

// The pricing steps as plain SQL: each statement's result written by CREATE TABLE AS.
void pricePlainly(orv::db::Database& db, std::initializer_list<orv::calls::PricingStep> steps) {
    for (orv::calls::PricingStep step : steps) {
        const orv::db::DialectStatement statement(orv::calls::pricingStepStatement(step));
        const QString select =
            statement.render([&](const orv::db::TableRef& ref) { return db.qualified(ref.name); },
                             orv::db::SqlTarget::Postgres);
        const QString target = db.qualified(orv::calls::pricingStepTarget(step));
        db.serverConnection().exec(
            QStringLiteral("DROP TABLE IF EXISTS %1; CREATE TABLE %1 AS %2").arg(target, select));
    }
}

const std::initializer_list<orv::calls::PricingStep> kCitySteps = {
    orv::calls::PricingStep::CitySelect, orv::calls::PricingStep::CityDate,
    orv::calls::PricingStep::CityPrice};
const std::initializer_list<orv::calls::PricingStep> kLongDistanceSteps = {
    orv::calls::PricingStep::MGSelect, orv::calls::PricingStep::MGDate,
    orv::calls::PricingStep::MGPrice};

// The city grouped view: the city pricing and its priced calls read, by the program on both
// engines (their outputs compared) and as plain SQL on the server.
void compareCityGrouped(const QString& cli, const QString& folder, const QString& server,
                        orv::db::Database& plain) {
    const QString places[2] = {folder, server};
    const char* names[2] = {"grouped city view on table files", "grouped city view on the server"};
    QByteArray rows[2];
    Timing times[2];
    for (int side = 0; side < 2; ++side) {
        times[side] = timeOf([&] {
            rows[side] =
                runCli(cli, places[side], {QStringLiteral("grouped"), QStringLiteral("city")});
        });
        print(names[side], times[side]);
    }
    std::printf("  lines %lld, equal on both engines: %s\n",
                static_cast<long long>(rows[0].count('\n')), rows[0] == rows[1] ? "yes" : "NO");
    const Timing bare = timeOf([&] {
        orv::db::Transaction transaction(plain, {});
        pricePlainly(plain, kCitySteps);
        orv::db::Statement read = plain.statement(
            QStringLiteral("SELECT * FROM %1").arg(plain.qualified(QStringLiteral("TabCTGr2"))));
        while (read.step()) {
        }
        transaction.commit();
    });
    print("city pricing as plain SQL on the server", bare);
    printRatio("grouped city view", times[1].wall, bare.wall);
}

// The run's share that any program must do, as plain SQL in one transaction: both pricings, the
// old long-distance calls of known numbers into OldMG, the reckoned calls deleted.
Timing plainDebtRun(orv::db::Database& plain) {
    const QDate today = QDate::currentDate();
    const QString cutOff = QDate(today.year(), today.month(), 1).toString(Qt::ISODate);
    return timeOf([&] {
        orv::db::Transaction transaction(plain, {});
        pricePlainly(plain, kCitySteps);
        pricePlainly(plain, kLongDistanceSteps);
        const QString desttar = plain.qualified(QStringLiteral("DESTTAR"));
        plain.serverConnection().execute(
            QStringLiteral("INSERT INTO %1 SELECT DISTINCT * FROM %2 WHERE Date_of_call < $1 AND "
                           "Cat > 7 AND AbNumber IN (SELECT AbNumber FROM %3)")
                .arg(plain.qualified(QStringLiteral("OldMG")), desttar,
                     plain.qualified(QStringLiteral("AbTab"))),
            {cutOff});
        plain.serverConnection().execute(
            QStringLiteral("DELETE FROM %1 WHERE Date_of_call < $1").arg(desttar), {cutOff});
        transaction.commit();
    });
}

// The debt run on the same exchange on both engines, and whether the debts came out equal.
void compareDebtRuns(const QString& cli, const QString& folder, const QString& server,
                     orv::db::Database& plain) {
    const QString places[2] = {folder, server};
    const char* names[2] = {"debt run on table files", "debt run on the server"};
    QByteArray debts[2];
    Timing times[2];
    for (int side = 0; side < 2; ++side) {
        times[side] = timeOf([&] { runCli(cli, places[side], {QStringLiteral("debt-run")}); });
        print(names[side], times[side]);
        debts[side] = runCli(cli, places[side], {QStringLiteral("debts")});
    }
    std::printf("  debts equal on both engines: %s\n", debts[0] == debts[1] ? "yes" : "NO");
    const Timing bare = plainDebtRun(plain);
    print("pricing, OldMG and delete as plain SQL", bare);
    printRatio("debt run", times[1].wall, bare.wall);
}

double dueOf(orv::db::Database& db) {
    orv::db::Statement read = db.statement(QStringLiteral("SELECT SUM(Dolg + NDS) FROM %1")
                                               .arg(db.qualified(QStringLiteral("DolgTb"))));
    read.step();
    return read.column(0).toDouble();
}

// Two seats, each with its own session, pay kPayments small payments over the same debtors at
// once: one walks them forwards, the other backwards, so that they meet on the same number.
void seatsPaying(const QString& server) {
    constexpr int kPayments = 1000;
    constexpr int kAccounts = 40;
    orv::db::Database books(QStringLiteral("OrvantaStandard"), server);
    const QList<Account> accounts = debtors(books, kAccounts);
    if (accounts.isEmpty()) orv::bench::fail(QStringLiteral("no debts to pay"));
    const double before = dueOf(books);
    Seat seats[2];
    const auto pay = [&](int seat) {
        orv::db::Database db(QStringLiteral("OrvantaStandard"), server);
        for (int i = 0; i < kPayments; ++i) {
            const int k =
                seat == 0 ? i % accounts.size() : int(accounts.size()) - 1 - i % accounts.size();
            try {
                if (orv::billing::confirmPayment(db, accounts[k].first, accounts[k].second,
                                                 QStringLiteral("0.01"), QLocale::c(),
                                                 QDate::currentDate(), QStringLiteral("bench")))
                    ++seats[seat].landed;
            } catch (const orv::Error&) {
                ++seats[seat].refused;
            }
        }
    };
    print("two seats paying 1000 payments each at once", timeOf([&] {
              std::thread first(pay, 0);
              std::thread second(pay, 1);
              first.join();
              second.join();
          }));
    const int landed = seats[0].landed + seats[1].landed;
    std::printf("  landed %d + %d, refused %d + %d (the same number at the same moment)\n",
                seats[0].landed.load(), seats[1].landed.load(), seats[0].refused.load(),
                seats[1].refused.load());
    std::printf("  debts fell by exactly the landed payments: %s\n",
                std::abs(before - dueOf(books) - landed * 0.01) < 0.005 ? "yes" : "NO");
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
        {
            orv::db::FolderStore files(
                std::make_unique<orv::db::Database>(QStringLiteral("Files"), folder));
            orv::db::ServerStore target(address);
            print("copy-alias folder -> server",
                  timeOf([&] { orv::utils::copyAlias(files, target); }));
            target.connection().exec(QStringLiteral("ANALYZE"));
            orv::db::ServerStore plainTarget(orv::db::ServerAddress::parse(plainAddress(server)));
            orv::utils::copyAlias(files, plainTarget);
            plainTarget.connection().exec(QStringLiteral("ANALYZE"));
        }
        orv::db::Database plain(QStringLiteral("Plain"), plainAddress(server));
        compareCityGrouped(cli, folder, server, plain);
        compareDebtRuns(cli, folder, server, plain);

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

        compareInvoices(cli, folder, server);
        seatsPaying(server);

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
