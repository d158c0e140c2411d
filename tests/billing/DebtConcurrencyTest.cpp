// The debt run beside the call collector and beside a second run, each in a process of its own:
// calls appended while the run works are billed by it or left for the next run, never deleted
// unbilled; a second run refuses at once; result tables left empty by a kill are taken over.
// The run is held between its reading of DESTTAR and its final transaction by the pause hook
// (SIGSTOP), so the order of events is fixed, not timed.

#include "BillingFixture.h"
#include "HeldRun.h"

#include <QProcess>

extern char** environ;

using namespace orv;
using orv::test::Exchange;

namespace {

QStringList cliArguments(Exchange& x, const QStringList& args) {
    return QStringList{QStringLiteral("--alias"),
                       QStringLiteral("OrvantaStandard=") + x.temp().path(),
                       QStringLiteral("--today"), QStringLiteral("10.04.2026")} +
           args;
}

QProcessEnvironment cliEnvironment(Exchange& x) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = x.temp().file(QStringLiteral("home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"), x.store().filePath());
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    env.remove(QStringLiteral("ORVANTA_TEST_CRASH_AT"));
    env.remove(QStringLiteral("ORVANTA_TEST_PAUSE_AT"));
    return env;
}

test::CliOutcome cli(Exchange& x, const QStringList& args) {
    QProcess process;
    process.setProcessEnvironment(cliEnvironment(x));
    process.start(test::cliProgram(), cliArguments(x, args));
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A debt run of the exchange in a child process, held at a pause point.
class HeldRun : public test::HeldRun {
  public:
    HeldRun(Exchange& x, const char* point)
        : test::HeldRun(cliEnvironment(x), cliArguments(x, {QStringLiteral("debt-run")}), point,
                        x.temp().file(QStringLiteral("held.err"))) {}
};

// A CSV of long-distance calls of 101 in March, as the collector would append them.
QString collectorFile(Exchange& x, int calls) {
    const QString path = x.temp().file(QStringLiteral("collected.csv"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(
        "AbNumber,Date_of_call,Time_of_call,Longivity,Cat,Number_of_call,Code,CodeForeign,"
        "TRF\n");
    for (int i = 0; i < calls; ++i)
        file.write(QStringLiteral("101,30.03.2026,23:%1:00,100,9,4950000,495,,1\n")
                       .arg(i, 2, 10, QLatin1Char('0'))
                       .toUtf8());
    return path;
}

QString debtOf101(Exchange& x) {
    for (const QString& row : x.rows("DolgTb"))
        if (row.startsWith(QStringLiteral("101|"))) return row;
    return {};
}

}  // namespace

TEST(DebtConcurrency, CallsAppendedDuringTheRunAreBilledByItOrLeftForTheNext) {
    for (const char* point : {"after-pricing", "before-commit"}) {
        SCOPED_TRACE(point);
        Exchange x;
        seedWorkedExample(x);
        Exchange serial;  // the same exchange, reckoned before the collector appends
        seedWorkedExample(serial);
        serial.run(QDate(2026, 4, 10));

        test::CliOutcome collector;
        {
            HeldRun run(x, point);
            QProcess append;
            append.setProcessEnvironment(cliEnvironment(x));
            append.start(test::cliProgram(),
                         cliArguments(x, {QStringLiteral("import-calls"), collectorFile(x, 3)}));
            // Held after its reading, the run lets the collector finish first; held inside its
            // final transaction, it makes the collector wait for the commit.
            const bool collectorFirst = std::string(point) == "after-pricing";
            if (collectorFirst) ASSERT_TRUE(append.waitForFinished(120000));
            EXPECT_EQ(run.resume(), 0) << run.errors().toStdString();
            if (!collectorFirst) ASSERT_TRUE(append.waitForFinished(120000));
            collector = {append.exitCode(), QString::fromUtf8(append.readAllStandardOutput()),
                         QString::fromUtf8(append.readAllStandardError())};
        }
        EXPECT_EQ(collector.code, 0) << collector;
        // Run first, then the collector: the debt is that of the calls before, and the three
        // new calls wait in DESTTAR for the next run.
        EXPECT_EQ(debtOf101(x).toStdString(), debtOf101(serial).toStdString());
        EXPECT_EQ(x.rows("DESTTAR").size(), serial.rows("DESTTAR").size() + 3);
        EXPECT_EQ(x.rows("OldMG").join(u'\n').toStdString(),
                  serial.rows("OldMG").join(u'\n').toStdString());
    }
}

TEST(DebtConcurrency, ASecondRunRefusesAtOnceAndChangesNothing) {
    Exchange x;
    seedWorkedExample(x);
    HeldRun first(x, "after-pricing");
    const auto before = x.files(orv::test::runTables());
    const test::CliOutcome second = cli(x, {QStringLiteral("debt-run")});
    EXPECT_EQ(second.code, 1) << second;
    EXPECT_EQ(second.err.toStdString(), "Расчет долга уже выполняется\n");
    EXPECT_TRUE(x.files(orv::test::runTables()) == before);
    EXPECT_EQ(first.resume(), 0) << first.errors().toStdString();
    EXPECT_TRUE(debtOf101(x).contains(QStringLiteral("|2026-04-01|")) ||
                debtOf101(x).contains(QStringLiteral("|01.04.2026|")))
        << debtOf101(x).toStdString();
}

TEST(DebtConcurrency, ResultTablesLeftWithoutTheirTableByAKillAreRebuilt) {
    Exchange x;
    seedWorkedExample(x);
    for (const char* file : {"TabCTPr.db", "TabCTGr1.db", "TabCTGr2.db", "TabMGPr.db",
                             "TabMGgr1.db", "TabMGgr2.db", "DolgRes.db", "DolgDR.db"}) {
        QFile empty(x.temp().file(QString::fromLatin1(file)));
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
    }
    const test::CliOutcome run = cli(x, {QStringLiteral("debt-run")});
    EXPECT_EQ(run.code, 0) << run;
    EXPECT_EQ(x.rows("DESTTAR").size(), 1);
}
