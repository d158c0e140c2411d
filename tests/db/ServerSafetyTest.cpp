// The trial run, the snapshots and the restore on a server alias: the trial reports what it
// reports on the same exchange in a folder and changes nothing; the run's snapshot, its listing
// and a restore leave the tables, the calls and the archive as on the table files; a trial, a
// run and a restore exclude each other on every seat; a restore killed before its commit
// changes nothing.

#include "HeldRun.h"
#include "ServerRunFixture.h"
#include "db/Database.h"

namespace orv::test {
namespace {

const QString kRunOnOtherSeat =
    QStringLiteral("Расчет долга уже выполняется на другом рабочем месте\n");
const QString kRestoreRefused = QStringLiteral(
    "Восстановление из копии невозможно: на другом рабочем месте выполняется расчет долга или "
    "восстановление таблиц\n");

const QString kCountCalls = QStringLiteral("SELECT count(*) AS Calls FROM DESTTAR");

class ServerSafety : public ServerDebtRun {
  protected:
    QStringList lines(const QString& text) const { return text.split(u'\n', Qt::SkipEmptyParts); }

    // The snapshots listed by backups, each line without its name and size (the moment it was
    // taken and the engine's bytes differ between the two).
    static QStringList withoutNameAndSize(const QStringList& listed) {
        QStringList rows;
        for (const QString& line : listed) {
            QStringList fields = line.split(u'\t');
            EXPECT_EQ(fields.size(), 5) << line.toStdString();
            if (fields.size() != 5) continue;
            bool number = false;
            fields[4].toLongLong(&number);
            EXPECT_TRUE(number) << line.toStdString();
            rows.append(fields.mid(1, 3).join(u'\t'));
        }
        return rows;
    }

    QStringList backups(bool server) const {
        const CliOutcome listed =
            server ? onServer({QStringLiteral("backups")}) : onFolder({QStringLiteral("backups")});
        EXPECT_EQ(listed.code, 0) << listed;
        return lines(listed.out);
    }

    // The state a restore must bring back, the same on both engines.
    void expectSameTables() const {
        expectSame({QStringLiteral("debts")});
        expectSameRows(kCountCalls);
        expectSameRows(QStringLiteral(
            "SELECT AbNumber, Date_of_call, Time_of_call, Longivity, Cat, Number_of_call, TRF "
            "FROM DESTTAR ORDER BY AbNumber, Date_of_call, Time_of_call, Number_of_call"));
        expectSameRows(QStringLiteral("SELECT count(*) AS Calls FROM OldMG"));
        expectSameRows(QStringLiteral(
            "SELECT AbNumber, Priznak, Sum_of_cost, Date_of_raschet "
            "FROM PrDlgCt ORDER BY AbNumber, Priznak, Date_of_raschet, Sum_of_cost"));
        const QStringList here = lines(onFolder({QStringLiteral("archive")}).out);
        const QStringList there = lines(onServer({QStringLiteral("archive")}).out);
        ASSERT_EQ(there.size(), here.size());
        for (qsizetype i = 0; i < here.size(); ++i)
            EXPECT_EQ(there[i].section(u'\t', 0, 1), here[i].section(u'\t', 0, 1));
    }

    QString serverCalls() const { return onServer({QStringLiteral("sql"), kCountCalls}).out; }

    CliOutcome restore(bool server, const QString& name) const {
        const QStringList args = {QStringLiteral("restore"), name};
        return server ? onServer(args) : onFolder(args);
    }
};

TEST_F(ServerSafety, TrialReportsWhatTheFolderReportsAndChangesNothing) {
    const QString debtsBefore = expectSame({QStringLiteral("debts")});
    const QString callsBefore = expectSameRows(kCountCalls);

    const QString trial = expectSame({QStringLiteral("debt-run"), QStringLiteral("--dry-run")});
    EXPECT_TRUE(trial.startsWith(QStringLiteral("Пробный расчет долга на 01.04.2026")))
        << trial.toStdString();
    EXPECT_GT(trial.count(u'\n'), 100);

    EXPECT_EQ(onServer({QStringLiteral("debts")}).out, debtsBefore);
    EXPECT_EQ(serverCalls(), callsBefore);
    EXPECT_TRUE(onServer({QStringLiteral("archive")}).out.isEmpty());
    EXPECT_TRUE(backups(true).isEmpty());

    // The run does what the trial said it would.
    const CliOutcome run = onServer({QStringLiteral("debt-run")});
    ASSERT_EQ(run.code, 0) << run;
    const QString debtsAfter = onServer({QStringLiteral("debts")}).out;
    EXPECT_TRUE(trial.contains(debtsAfter.section(u'\n', 1))) << debtsAfter.toStdString();
    EXPECT_EQ(run.out.section(u':', 1).section(u';', 0, 0),
              trial.section(u':', 1).section(u';', 0, 0));

    // Once the month is reckoned the trial is refused as the run is.
    const CliOutcome again = onServer({QStringLiteral("debt-run"), QStringLiteral("--dry-run")});
    EXPECT_EQ(again.code, 1) << again;
    EXPECT_EQ(again.err, QStringLiteral("Долг на прошедший месяц уже рассчитан\n"));
}

TEST_F(ServerSafety, TrialRunAndRestoreExcludeEachOther) {
    const QStringList trialArgs =
        serverAlias() + QStringList{QStringLiteral("debt-run"), QStringLiteral("--dry-run")};
    const QStringList runArgs = serverAlias() + QStringList{QStringLiteral("debt-run")};
    const QStringList today = {QStringLiteral("--today"), kToday};
    const QString callsBefore = serverCalls();
    db::Database collector(QStringLiteral("OrvantaStandard"), PgServer::url(address_));
    // The guard turns a collector kept waiting into a failure instead of a hang.
    collector.execute(QStringLiteral("SET statement_timeout = 30000"));
    {
        HeldRun held(environment(), today + trialArgs, "after-pricing");
        const CliOutcome run = onServer({QStringLiteral("debt-run")});
        EXPECT_EQ(run.code, 1) << run;
        EXPECT_EQ(run.err, kRunOnOtherSeat);
        const CliOutcome restored = onServer({QStringLiteral("restore"), QStringLiteral("x")});
        EXPECT_EQ(restored.code, 1) << restored;
        EXPECT_EQ(restored.err, kRestoreRefused);
        collector.execute(QStringLiteral("INSERT INTO %1 (AbNumber, Date_of_call, Time_of_call, "
                                         "Longivity, Cat, Number_of_call, Code, CodeForeign, TRF) "
                                         "VALUES (2200001, '2026-03-15', '12:00:00', 60, 1, "
                                         "99000001, '', '', 1)")
                              .arg(collector.qualified(QStringLiteral("DESTTAR"))));
        EXPECT_EQ(held.resume(), 0);
    }
    EXPECT_TRUE(backups(true).isEmpty()) << "the trial took no snapshot";
    EXPECT_NE(serverCalls(), callsBefore) << "the call inserted during the trial stays";
    collector.execute(QStringLiteral("DELETE FROM %1 WHERE Number_of_call = 99000001")
                          .arg(collector.qualified(QStringLiteral("DESTTAR"))));
    EXPECT_EQ(serverCalls(), callsBefore) << "and the trial deleted none";
    {
        HeldRun held(environment(), today + runArgs, "after-pricing");
        const CliOutcome trial =
            onServer({QStringLiteral("debt-run"), QStringLiteral("--dry-run")});
        EXPECT_EQ(trial.code, 1) << trial;
        EXPECT_EQ(trial.err, kRunOnOtherSeat);
        const CliOutcome restored = onServer({QStringLiteral("restore"), QStringLiteral("x")});
        EXPECT_EQ(restored.code, 1) << restored;
        EXPECT_EQ(restored.err, kRestoreRefused);
        // Inside the run's transaction the snapshot is not yet to be seen.
        EXPECT_TRUE(backups(true).isEmpty());
        EXPECT_EQ(held.resume(), 0);
    }
    EXPECT_EQ(backups(true).size(), 1);
}

TEST_F(ServerSafety, RestoreLeavesWhatItLeavesOnTableFiles) {
    const CliOutcome keep =
        onFolder({QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("Копии"),
                  QStringLiteral("Хранить"), QStringLiteral("2")});
    ASSERT_EQ(keep.code, 0) << keep;
    const QString debtsBefore = expectSame({QStringLiteral("debts")});
    const QString callsBefore = expectSameRows(kCountCalls);
    expectSame({QStringLiteral("debt-run")});

    const QStringList here = backups(false);
    const QStringList there = backups(true);
    ASSERT_EQ(there.size(), 1);
    EXPECT_EQ(withoutNameAndSize(there), withoutNameAndSize(here));
    EXPECT_TRUE(there.first().contains(QStringLiteral("\tРасчет долга\tDolgTb=")));

    const CliOutcome unknown = restore(true, QStringLiteral("2000-01-01T00-00-00"));
    EXPECT_EQ(unknown.code, 1) << unknown;
    EXPECT_TRUE(unknown.err.startsWith(QStringLiteral("Копия 2000-01-01T00-00-00 не найдена")))
        << unknown;

    const QString folderName = here.first().section(u'\t', 0, 0);
    const QString serverName = there.first().section(u'\t', 0, 0);
    const CliOutcome folderRestore = restore(false, folderName);
    const CliOutcome serverRestore = restore(true, serverName);
    ASSERT_EQ(folderRestore.code, 0) << folderRestore;
    ASSERT_EQ(serverRestore.code, 0) << serverRestore;
    EXPECT_TRUE(serverRestore.out.startsWith(
        QStringLiteral("Таблицы восстановлены из копии %1; прежнее состояние сохранено в копии ")
            .arg(serverName)))
        << serverRestore;

    // Debts and calls as before the run, the archive empty again.
    expectSameTables();
    EXPECT_EQ(onServer({QStringLiteral("debts")}).out, debtsBefore);
    EXPECT_EQ(serverCalls(), callsBefore);
    EXPECT_TRUE(onServer({QStringLiteral("archive")}).out.isEmpty());
    const QStringList afterRestore = backups(true);
    ASSERT_EQ(afterRestore.size(), 2);
    EXPECT_EQ(afterRestore[1].section(u'\t', 2, 2),
              QStringLiteral("Перед восстановлением из копии %1").arg(serverName));
    EXPECT_EQ(afterRestore[1].section(u'\t', 0, 0), serverRestore.out.trimmed().section(u' ', -1));

    // The restored tables reckon again as on the files; the newest two snapshots are kept.
    expectSame({QStringLiteral("debt-run")});
    expectSameTables();
    const QStringList kept = backups(true);
    ASSERT_EQ(kept.size(), 2);
    EXPECT_EQ(kept[0], afterRestore[1]);
    EXPECT_EQ(withoutNameAndSize({kept[1]}), withoutNameAndSize({backups(false).last()}));
}

TEST_F(ServerSafety, RestoreKilledBeforeItsCommitChangesNothing) {
    ASSERT_EQ(onServer({QStringLiteral("debt-run")}).code, 0);
    const QString name = backups(true).value(0).section(u'\t', 0, 0);
    ASSERT_FALSE(name.isEmpty());
    const QString debts = onServer({QStringLiteral("debts")}).out;
    const QString archive = onServer({QStringLiteral("archive")}).out;

    QProcess killed;
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("ORVANTA_TEST_CRASH_AT"), QStringLiteral("restore-before-commit"));
    killed.setProcessEnvironment(env);
    killed.start(cliProgramWithHooks(), QStringList{QStringLiteral("--today"), kToday} +
                                            serverAlias() +
                                            QStringList{QStringLiteral("restore"), name});
    const CliOutcome crash = finishCli(killed);
    EXPECT_NE(crash.code, 0) << crash;

    EXPECT_EQ(onServer({QStringLiteral("debts")}).out, debts);
    EXPECT_EQ(onServer({QStringLiteral("archive")}).out, archive);
    EXPECT_EQ(backups(true).size(), 1);
    const CliOutcome restored = restore(true, name);
    EXPECT_EQ(restored.code, 0) << restored;
    EXPECT_NE(onServer({QStringLiteral("debts")}).out, debts);
}

TEST_F(ServerSafety, RestoreRefusesACopyUnlikeItsTableAndChangesNothing) {
    ASSERT_EQ(onServer({QStringLiteral("debt-run")}).code, 0);
    const QString name = backups(true).value(0).section(u'\t', 0, 0);
    ASSERT_FALSE(name.isEmpty());
    {
        db::Database server(QStringLiteral("OrvantaStandard"), PgServer::url(address_));
        server.execute(
            QStringLiteral("ALTER TABLE exchange_backups.\"%1_DolgTb\" DROP COLUMN nds").arg(name));
    }
    const QString debts = onServer({QStringLiteral("debts")}).out;
    const CliOutcome refused = restore(true, name);
    EXPECT_EQ(refused.code, 1) << refused;
    EXPECT_EQ(refused.err, QStringLiteral("Копия таблицы DolgTb не совпадает с ее структурой; "
                                          "восстановление отменено\n"));
    EXPECT_EQ(onServer({QStringLiteral("debts")}).out, debts);
    EXPECT_EQ(backups(true).size(), 1) << "no snapshot of the state before is left behind";
}

}  // namespace
}  // namespace orv::test
