// A seat killed (SIGKILL) in the middle of a command's transaction on a server. The command is
// held inside its transaction by a pause point, where the same command of another seat is
// refused and what it wrote is seen by no one; then it is killed: nothing it wrote is left, no
// lock of it remains, and the next seat's same command goes through.

#include "HeldRun.h"
#include "ServerCliFixture.h"
#include "db/PgConnection.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <functional>

namespace orv::test {
namespace {

class ServerKilledSeat : public ServerWork {
  protected:
    // The sessions of this database idle inside a transaction: the held seat's.
    static QStringList heldSessions(db::PgConnection& watcher) {
        db::PgStatement read(
            watcher, QStringLiteral("SELECT pid FROM pg_stat_activity WHERE datname = "
                                    "current_database() AND state = 'idle in transaction'"));
        QStringList sessions;
        while (read.step()) sessions.append(read.column(0).toString());
        return sessions;
    }
    // Waits until the server has ended the sessions, which it does when it notices the killed
    // seat's closed socket; a minute at the most, then the test fails.
    static void awaitEnded(db::PgConnection& watcher, const QStringList& sessions) {
        const QDeadlineTimer deadline(60000);
        const QString alive =
            QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid::text = ANY($1)");
        const QString list = u'{' + sessions.join(u',') + u'}';
        while (watcher.scalar(alive, {list}).toLongLong() > 0) {
            if (deadline.hasExpired()) {
                ADD_FAILURE() << "the killed seat's session was not ended";
                return;
            }
            QThread::msleep(20);
        }
    }
};

struct KilledCommand {
    const char* name;
    QStringList args;
    const char* pausePoint;
    QString refusal;  // what another seat hears meanwhile
    QString state;    // a statement whose rows show everything the command writes
    std::function<void(const QStringList& before, const QStringList& after)> expectDone;
};

TEST_F(ServerKilledSeat, NothingHalfWrittenAndNoLockLeft) {
    const QStringList debts = serverRows(QStringLiteral(
        "SELECT AbNumber, Priznak, Dolg + NDS FROM DolgTb WHERE Dolg + NDS > 100 ORDER BY "
        "AbNumber"));
    ASSERT_GE(debts.size(), 2);
    const QStringList account = debts[0].split(u',');
    // A payment of another number first, so that the payment journal exists.
    const QStringList other = debts[1].split(u',');
    ASSERT_EQ(onServer({QStringLiteral("pay"), other[0], other[1], QStringLiteral("1")}).code, 0);

    constexpr int kCalls = 50;
    QByteArray csv =
        "AbNumber,Date_of_call,Time_of_call,Longivity,Cat,Number_of_call,Code,CodeForeign,TRF\n";
    for (int i = 0; i < kCalls; ++i)
        csv += QStringLiteral("2200001,01.12.2026,10:%1:00,%2,1,2212345,,,\n")
                   .arg(i, 2, 10, QLatin1Char('0'))
                   .arg(i + 1)
                   .toUtf8();
    const QString file = files_.filePath(QStringLiteral("killed.csv"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(csv);
    }

    const KilledCommand commands[] = {
        {"pay",
         {QStringLiteral("pay"), account[0], account[1], QStringLiteral("1.25")},
         "payment-before-commit",
         QStringLiteral("Оплата для номера %1 уже вводится").arg(account[0]),
         QStringLiteral("SELECT Dolg + NDS, (SELECT count(*) FROM PaneJournal WHERE AbNumber = "
                        "%1), (SELECT count(*) FROM PaneDate WHERE AbNumber = %1) FROM DolgTb "
                        "WHERE AbNumber = %1")
             .arg(account[0]),
         [](const QStringList& before, const QStringList& after) {
             const QStringList was = before.value(0).split(u',');
             const QStringList is = after.value(0).split(u',');
             ASSERT_EQ(is.size(), 3);
             EXPECT_NEAR(is[0].toDouble(), was[0].toDouble() - 1.25, 0.005);
             EXPECT_EQ(is[1].toInt(), was[1].toInt() + 1);
             EXPECT_EQ(is[2].toInt(), 1);
         }},
        {"import-calls",
         {QStringLiteral("import-calls"), file},
         "append-before-commit",
         QStringLiteral("Загрузка разговоров уже выполняется на другом рабочем месте"),
         QStringLiteral("SELECT count(*) FROM DESTTAR"),
         [](const QStringList& before, const QStringList& after) {
             EXPECT_EQ(after.value(0).toInt(), before.value(0).toInt() + kCalls);
         }},
    };

    db::PgConnection watcher(db::ServerAddress::parse(server_));
    for (const KilledCommand& command : commands) {
        SCOPED_TRACE(command.name);
        const QStringList before = serverRows(command.state);
        ASSERT_FALSE(before.isEmpty());
        QStringList sessions;
        {
            HeldRun seat(environment(), serverAlias() + command.args, command.pausePoint);
            sessions = heldSessions(watcher);
            EXPECT_FALSE(sessions.isEmpty());
            const CliOutcome meanwhile = onServer(command.args);
            EXPECT_EQ(meanwhile.code, 1) << meanwhile;
            EXPECT_TRUE(meanwhile.err.contains(command.refusal)) << meanwhile;
            EXPECT_EQ(serverRows(command.state), before) << "seen before the commit";
            EXPECT_TRUE(seat.killNow());
        }
        awaitEnded(watcher, sessions);
        EXPECT_EQ(serverRows(command.state), before) << "half-written";

        const CliOutcome next = onServer(command.args);
        EXPECT_EQ(next.code, 0) << next;
        command.expectDone(before, serverRows(command.state));
    }
}

}  // namespace
}  // namespace orv::test
