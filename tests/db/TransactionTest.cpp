// A unit of work over two table files is all or nothing: rolled back when abandoned, and
// atomic when the process is killed at any file operation of its commit.

#include "TestSupport.h"
#include "db/Table.h"
#include "db/Transaction.h"

#include <QProcess>

using namespace orv;
using namespace orv::db;
using orv::test::TempDatabase;

namespace {

void seed(TempDatabase& t) {
    t.create(schema::dolgTb());
    t.create(schema::paneDate());
    for (int n = 1; n <= 50; ++n) {
        Query(t.db(),
              QStringLiteral("INSERT INTO DolgTb (AbNumber, Priznak, Dolg) VALUES (%1, 'ALL', 1)")
                  .arg(n))
            .execute();
        Query(t.db(),
              QStringLiteral("INSERT INTO PaneDate (AbNumber, Priznak, Pane) VALUES (%1, 'ALL', 1)")
                  .arg(n))
            .execute();
    }
}

// The distinct values of the amount column in each table, read by a fresh connection (which
// rolls back a hot journal left by a killed writer).
QPair<QString, QString> amounts(const QString& folder) {
    Database fresh(QStringLiteral("Check"), folder);
    Query dolg(fresh, QStringLiteral("SELECT DISTINCT Dolg FROM DolgTb"));
    dolg.open();
    Query pane(fresh, QStringLiteral("SELECT DISTINCT Pane FROM PaneDate"));
    pane.open();
    return {orv::test::rowsOf(dolg).join(QLatin1Char(',')),
            orv::test::rowsOf(pane).join(QLatin1Char(','))};
}

}  // namespace

TEST(Transaction, AbandonedWorkIsRolledBackAndNestedWorkIsASavepoint) {
    TempDatabase t;
    seed(t);
    {
        Transaction tx(t.db(), {QStringLiteral("DolgTb"), QStringLiteral("PaneDate")});
        Query(t.db(), QStringLiteral("UPDATE DolgTb SET Dolg = 5")).execute();
        Query(t.db(), QStringLiteral("UPDATE PaneDate SET Pane = 5")).execute();
    }
    EXPECT_EQ(amounts(t.path()), qMakePair(QStringLiteral("1"), QStringLiteral("1")));
    {
        Transaction outer(t.db(), {QStringLiteral("DolgTb"), QStringLiteral("PaneDate")});
        Query(t.db(), QStringLiteral("UPDATE DolgTb SET Dolg = 2")).execute();
        {
            Transaction inner(t.db(), {});
            Query(t.db(), QStringLiteral("UPDATE PaneDate SET Pane = 3")).execute();
        }
        outer.commit();
    }
    EXPECT_EQ(amounts(t.path()), qMakePair(QStringLiteral("2"), QStringLiteral("1")));
}

TEST(Transaction, KilledAtAnyFileOperationLeavesBothTablesOldOrBothNew) {
    TempDatabase t;
    seed(t);
    const QString child = QStringLiteral(TX_CRASH_CHILD);
    bool finished = false;
    int kills = 0;
    for (int killAt = 1; killAt <= 400 && !finished; ++killAt) {
        const QString before = amounts(t.path()).first;
        const QString next = QString::number(before.toInt() + 1);
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVANTA_TEST_KILL_AT_IO"), QString::number(killAt));
        process.setProcessEnvironment(env);
        process.start(child, {t.path(), next});
        ASSERT_TRUE(process.waitForFinished(30000));
        const auto after = amounts(t.path());
        if (process.exitStatus() == QProcess::NormalExit) {
            ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
            EXPECT_EQ(after, qMakePair(next, next));
            finished = true;
        } else {
            ++kills;
            EXPECT_EQ(after.first, after.second) << "killed at file operation " << killAt;
            EXPECT_TRUE(after.first == before || after.first == next) << after.first.toStdString();
        }
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(kills, 5);  // the commit went through several file operations, each one tried
}

TEST(Transaction, AResultTableKilledAtAnyFileOperationOfItsCopyIsOldOrNewAndRebuildsAfter) {
    TempDatabase t;
    seed(t);
    const QString child = QStringLiteral(TX_CRASH_CHILD);
    auto copyOnce = [&](long killAt) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVANTA_TEST_KILL_AT_IO"), QString::number(killAt));
        process.setProcessEnvironment(env);
        process.start(child, {t.path(), QStringLiteral("0"), QStringLiteral("copy")});
        EXPECT_TRUE(process.waitForFinished(30000));
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    };
    // The values of Res as a fresh connection sees them; empty when there is no table (yet).
    auto result = [&] {
        Database fresh(QStringLiteral("Check"), t.path());
        if (!fresh.holdsTable(QStringLiteral("Res"))) return QString();
        Query q(fresh, QStringLiteral("SELECT DISTINCT Dolg FROM Res"));
        q.open();
        return orv::test::rowsOf(q).join(u',') + u'/' + QString::number(q.recordCount());
    };
    int kills = 0;
    bool finished = false;
    QString old;  // nothing before the first copy
    for (long killAt = 1; killAt <= 400 && !finished; ++killAt) {
        Query(t.db(), QStringLiteral("UPDATE DolgTb SET Dolg = %1").arg(killAt)).execute();
        const QString next = QStringLiteral("%1/1").arg(killAt);
        if (copyOnce(killAt)) {
            EXPECT_EQ(result(), next);
            finished = true;
            break;
        }
        ++kills;
        const QString after = result();
        EXPECT_TRUE(after == old || after == next) << killAt << ": " << after.toStdString();
        ASSERT_TRUE(copyOnce(0)) << "a copy after the kill at " << killAt << " failed";
        EXPECT_EQ(result(), next);
        old = next;
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(kills, 5);
}
