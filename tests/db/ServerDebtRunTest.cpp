// The debt run on a server alias: the same exchange reckoned in a folder and on the server gives
// the same debts, totals, journal and archive; a second run on any seat is refused while one
// works; the collector's inserts during the run are never refused and each call ends either
// archived or still in DESTTAR. The run is held inside its transaction by the pause hook
// (SIGSTOP), so the order of events is fixed, not timed.

#include "HeldRun.h"
#include "ServerRunFixture.h"
#include "billing/ArchivedListing.h"
#include "calls/ListingViews.h"
#include "core/Selection.h"
#include "db/Database.h"
#include "db/PgConnection.h"
#include "db/Query.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QProcess>
#include <QThread>
#include <cmath>

namespace orv::test {
namespace {

// Whether a session of the database comes to wait for a lock before the process ends; gives up
// after a minute.
bool seenWaitingForALock(db::PgConnection& watcher, const QProcess& process) {
    const QDeadlineTimer deadline(60000);
    const QString waiting = QStringLiteral(
        "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database() AND "
        "wait_event_type = 'Lock'");
    while (!deadline.hasExpired() && process.state() != QProcess::NotRunning) {
        if (watcher.scalar(waiting).toLongLong() > 0) return true;
        QThread::msleep(20);
    }
    return false;
}

TEST_F(ServerDebtRun, ReckonsAndArchivesAsOnTableFiles) {
    const CliOutcome here = onFolder({QStringLiteral("debt-run")});
    const CliOutcome there = onServer({QStringLiteral("debt-run")});
    ASSERT_EQ(here.code, 0) << here;
    ASSERT_EQ(there.code, 0) << there;
    EXPECT_EQ(there.out, here.out);

    expectSame({QStringLiteral("debts")});
    for (const char* table : {"PrDlgCt", "PrDlgMG", "DolgDR"})
        expectSameRows(QStringLiteral("SELECT AbNumber, Priznak, Count_of_calls, Sum_of_long, "
                                      "Sum_of_cost, Date_of_raschet FROM %1 ORDER BY AbNumber, "
                                      "Priznak, Date_of_raschet, Sum_of_cost")
                           .arg(QLatin1String(table)));
    expectSameRows(
        QStringLiteral("SELECT YearMonth, LastYearMonth, Date_of_run, Months, "
                       "NdsPercent, LastPane FROM DolgJournal"));
    expectSameRows(
        QStringLiteral("SELECT AbNumber, Date_of_call, Time_of_call, Longivity, "
                       "Number_of_call, TRF FROM OldMG ORDER BY AbNumber, "
                       "Date_of_call, Time_of_call, Longivity, Number_of_call"));
    expectSameRows(QStringLiteral("SELECT count(*) AS Calls FROM DESTTAR"));

    // Month and calls agree; the bytes are each engine's own.
    const CliOutcome folderArchive = onFolder({QStringLiteral("archive")});
    const CliOutcome serverArchive = onServer({QStringLiteral("archive")});
    ASSERT_EQ(serverArchive.code, 0) << serverArchive;
    const QStringList months = folderArchive.out.split(u'\n', Qt::SkipEmptyParts);
    const QStringList serverMonths = serverArchive.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(serverMonths.size(), months.size()) << serverArchive;
    ASSERT_FALSE(months.isEmpty());
    for (qsizetype i = 0; i < months.size(); ++i) {
        EXPECT_EQ(serverMonths[i].section(u'\t', 0, 1), months[i].section(u'\t', 0, 1));
        const QString statement = expectSame(
            {QStringLiteral("statement"), QStringLiteral("--numbers"), QStringLiteral("0-9999999"),
             QStringLiteral("--month"), months[i].section(u'\t', 0, 0)});
        EXPECT_GT(statement.count(u'\n'), 3);
    }

    // The month is reckoned: a second run is refused there as here, and changes nothing.
    const CliOutcome again = onServer({QStringLiteral("debt-run")});
    EXPECT_EQ(again.code, 1) << again;
    EXPECT_EQ(again.err, onFolder({QStringLiteral("debt-run")}).err);
    expectSame({QStringLiteral("debts")});

    // Dropping the archive's months works there too.
    const CliOutcome drop = onServer(
        {QStringLiteral("archive-drop"), QStringLiteral("05.2026"), QStringLiteral("--yes")});
    EXPECT_EQ(drop.code, 0) << drop;
    EXPECT_EQ(drop.out, QStringLiteral("Удалено месяцев архива: %1\n").arg(months.size()));
    EXPECT_TRUE(onServer({QStringLiteral("archive")}).out.isEmpty());
}

// Calls the archive step tells apart by their columns alone: repeats of a city call (under
// another city category too), of a long-distance call of the same zone but not of another zone,
// calls with no zone or no category (never repeats), and identical unbilled calls of an unknown
// number. Each is archived with the same price or reason on both engines.
TEST_F(ServerDebtRun, RepeatsAndReasonsAreArchivedAsOnTableFiles) {
    const QStringList calls = {"'2026-03-20', '10:00:00', 60, 1, 2231001, '', '', 1",
                               "'2026-03-20', '10:00:00', 60, 1, 2231001, '', '', 1",
                               "'2026-03-20', '10:00:00', 60, 2, 2231001, '', '', 1",
                               "'2026-03-20', '11:00:00', 120, 9, 84951234567, '495', '', 1",
                               "'2026-03-20', '11:00:00', 120, 9, 84951234567, '495', '', 1",
                               "'2026-03-20', '11:00:00', 120, 9, 84951234567, '495', '', 2",
                               "'2026-03-20', '12:00:00', 30, 9, 84951234567, '495', '', NULL",
                               "'2026-03-20', '12:00:00', 30, 9, 84951234567, '495', '', NULL",
                               "'2026-03-20', '13:00:00', 30, NULL, 2231002, '', '', 1"};
    const QString insert = QStringLiteral(
        "INSERT INTO DESTTAR (AbNumber, Date_of_call, Time_of_call, Longivity, Cat, "
        "Number_of_call, Code, CodeForeign, TRF) ");
    for (const QString& values : calls)
        expectSame({QStringLiteral("sql"),
                    insert + QStringLiteral("SELECT min(AbNumber), %1 FROM AbTab WHERE Exist = "
                                            "'YES' AND Priznak = 'ALL'")
                                 .arg(values)});
    for (int twice = 0; twice < 2; ++twice)
        expectSame({QStringLiteral("sql"),
                    insert + QStringLiteral("VALUES (9999999, '2026-03-20', '14:00:00', 45, 1, "
                                            "2231003, '', '', 1)")});
    expectSame({QStringLiteral("debt-run")});
    const QString march = expectSame({QStringLiteral("statement"), QStringLiteral("--numbers"),
                                      QStringLiteral("0-9999999"), QStringLiteral("--month"),
                                      QStringLiteral("03.2026")});
    EXPECT_GE(march.count(QStringLiteral("повтор разговора")), 3) << march.toStdString();
    EXPECT_TRUE(march.contains(QStringLiteral("нет абонента в AbTab"))) << march.toStdString();
    EXPECT_TRUE(march.contains(QStringLiteral("не указан КНС"))) << march.toStdString();
}

// The call views read an archived month on the server as on table files, selection included.
TEST_F(ServerDebtRun, ArchivedMonthsAreViewedAsOnTableFiles) {
    expectSame({QStringLiteral("debt-run")});
    db::Database files(QStringLiteral("OrvantaStandard"), files_.path());
    db::Database server(QStringLiteral("OrvantaStandard"), PgServer::url(address_));
    calls::ListingViews here(files);
    calls::ListingViews there(server);
    const auto rows = [](db::Query& q) {
        QStringList lines;
        for (qint64 r = 0; r < q.recordCount(); ++r) {
            QStringList cells;
            for (int f = 0; f < q.fields().size(); ++f)
                cells.append(db::displayText(q.value(r, f)));
            lines.append(cells.join(u'|'));
        }
        return lines;
    };
    core::SelectionPanel all;
    core::SelectionPanel some;
    some.byNumber = true;
    some.numberFrom = QStringLiteral("2200000");
    some.numberTo = QStringLiteral("2205000");
    const QDate march(2026, 3, 1);
    for (calls::Listing view :
         {calls::Listing::All, calls::Listing::City, calls::Listing::LongDistance}) {
        for (const core::SelectionPanel& panel : {all, some}) {
            const QStringList onFiles =
                rows(billing::openArchivedListing(here, view, panel, march));
            EXPECT_FALSE(onFiles.isEmpty());
            EXPECT_EQ(rows(billing::openArchivedListing(there, view, panel, march)), onFiles);
        }
    }
}

// A seat whose role may read and change the tables of an administrator's schema but create
// nothing in the database works: nothing is created on opening that is already there.
TEST_F(ServerDebtRun, ASeatWithNoRightToCreateWorksInItsSchema) {
    db::PgConnection admin(address_);
    admin.exec(QStringLiteral("DO $$ BEGIN CREATE ROLE orv_seat LOGIN; EXCEPTION WHEN "
                              "duplicate_object THEN NULL; END $$; GRANT USAGE ON SCHEMA %1 TO "
                              "orv_seat; GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN "
                              "SCHEMA %1 TO orv_seat")
                   .arg(db::pgQuoteIdentifier(address_.schemaName())));
    db::ServerAddress seat = address_;
    seat.user = QStringLiteral("orv_seat");
    for (const QStringList& command : {QStringList{QStringLiteral("view"), QStringLiteral("all")},
                                       QStringList{QStringLiteral("debts")}}) {
        const CliOutcome asSeat =
            cli(QStringList{QStringLiteral("--alias"),
                            QStringLiteral("OrvantaStandard=") + PgServer::url(seat)} +
                command);
        EXPECT_EQ(asSeat.code, 0) << asSeat;
        EXPECT_EQ(asSeat.out, onServer(command).out);
    }
}

TEST_F(ServerDebtRun, OneRunAtATimeAndTheCollectorNeverWaits) {
    db::Database collector(QStringLiteral("OrvantaStandard"), PgServer::url(address_));
    // The guard turns a collector kept waiting into a failure instead of a hang.
    collector.execute(QStringLiteral("SET statement_timeout = 30000"));
    const auto insertCalls = [&](int first, int count) {
        db::Statement insert = collector.statement(
            QStringLiteral("INSERT INTO %1 (AbNumber, Date_of_call, Time_of_call, Longivity, Cat, "
                           "Number_of_call, Code, CodeForeign, TRF) VALUES (?, '2026-03-15', "
                           "'12:00:00', 60, 1, ?, '', '', 1)")
                .arg(collector.qualified(QStringLiteral("DESTTAR"))));
        for (int i = first; i < first + count; ++i) {
            insert.reset();
            insert.bind(1, qint64(2200001));
            insert.bind(2, qint64(99000000 + i));
            insert.run();
        }
    };
    const auto count = [&](const QString& sql) {
        db::Statement read =
            collector.statement(sql.arg(collector.qualified(QStringLiteral("DESTTAR"))));
        read.step();
        return read.columnInt(0);
    };
    const QString markers = QStringLiteral(
        "SELECT count(*) FROM %1 WHERE Number_of_call BETWEEN 99000000 AND 99999999");

    insertCalls(0, 5);  // in DESTTAR before the run: the run retires them
    const QString reckoned =
        QStringLiteral("SELECT count(*) FROM %1 WHERE Date_of_call < '2026-04-01'");
    const qint64 before = count(reckoned);
    {
        test::HeldRun run(environment(),
                          QStringList{QStringLiteral("--today"), kToday} + serverAlias() +
                              QStringList{QStringLiteral("debt-run")},
                          "after-pricing");
        const CliOutcome second = onServer({QStringLiteral("debt-run")});
        EXPECT_EQ(second.code, 1) << second;
        EXPECT_EQ(second.err,
                  QStringLiteral("Расчет долга уже выполняется на другом рабочем месте\n"));
        insertCalls(100, 7);  // inserted while the run works: left for the next run
        EXPECT_EQ(count(markers), 12);
        EXPECT_EQ(run.resume(), 0);
    }
    EXPECT_EQ(count(markers), 7) << "exactly the calls inserted during the run stay";
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM %1 WHERE Number_of_call BETWEEN "
                                   "99000100 AND 99000199")),
              7);
    EXPECT_EQ(count(reckoned), 7) << "every call the run saw is retired";

    // Every call the run saw is in the archive once.
    const CliOutcome archive = onServer({QStringLiteral("archive")});
    ASSERT_EQ(archive.code, 0) << archive;
    qint64 archived = 0;
    for (const QString& line : archive.out.split(u'\n', Qt::SkipEmptyParts))
        archived += line.section(u'\t', 1, 1).toLongLong();
    EXPECT_EQ(archived, before);

    // The lock went with the run: the next one starts (and finds the month reckoned).
    const CliOutcome next = onServer({QStringLiteral("debt-run")});
    EXPECT_EQ(next.err, QStringLiteral("Долг на прошедший месяц уже рассчитан\n")) << next;
}

// A payment entered while a run holds its transaction waits for the run's commit and lands after
// it: the debt is the run's debt less the payment, and the payment records the run's debt as
// what was due. The run is held at its last pause point and the payment started beside it; only
// once the payment is seen waiting is the run let go. (A test that waited for the payment's end
// first would wait for ever: the payment waits for the held run.)
TEST_F(ServerDebtRun, APaymentDuringTheRunLandsAfterIt) {
    const QString dues = QStringLiteral(
        "SELECT AbNumber, Priznak, Dolg + NDS FROM DolgTb WHERE AbNumber IS NOT NULL ORDER BY "
        "AbNumber, Priznak");
    // The month before reckoned on both, so that the run changes existing debts.
    const QStringList lastMonth = {QStringLiteral("--today"), QStringLiteral("10.03.2026"),
                                   QStringLiteral("debt-run")};
    ASSERT_EQ(onFolder(lastMonth).code, 0);
    ASSERT_EQ(onServer(lastMonth).code, 0);
    ASSERT_EQ(onFolder({QStringLiteral("debt-run")}).code, 0);
    const QHash<QString, double> reckoned = duesOf(onFolder({QStringLiteral("sql"), dues}));
    const QHash<QString, double> before = duesOf(onServer({QStringLiteral("sql"), dues}));
    // An account whose debt the run changes and which owes more than the payment.
    QString account;
    for (auto it = reckoned.constBegin(); it != reckoned.constEnd(); ++it)
        if (it.value() > 10 && before.contains(it.key()) &&
            std::abs(before.value(it.key()) - it.value()) > 0.01 &&
            (account.isEmpty() || it.key() < account))
            account = it.key();
    ASSERT_FALSE(account.isEmpty());
    const QString number = account.section(u',', 0, 0);
    const QString category = account.section(u',', 1, 1);

    db::PgConnection watcher(address_);
    QProcess payment;
    {
        test::HeldRun run(environment(),
                          QStringList{QStringLiteral("--today"), kToday} + serverAlias() +
                              QStringList{QStringLiteral("debt-run")},
                          "before-commit");
        payment.setProcessEnvironment(environment());
        payment.start(cliProgram(), QStringList{QStringLiteral("--today"), kToday} + serverAlias() +
                                        QStringList{QStringLiteral("pay"), number, category,
                                                    QStringLiteral("1.25")});
        EXPECT_TRUE(seenWaitingForALock(watcher, payment)) << "the payment did not wait";
        EXPECT_EQ(run.resume(), 0);
    }
    const CliOutcome paid = finishCli(payment);
    ASSERT_EQ(paid.code, 0) << paid;

    const QHash<QString, double> after = duesOf(onServer({QStringLiteral("sql"), dues}));
    ASSERT_EQ(after.size(), reckoned.size());
    for (auto it = reckoned.constBegin(); it != reckoned.constEnd(); ++it)
        EXPECT_NEAR(after.value(it.key()), it.value() - (it.key() == account ? 1.25 : 0), 0.005)
            << it.key().toStdString();
    const CliOutcome recorded = onServer(
        {QStringLiteral("sql"),
         QStringLiteral("SELECT Dolg, Pane FROM PaneDate WHERE AbNumber = %1").arg(number)});
    ASSERT_EQ(recorded.code, 0) << recorded;
    const QString row = recorded.out.section(u'\n', 1, 1);
    EXPECT_NEAR(row.section(u',', 0, 0).toDouble(), reckoned.value(account), 0.005) << recorded;
    EXPECT_NEAR(row.section(u',', 1, 1).toDouble(), 1.25, 0.005) << recorded;
}

}  // namespace
}  // namespace orv::test
