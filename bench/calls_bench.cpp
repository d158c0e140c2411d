// calls_bench: the call views and the pricing pipelines on a month's load. For the all-calls
// view (open, exact count, first 100 rows) and for every pipeline step it prints Orvanta's time,
// the time of the same SQL run directly with the sqlite3 C API on the same files, and their
// ratio; then the grouped views end to end, and the peak resident memory after the all-calls
// view (measured first, before anything else has grown the process).
//
//   calls_bench [--data DIR] [--calls N] [--subscribers N] [--cli PATH] [--written]
//
// Without --data it fills a temporary folder with `orvanta-cli demo`. --written also times the
// date steps as written (calls x tariff rows), directly with SQLite; that takes minutes.

#include "calls/CallStatements.h"
#include "calls/GroupedViews.h"
#include "calls/ListingViews.h"
#include "calls/Pricing.h"
#include "core/Error.h"
#include "core/Selection.h"
#include "db/Database.h"
#include "db/Dialect.h"
#include "db/Query.h"

#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>
#include "BenchSupport.h"

namespace {

using namespace orv::bench;

// The better of two runs, so that both sides see a warm file cache.
Timing bestOf2(const std::function<void()>& work) {
    const Timing first = timeOf(work);
    const Timing second = timeOf(work);
    return second.wall < first.wall ? second : first;
}

void fail(const char* what, sqlite3* db) {
    std::fprintf(stderr, "%s: %s\n", what, db ? sqlite3_errmsg(db) : "?");
    std::exit(1);
}

// A plain sqlite3 connection on the same folder: every table file attached under its own name,
// the local-dialect statement translated once and run as it is, no table store in between.
// Results are written into a scratch file of its own, so the pipeline's tables stay Orvanta's.
class Direct {
  public:
    Direct(orv::db::Database& names, const QString& folder) : names_(names) {
        const QByteArray main = QFile::encodeName(folder + QStringLiteral("/.bench-direct"));
        if (sqlite3_open(main.constData(), &db_) != SQLITE_OK) fail("open", db_);
        exec("PRAGMA temp_store=MEMORY; PRAGMA journal_mode=DELETE;");
    }
    ~Direct() { sqlite3_close(db_); }

    // Attaches the statement's tables (only those: at most ten files fit) and translates it.
    QString render(const QString& localSql) {
        for (auto it = attached_.cbegin(); it != attached_.cend(); ++it)
            exec(QStringLiteral("DETACH DATABASE \"%1\"").arg(it.value()).toUtf8().constData());
        attached_.clear();
        const orv::db::DialectStatement statement(localSql);
        return statement.render([this](const orv::db::TableRef& ref) {
            const QString canonical = names_.canonicalName(ref.name);
            if (!attached_.contains(canonical.toLower())) {
                const QString sql = QStringLiteral("ATTACH DATABASE '%1' AS \"%2\"")
                                        .arg(names_.tableFilePath(canonical), canonical);
                exec(sql.toUtf8().constData());
                attached_.insert(canonical.toLower(), canonical);
            }
            return QStringLiteral("\"%1\".\"%1\"").arg(canonical);
        });
    }

    // Steps through every row; reads every column of the first 100. Returns the row count.
    qint64 select(const QString& localSql, const QHash<QString, QVariant>& parameters) {
        sqlite3_stmt* stmt = prepare(render(localSql));
        for (int i = 1; i <= sqlite3_bind_parameter_count(stmt); ++i) {
            const QVariant v =
                parameters.value(QString::fromUtf8(sqlite3_bind_parameter_name(stmt, i) + 1));
            if (v.typeId() == QMetaType::LongLong) {
                sqlite3_bind_int64(stmt, i, v.toLongLong());
            } else {
                const QByteArray text = v.toString().toUtf8();
                sqlite3_bind_text(stmt, i, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            }
        }
        qint64 rows = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            if (rows++ < 100)
                for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                    bytesRead_ += sqlite3_column_bytes(stmt, c);
        }
        sqlite3_finalize(stmt);
        return rows;
    }

    // Copies the statement's rows into a fresh table of the scratch file, in one transaction.
    void copy(const QString& localSql) {
        const QString select = render(localSql);
        exec("DROP TABLE IF EXISTS main.bench_result; BEGIN;");
        exec((QStringLiteral("CREATE TABLE main.bench_result AS ") + select).toUtf8().constData());
        exec("COMMIT;");
    }

  private:
    void exec(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n%s\n", sql, error ? error : "?");
            std::exit(1);
        }
    }
    sqlite3_stmt* prepare(const QString& sql) {
        sqlite3_stmt* stmt = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db_, text.constData(), -1, &stmt, nullptr) != SQLITE_OK)
            fail(text.constData(), db_);
        return stmt;
    }

    orv::db::Database& names_;
    sqlite3* db_ = nullptr;
    QHash<QString, QString> attached_;  // lower-case name -> schema name
    qint64 bytesRead_ = 0;  // keeps the reads of the first rows from being optimised away
};

void row(const char* what, const Timing& orvanta, const Timing& direct = {}) {
    if (orvanta.wall == 0)
        std::printf("%-34s %19s %7.3f s (%6.3f)\n", what, "", direct.wall, direct.cpu);
    else if (direct.wall == 0)
        std::printf("%-34s %7.3f s (%6.3f)\n", what, orvanta.wall, orvanta.cpu);
    else
        std::printf("%-34s %7.3f s (%6.3f) %7.3f s (%6.3f) %6.2fx\n", what, orvanta.wall,
                    orvanta.cpu, direct.wall, direct.cpu, orvanta.wall / direct.wall);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString data;
    QString cli = QStringLiteral(ORVANTA_CLI_PATH);
    QString calls = QStringLiteral("1000000");
    QString subscribers = QStringLiteral("5000");
    bool written = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == QLatin1String("--written")) {
            written = true;
        } else if (args[i] == QLatin1String("--data") && hasValue) {
            data = args[++i];
        } else if (args[i] == QLatin1String("--calls") && hasValue) {
            calls = args[++i];
        } else if (args[i] == QLatin1String("--subscribers") && hasValue) {
            subscribers = args[++i];
        } else if (args[i] == QLatin1String("--cli") && hasValue) {
            cli = args[++i];
        } else {
            std::fprintf(stderr,
                         "calls_bench [--data DIR] [--calls N] [--subscribers N] [--cli PATH] "
                         "[--written]\n");
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
        orv::db::Database db(QStringLiteral("TarifStandard"), data);
        std::printf("folder: %s\n", qPrintable(data));
        std::printf("%-34s %19s %19s %7s\n", "step", "Orvanta wall (cpu)", "sqlite3 wall (cpu)",
                    "ratio");

        // The all-calls view first, so that the peak memory is the view's.
        orv::calls::ListingViews views(db);
        qint64 rows = 0;
        const Timing viewTime = timeOf([&] {
            orv::db::Query& q = views.open(orv::calls::Listing::All, orv::core::SelectionPanel());
            rows = q.recordCount();
            for (qint64 r = 0; r < std::min<qint64>(100, rows); ++r)
                for (int f = 0; f < q.fields().size(); ++f) q.value(r, f);
        });
        const double viewRss = peakRssMb();
        views.query(orv::calls::Listing::All).close();

        Direct direct(db, data);
        const QHash<QString, QVariant> open = {
            {QStringLiteral("NumberFrom"), qint64(0)},
            {QStringLiteral("NumberTo"), qint64(9999999)},
            {QStringLiteral("DateFrom"), QStringLiteral("1990-01-01")},
            {QStringLiteral("DateTo"), QStringLiteral("2100-01-01")},
            {QStringLiteral("TimeFrom"), QStringLiteral("00:00:00")},
            {QStringLiteral("TimeTo"), QStringLiteral("23:59:59")},
            {QStringLiteral("TimeFrom1"), QStringLiteral("00:00:00")},
            {QStringLiteral("TimeTo1"), QStringLiteral("23:59:59")},
        };
        qint64 directRows = 0;
        const Timing directView =
            bestOf2([&] { directRows = direct.select(orv::calls::sql::QueryAll(), open); });
        const Timing viewAgain = bestOf2([&] {
            orv::db::Query& q = views.open(orv::calls::Listing::All, orv::core::SelectionPanel());
            for (qint64 r = 0; r < std::min<qint64>(100, q.recordCount()); ++r)
                for (int f = 0; f < q.fields().size(); ++f) q.value(r, f);
            q.close();
        });
        row("all-calls view (first open)", viewTime);
        row("all-calls view", viewAgain, directView);
        std::printf("  rows: %lld (direct %lld)\n", static_cast<long long>(rows),
                    static_cast<long long>(directRows));

        using orv::calls::PricingStep;
        const struct {
            const char* name;
            PricingStep step;
        } steps[] = {
            {"city: select (QueryCityGroup1)", PricingStep::CitySelect},
            {"city: date (..MaxLatest)", PricingStep::CityDate},
            {"city: price (QueryCityGroup2)", PricingStep::CityPrice},
            {"mg: select (QueryMGGroup1)", PricingStep::MGSelect},
            {"mg: date (..MaxLatest)", PricingStep::MGDate},
            {"mg: price (QueryMGGroup2)", PricingStep::MGPrice},
            {"all: union (QueryAllGroup1)", PricingStep::AllUnion},
        };
        for (const auto& s : steps) {
            qint64 copied = 0;
            const Timing mine = bestOf2([&] { copied = orv::calls::runPricingStep(db, s.step); });
            const Timing theirs =
                bestOf2([&] { direct.copy(orv::calls::pricingStepStatement(s.step)); });
            row(s.name, mine, theirs);
            std::printf("  rows: %lld into %s\n", static_cast<long long>(copied),
                        qPrintable(orv::calls::pricingStepTarget(s.step)));
        }
        const struct {
            const char* name;
            const QString& (*statement)();
        } totals[] = {{"city: totals (QueryCityGroup3)", orv::calls::sql::QueryCityGroup3},
                      {"mg: totals (QueryMGGroup3)", orv::calls::sql::QueryMGGroup3},
                      {"all: totals (QueryAllGroup2)", orv::calls::sql::QueryAllGroup2}};
        for (const auto& t : totals) {
            orv::db::Query q(db, t.statement());
            const Timing mine = bestOf2([&] { q.open(); });
            const Timing theirs = bestOf2([&] { direct.select(t.statement(), {}); });
            row(t.name, mine, theirs);
        }
        if (written) {
            // The written date steps read the select steps' tables, which are in place now.
            row("city: date as written (direct)", {},
                timeOf([&] { direct.copy(orv::calls::sql::QueryCityGroupMax()); }));
            row("mg: date as written (direct)", {},
                timeOf([&] { direct.copy(orv::calls::sql::QueryMGGroupMax()); }));
        }

        orv::calls::GroupedViews grouped(db);
        const struct {
            const char* name;
            orv::calls::Grouped view;
        } views3[] = {{"city grouped view, end to end", orv::calls::Grouped::City},
                      {"long-distance grouped view", orv::calls::Grouped::LongDistance},
                      {"combined grouped view", orv::calls::Grouped::All}};
        for (int run = 1; run <= 2; ++run) {
            for (const auto& v : views3) {
                qint64 groups = 0;
                const Timing t = timeOf([&] { groups = grouped.open(v.view).recordCount(); });
                row(v.name, t);
                std::printf("  run %d, groups: %lld\n", run, static_cast<long long>(groups));
            }
        }
        std::printf("peak RSS after the all-calls view: %.1f MB\n", viewRss);
        std::printf("peak RSS at the end: %.1f MB\n", peakRssMb());
    } catch (const orv::Error& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    QFile::remove(data + QStringLiteral("/.bench-direct"));
    return 0;
}
