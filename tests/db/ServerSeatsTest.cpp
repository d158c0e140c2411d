// Several seats on one server: transactions that roll back unless committed, the advisory lock
// that lets one seat at a time into a job, work run again after a serialization failure, and a
// seat killed in the middle of its transaction leaving nothing written and nothing locked.

#include "PgServer.h"
#include "db/Database.h"
#include "db/PgConnection.h"
#include "db/Schema.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <csignal>
#include <thread>

namespace orv::db {
namespace {

using test::pgServer;

class ServerSeatsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_PG_SERVER();
        address_ = pgServer().newDatabase();
        PgConnection(address_).exec(QStringLiteral(
            "CREATE TABLE seat (x int); CREATE TABLE account (n int primary key, amount float)"));
    }
    qint64 count(PgConnection& c, const QString& table) {
        return c.scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
    }
    ServerAddress address_;
};

TEST_F(ServerSeatsTest, ATransactionLandsOnlyWhenCommitted) {
    PgConnection seat(address_);
    {
        PgTransaction transaction(seat);
        seat.execute(QStringLiteral("INSERT INTO seat VALUES ($1)"), {1});
    }
    EXPECT_EQ(count(seat, QStringLiteral("seat")), 0);
    {
        PgTransaction transaction(seat);
        seat.execute(QStringLiteral("INSERT INTO seat VALUES ($1)"), {2});
        transaction.commit();
    }
    EXPECT_EQ(count(seat, QStringLiteral("seat")), 1);
}

TEST_F(ServerSeatsTest, TheAdvisoryLockAdmitsOneSeatAtATime) {
    const QString refusal = QStringLiteral("Расчет долга уже выполняется на другом рабочем месте");
    PgConnection first(address_);
    PgConnection second(address_);
    {
        PgAdvisoryLock held(first, 42, refusal);
        try {
            PgAdvisoryLock refused(second, 42, refusal);
            ADD_FAILURE() << "two seats hold the lock";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::Refused);
            EXPECT_EQ(e.message(), refusal);
        }
        PgAdvisoryLock other(second, 43, refusal);  // another job is not held up
    }
    EXPECT_NO_THROW(PgAdvisoryLock again(second, 42, refusal));
}

TEST_F(ServerSeatsTest, WorkLosingASerializationRaceRunsAgainWithoutLosingTheOtherUpdate) {
    PgConnection first(address_);
    PgConnection second(address_);
    first.execute(QStringLiteral("INSERT INTO account VALUES (1, 100)"));
    int attempts = 0;
    withRetries(first, PgTransaction::Isolation::RepeatableRead, [&] {
        ++attempts;
        const double amount =
            first.scalar(QStringLiteral("SELECT amount FROM account WHERE n = 1")).toDouble();
        // The other seat pays in between, once.
        if (attempts == 1)
            second.execute(QStringLiteral("UPDATE account SET amount = amount - 30 WHERE n = 1"));
        first.execute(QStringLiteral("UPDATE account SET amount = $1 WHERE n = 1"), {amount - 20});
    });
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(first.scalar(QStringLiteral("SELECT amount FROM account WHERE n = 1")).toDouble(),
              50.0);
}

TEST_F(ServerSeatsTest, ARowWaitedForTooLongIsRefusedInWords) {
    PgConnection holder(address_);
    PgConnection waiter(address_);
    holder.execute(QStringLiteral("INSERT INTO account VALUES (1, 100)"));
    PgTransaction hold(holder);
    holder.execute(QStringLiteral("UPDATE account SET amount = 90 WHERE n = 1"));
    waiter.exec(QStringLiteral("SET lock_timeout = '50ms'"));
    try {
        waiter.execute(QStringLiteral("UPDATE account SET amount = 80 WHERE n = 1"));
        ADD_FAILURE() << "the held row was written";
    } catch (const PgError& e) {
        EXPECT_EQ(e.sqlState(), QStringLiteral("55P03"));
        EXPECT_TRUE(e.message().startsWith(
            QStringLiteral("Записи заняты незавершённой работой другого рабочего места: ")))
            << e.message().toStdString();
    }
}

TEST_F(ServerSeatsTest, ASeatKilledMidTransactionLeavesNothingWrittenOrLocked) {
    QProcess child;
    child.start(QStringLiteral(PG_SEAT_CHILD), {address_.toUrl()});
    ASSERT_TRUE(child.waitForStarted());
    ASSERT_TRUE(child.waitForReadyRead(30000)) << child.readAllStandardError().toStdString();
    ASSERT_EQ(child.readLine().trimmed(), QByteArray("ready"));

    PgConnection seat(address_);
    EXPECT_THROW(PgAdvisoryLock(seat, 1, QStringLiteral("занято")), Error);
    ::kill(child.processId(), SIGKILL);
    ASSERT_TRUE(child.waitForFinished(30000));

    // The server ends the killed seat's session when it notices the closed socket; the lock
    // waits for that (a blocking lock, never a sleep), then nothing of the seat remains.
    seat.scalar(QStringLiteral("SELECT pg_advisory_lock(1)"));
    seat.scalar(QStringLiteral("SELECT pg_advisory_unlock(1)"));
    EXPECT_NO_THROW(PgAdvisoryLock(seat, 1, QStringLiteral("занято")));
    EXPECT_EQ(count(seat, QStringLiteral("seat")), 0);
}

// Two seats making the same missing table at once (the first use of a table of the program's
// own): the one that comes second finds it made instead of failing.
TEST_F(ServerSeatsTest, TwoSeatsMakingOneMissingTableBothFindItMade) {
    Database first(QStringLiteral("First"), address_.toUrl());
    Database second(QStringLiteral("Second"), address_.toUrl());
    first.execute(QStringLiteral("BEGIN"));
    first.createTable(schema::bankDocs());
    std::atomic<bool> done = false;
    QString failure;
    std::thread other([&] {
        try {
            second.createTable(schema::bankDocs());
        } catch (const Error& e) {
            failure = e.message();
        }
        done = true;
    });
    // The second seat waits for the first one's new table before the first commits.
    PgConnection watch(address_);
    while (!done && watch.scalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE "
                                                "wait_event_type = 'Lock'"))
                            .toLongLong() == 0)
        QThread::msleep(10);
    first.execute(QStringLiteral("COMMIT"));
    other.join();
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    EXPECT_TRUE(second.tableExists(QStringLiteral("BankDocs")));
    EXPECT_EQ(second.tableDef(QStringLiteral("BankDocs")).fields.size(),
              schema::bankDocs().fields.size());
}

}  // namespace
}  // namespace orv::db
