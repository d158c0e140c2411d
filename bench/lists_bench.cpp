// lists_bench: the number-list filter and the subscriber fill on a month's load. It prints the
// all-calls view and the debt view opened without the filter and with a list of 5,000 numbers
// (the list file read and checked, the filter set, the view opened and counted), the re-filter
// of the open all-calls view, and the subscriber fill of 100,000 numbers into empty tables and
// its repeat, which adds nothing.
//
//   lists_bench [--data DIR] [--calls N] [--subscribers N] [--cli PATH]
//
// Without --data it fills a temporary folder with `orvanta-cli demo`. The debt view needs debt
// rows: when DolgTb is empty, one row per subscriber is added.

#include "billing/DebtViews.h"
#include "calls/ListingViews.h"
#include "core/Error.h"
#include "core/Selection.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Schema.h"
#include "utils/ListTextFile.h"
#include "utils/NumberLists.h"
#include "utils/SubscriberFill.h"

#include <spawn.h>
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
#include "BenchSupport.h"

namespace {

using namespace orv::bench;

void row(const char* what, const Timing& t, qint64 rows) {
    std::printf("%-44s %7.3f s (%6.3f cpu) %9lld rows\n", what, t.wall, t.cpu,
                static_cast<long long>(rows));
    std::fflush(stdout);
}

// A list of the first `count` subscriber numbers, written as the list editor writes them.
QString writeList(orv::db::Database& db, const QString& folder, int count) {
    orv::db::Query numbers(db,
                           QStringLiteral("SELECT DISTINCT AbNumber FROM AbTab ORDER BY AbNumber"));
    numbers.open();
    QStringList lines;
    for (qint64 r = 0; r < numbers.recordCount() && lines.size() < count; ++r)
        lines.append(numbers.value(r, 0).toString().rightJustified(7, QLatin1Char(' ')));
    const QString path = folder + QStringLiteral("/bench.lst");
    orv::utils::writeListLines(path, lines);
    std::printf("list: %lld numbers of %lld subscribers\n", static_cast<long long>(lines.size()),
                static_cast<long long>(numbers.recordCount()));
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString data;
    QString cli = QStringLiteral(ORVANTA_CLI_PATH);
    QString calls = QStringLiteral("1000000");
    QString subscribers = QStringLiteral("5000");
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == QLatin1String("--data") && hasValue) {
            data = args[++i];
        } else if (args[i] == QLatin1String("--calls") && hasValue) {
            calls = args[++i];
        } else if (args[i] == QLatin1String("--subscribers") && hasValue) {
            subscribers = args[++i];
        } else if (args[i] == QLatin1String("--cli") && hasValue) {
            cli = args[++i];
        } else {
            std::fprintf(stderr,
                         "lists_bench [--data DIR] [--calls N] [--subscribers N] [--cli PATH]\n");
            return 2;
        }
    }
    QTemporaryDir work;
    if (data.isEmpty()) {
        data = work.path() + QStringLiteral("/standard");
        if (runDemo(cli, work.path(), calls, subscribers) != 0) {
            std::fprintf(stderr, "orvanta-cli demo failed\n");
            return 1;
        }
    }

    try {
        using orv::calls::Listing;
        orv::db::Database db(QStringLiteral("TarifStandard"), data);
        std::printf("folder: %s\n", qPrintable(data));
        const QString list = writeList(db, work.path(), 5000);
        orv::db::Query debtRows(db, QStringLiteral("SELECT Count(*) FROM DolgTb"));
        debtRows.open();
        if (debtRows.value(0, 0).toLongLong() == 0)
            orv::db::Query(db, QStringLiteral("INSERT INTO DolgTb (AbNumber, Priznak, YearMonth, "
                                              "Dolg) SELECT AbNumber, Priznak, '2026-04-01', 1 "
                                              "FROM AbTab"))
                .execute();
        debtRows.close();

        orv::calls::ListingViews views(db);
        qint64 rows = 0;
        const orv::core::SelectionPanel panel;
        const Timing plain = timeOf([&] { rows = views.open(Listing::All, panel).recordCount(); });
        row("all calls, unfiltered", plain, rows);
        const Timing filtered = timeOf([&] {
            views.setListFilter(*orv::utils::readListFilter(list));
            views.setListFiltered(true);
            rows = views.open(Listing::All, panel).recordCount();
        });
        row("all calls, list of 5,000 (read, set, open)", filtered, rows);
        const Timing refilter = timeOf([&] {
            views.setListFiltered(false);
            views.setListFiltered(true);
            rows = views.query(Listing::All).recordCount();
        });
        row("all calls, open view off and on again", refilter, rows);
        views.query(Listing::All).close();

        orv::billing::DebtViews debts(db);
        const Timing debtPlain = timeOf([&] { rows = debts.openDolg().recordCount(); });
        row("debts, unfiltered", debtPlain, rows);
        const Timing debtFiltered = timeOf([&] {
            debts.setListFilter(*orv::utils::readListFilter(list));
            debts.setListFiltered(true);
            rows = debts.openDolg().recordCount();
        });
        row("debts, list of 5,000 (read, set, open)", debtFiltered, rows);
        debts.queryDolg().close();

        QTemporaryDir fillDir;
        orv::db::Database fillDb(QStringLiteral("TarifStandard"), fillDir.path());
        fillDb.createTable(orv::db::schema::abTab());
        fillDb.createTable(orv::db::schema::paneDate());
        orv::utils::SubscriberFillResult added;
        const Timing fill = timeOf([&] {
            added = orv::utils::fillSubscribers(fillDb, 1000000, 1099999, QStringLiteral("ALL"),
                                                QStringLiteral("YES"));
        });
        row("subscriber fill of 100,000 numbers", fill, added.abTabAdded + added.paneDateAdded);
        const Timing repeat = timeOf([&] {
            added = orv::utils::fillSubscribers(fillDb, 1000000, 1099999, QStringLiteral("ALL"),
                                                QStringLiteral("YES"));
        });
        row("the same fill again (adds nothing)", repeat, added.abTabAdded + added.paneDateAdded);
    } catch (const orv::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
