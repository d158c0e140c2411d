// orvanta-cli debt-run, debts, payments and pay end to end, and a debt run killed at each of its
// crash points (orvanta-cli-test) leaving every table as it was.

#include "BillingFixture.h"
#include "billing/CallArchive.h"
#include "billing/Snapshot.h"

#include <QDir>
#include <QProcess>

using namespace orv;
using orv::test::Exchange;

namespace {

struct Outcome {
    QProcess::ExitStatus status = QProcess::NormalExit;
    int code = -1;
    QString out;
    QString err;
};

Outcome cli(Exchange& x, const QStringList& args, const QMap<QString, QString>& extraEnv = {},
            const QString& program = test::cliProgram()) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = x.temp().file(QStringLiteral("home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"), x.store().filePath());
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("ORVANTA_TEST_CRASH_AT"));
    for (auto it = extraEnv.begin(); it != extraEnv.end(); ++it) env.insert(it.key(), it.value());
    process.setProcessEnvironment(env);
    process.start(program, QStringList{QStringLiteral("--alias"),
                                       QStringLiteral("OrvantaStandard=") + x.temp().path(),
                                       QStringLiteral("--today"), QStringLiteral("10.04.2026")} +
                               args);
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitStatus(), process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Every row of the tables a run changes, read by a connection of its own (which rolls back
// what a killed writer left in a hot journal).
QMap<QString, QStringList> contents(const QString& folder) {
    db::Database fresh(QStringLiteral("Check"), folder);
    QMap<QString, QStringList> rows;
    for (const QString& table : orv::test::runTables()) {
        db::Query q(fresh, QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
        q.open();
        rows.insert(table, orv::test::rowsOf(q));
    }
    return rows;
}

// The calls of every archived month.
qint64 archivedCalls(const QString& folder) {
    db::Database fresh(QStringLiteral("Check"), folder);
    qint64 calls = 0;
    for (const billing::ArchiveMonth& month : billing::listArchive(fresh)) calls += month.calls;
    return calls;
}

}  // namespace

TEST(DebtCli, DebtRunPrintsItsSummaryAndRefusesASecondRun) {
    Exchange x;
    seedWorkedExample(x);
    const Outcome first = cli(x, {QStringLiteral("debt-run")});
    EXPECT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_EQ(first.out, QStringLiteral("Долг рассчитан на 01.04.2026: месяцев 1, абонентов 2, в "
                                        "архив OldMG 1, удалено звонков 4; "
                                        "Нетарифицированных разговоров: 1\n"))
        << first.out.toStdString();
    const Outcome debts = cli(x, {QStringLiteral("debts")});
    EXPECT_EQ(debts.out,
              QStringLiteral("АбНомер,Признак,Наличие,К Оплате,ПредДолг,ДатаРассчета,"
                             "ПредДатаРассчета,НДС,МгОплата,ПоврОплата,АбПлата,Итого к оплате\r\n"
                             "101,ALL,YES,167,120,01.04.2026,01.03.2026,33.4,12,30,25,200.4\r\n"
                             "102,BUDG,NO,8,0,01.04.2026,01.03.2026,0,1,2,3,8\r\n"));

    const auto before = x.files(orv::test::runTables());
    const Outcome second = cli(x, {QStringLiteral("debt-run")});
    EXPECT_EQ(second.code, 1);
    EXPECT_EQ(second.err.trimmed(), QStringLiteral("Долг на прошедший месяц уже рассчитан"));
    EXPECT_TRUE(second.out.isEmpty());
    EXPECT_TRUE(x.files(orv::test::runTables()) == before);
}

TEST(DebtCli, ViewsOfEmptyTablesAreTheirHeadings) {
    Exchange x;
    EXPECT_EQ(cli(x, {QStringLiteral("debts")}).out.count(u','), 11);
    EXPECT_EQ(cli(x, {QStringLiteral("payments")}).out,
              QStringLiteral("АбНомер,Признак,Дата оплаты,Долг,Оплачено,Остаток\r\n"));
}

TEST(DebtCli, PayRecordsAPaymentOrRefusesWritingNothing) {
    Exchange x;
    x.debt(101, QStringLiteral("ALL"), QDate(2026, 4, 1), 167.00, 0, 33.40);
    struct Case {
        QStringList args;
        QString lang;
        int code;
        QString text;  // stdout on success, stderr's first line otherwise
    } refusals[] = {
        {{"pay", "101", "ALL", "150;5"},
         "C.UTF-8",
         1,
         "Не введена сумма оплаты или введена неправильно"},
        {{"pay", "101", "ALL", "0"},
         "C.UTF-8",
         1,
         "Не введена сумма оплаты или введена неправильно"},
        {{"pay", "555", "ALL", "10"}, "C.UTF-8", 1, "Не найден"},
        {{"pay", "12345678", "ALL", "10"}, "C.UTF-8", 2, {}},
        {{"pay", "101", "ALL"}, "C.UTF-8", 2, {}},
    };
    const auto before = x.files({QStringLiteral("DolgTb"), QStringLiteral("PaneDate")});
    for (const Case& c : refusals) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Outcome o = cli(x, c.args, {{QStringLiteral("LANG"), c.lang}});
        EXPECT_EQ(o.code, c.code);
        if (!c.text.isEmpty()) {
            EXPECT_EQ(o.err.section(u'\n', 0, 0), c.text);
        }
    }
    EXPECT_TRUE(x.files({QStringLiteral("DolgTb"), QStringLiteral("PaneDate")}) == before);

    const Outcome paid = cli(x,
                             {QStringLiteral("pay"), QStringLiteral("101"), QStringLiteral("all"),
                              QStringLiteral("150,5")},
                             {{QStringLiteral("LANG"), QStringLiteral("ru_RU.UTF-8")}});
    EXPECT_EQ(paid.code, 0) << paid.err.toStdString();
    EXPECT_EQ(paid.out,
              QStringLiteral("Оплата записана: к оплате 200.4, оплачено 150.5, остаток 49.9\n"));
    EXPECT_EQ(cli(x, {QStringLiteral("payments")}).out,
              QStringLiteral("АбНомер,Признак,Дата оплаты,Долг,Оплачено,Остаток\r\n"
                             "101,all,10.04.2026,200.4,150.5,-49.9\r\n"));
}

TEST(DebtCli, RunKilledAtAnyCrashPointLeavesTheTablesAsBefore) {
    const char* points[] = {"after-empty",   "after-totals",       "after-combine", "after-dolg",
                            "after-archive", "after-call-archive", "before-commit"};
    for (const char* point : points) {
        SCOPED_TRACE(point);
        Exchange x;
        seedWorkedExample(x);
        const auto rowsBefore = contents(x.temp().path());
        const auto bytesBefore = x.files(orv::test::runTables());
        const QMap<QString, QString> crashAt{
            {QStringLiteral("ORVANTA_TEST_CRASH_AT"), QString::fromLatin1(point)}};
        const Outcome killed =
            cli(x, {QStringLiteral("debt-run")}, crashAt, test::cliProgramWithHooks());
        EXPECT_EQ(killed.status, QProcess::CrashExit);
        EXPECT_TRUE(killed.out.isEmpty());
        EXPECT_EQ(contents(x.temp().path()), rowsBefore);
        EXPECT_TRUE(x.files(orv::test::runTables()) == bytesBefore);
        EXPECT_EQ(archivedCalls(x.temp().path()), 0);

        // The program itself has no crash points: the variable changes nothing.
        const Outcome again = cli(x, {QStringLiteral("debt-run")}, crashAt);
        EXPECT_EQ(again.code, 0) << again.err.toStdString();
        EXPECT_EQ(contents(x.temp().path()).value(QStringLiteral("DESTTAR")).size(), 1);
        EXPECT_EQ(archivedCalls(x.temp().path()), 4);
    }
}

// Killed after its commit, before its calls reach the archive: the run is done, and the next
// reader of the archive finds every retired call there, each once.
// A number with a second account has its calls archived under both categories, still one call
// each.
TEST(DebtCli, RunKilledAfterItsCommitLosesNoRetiredCall) {
    for (const char* point : {"after-commit", "archive-move-before-commit"})
        for (const bool twoCategories : {false, true}) {
            SCOPED_TRACE(point);
            SCOPED_TRACE(twoCategories);
            Exchange x;
            seedWorkedExample(x);
            if (twoCategories) x.subscriber(101, QStringLiteral("BUDG"));
            const QMap<QString, QString> crashAt{
                {QStringLiteral("ORVANTA_TEST_CRASH_AT"), QString::fromLatin1(point)}};
            const Outcome killed =
                cli(x, {QStringLiteral("debt-run")}, crashAt, test::cliProgramWithHooks());
            EXPECT_EQ(killed.status, QProcess::CrashExit);
            EXPECT_EQ(contents(x.temp().path()).value(QStringLiteral("DESTTAR")).size(), 1);
            EXPECT_EQ(archivedCalls(x.temp().path()), 4);
            EXPECT_EQ(archivedCalls(x.temp().path()), 4);

            // A restore of the tables from before the run takes the calls back from the archive.
            const QString name = billing::listSnapshots(x.db()).first().name;
            const Outcome restored = cli(x, {QStringLiteral("restore"), name});
            EXPECT_EQ(restored.code, 0) << restored.err.toStdString();
            EXPECT_EQ(contents(x.temp().path()).value(QStringLiteral("DESTTAR")).size(), 5);
            EXPECT_EQ(archivedCalls(x.temp().path()), 0);
        }
}

TEST(DebtCli, RestoreKilledBeforeItsCommitLeavesEveryTableAsAfterTheRun) {
    Exchange x;
    seedWorkedExample(x);
    ASSERT_EQ(cli(x, {QStringLiteral("debt-run")}).code, 0);
    const QString name = billing::listSnapshots(x.db()).first().name;
    const auto rowsAfterRun = contents(x.temp().path());
    const QMap<QString, QString> crashAt{
        {QStringLiteral("ORVANTA_TEST_CRASH_AT"), QStringLiteral("restore-before-commit")}};
    const Outcome killed =
        cli(x, {QStringLiteral("restore"), name}, crashAt, test::cliProgramWithHooks());
    EXPECT_EQ(killed.status, QProcess::CrashExit);
    EXPECT_EQ(contents(x.temp().path()), rowsAfterRun);
    EXPECT_EQ(archivedCalls(x.temp().path()), 4);

    const Outcome restored = cli(x, {QStringLiteral("restore"), name});
    EXPECT_EQ(restored.code, 0) << restored.err.toStdString();
    EXPECT_EQ(contents(x.temp().path()).value(QStringLiteral("DESTTAR")).size(), 5);
    EXPECT_EQ(archivedCalls(x.temp().path()), 0);
}

TEST(DebtCli, PayAndInitNameADamagedTableOnTheirFirstLine) {
    Exchange x;
    x.debt(101, QStringLiteral("ALL"), QDate(2026, 4, 1), 167.00, 0, 33.40);
    const QString emptyAbTab = x.temp().file(QStringLiteral("AbTab.DB"));
    QFile::remove(emptyAbTab);
    QFile(emptyAbTab).open(QIODevice::WriteOnly);  // left without its table by a killed init
    QFile dolg(x.temp().db().tableFilePath(QStringLiteral("DolgTb")));
    ASSERT_TRUE(dolg.open(QIODevice::ReadWrite));
    dolg.write(QByteArray(4096, 'x'));
    dolg.close();
    const QByteArray damaged = QByteArray(4096, 'x');

    const Outcome pay = cli(x, {QStringLiteral("pay"), QStringLiteral("101"), QStringLiteral("ALL"),
                                QStringLiteral("10")});
    EXPECT_EQ(pay.code, 1);
    const QString first = pay.err.section(u'\n', 0, 0);
    EXPECT_TRUE(first.startsWith(QStringLiteral("Оплата не записана: "))) << first.toStdString();
    EXPECT_TRUE(first.contains(QStringLiteral("DolgTb"))) << first.toStdString();

    const Outcome init = cli(x, {QStringLiteral("init")});
    EXPECT_EQ(init.code, 1) << init.err.toStdString();
    EXPECT_EQ(init.out, QStringLiteral("Создана таблица AbTab\n"));
    EXPECT_TRUE(init.err.startsWith(QStringLiteral("Таблица DolgTb повреждена: ")))
        << init.err.toStdString();
    ASSERT_TRUE(dolg.open(QIODevice::ReadOnly));
    EXPECT_EQ(dolg.readAll().left(4096), damaged);  // a damaged table is never rewritten
}

// A trial run killed half-way leaves its copies of the tables in the temporary folder; the next
// start of the program removes them, while those of a trial still running would stay.
TEST(DebtCli, CopiesOfAKilledTrialRunGoAtTheNextStart) {
    Exchange x;
    seedWorkedExample(x);
    const QString temp = x.temp().file(QStringLiteral("tmp"));
    ASSERT_TRUE(QDir().mkpath(temp));
    auto trials = [&] {
        return QDir(temp).entryList({QStringLiteral(".orvanta-work-dryrun-*")},
                                    QDir::Dirs | QDir::Hidden);
    };
    const Outcome killed =
        cli(x, {QStringLiteral("debt-run"), QStringLiteral("--dry-run")},
            {{QStringLiteral("ORVANTA_TEST_CRASH_AT"), QStringLiteral("after-totals")},
             {QStringLiteral("TMPDIR"), temp}},
            test::cliProgramWithHooks());
    EXPECT_EQ(killed.status, QProcess::CrashExit);
    EXPECT_EQ(trials().size(), 1);
    const Outcome next = cli(x, {QStringLiteral("debts")}, {{QStringLiteral("TMPDIR"), temp}});
    EXPECT_EQ(next.code, 0) << next.err.toStdString();
    EXPECT_EQ(trials(), QStringList());
}
