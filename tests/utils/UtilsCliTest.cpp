// orvanta-cli fill-subscribers, fill-weekends and debts --list end to end: the binary run on a
// folder of table files, its output, messages and exit codes; a fill on a full disk.

#include "SmallDisk.h"
#include "TestSupport.h"

#include <QDir>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

using namespace orv;
using namespace orv::test;

namespace {

class UtilsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo(cliProgram()).isExecutable()) << cliProgram().toStdString();
        for (const db::TableDef& def : db::schema::permanentTables()) t.create(def);
    }

    CliOutcome cli(const QStringList& args) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(cliProgram(), QStringList{QStringLiteral("--alias"),
                                                QStringLiteral("OrvantaStandard=") + t.path()} +
                                        args);
        return finishCli(process);
    }

    QString listFile(const QByteArray& bytes) const {
        const QString path = home_.filePath(QStringLiteral("numbers.lst"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }

    TempDatabase t;
    QTemporaryDir home_;
};

}  // namespace

TEST_F(UtilsCli, FillSubscribersPrintsTheRowsAddedToEachTable) {
    struct Case {
        QStringList args;
        int code;
        const char* out;
        const char* err;
    } cases[] = {
        {{"fill-subscribers", "101", "103"}, 0, "AbTab: 3\nPaneDate: 3\n", ""},
        {{"fill-subscribers", "101", "104"}, 0, "AbTab: 1\nPaneDate: 1\n", ""},
        {{"fill-subscribers", "104", "104", "--category", "all", "--exist", "NO"},
         0,
         "AbTab: 0\nPaneDate: 0\n",
         ""},
        {{"fill-subscribers", "103", "105", "--exist", "NO", "--category", "BUDG"},
         1,
         "",
         "на номере 103"},
        {{"fill-subscribers", "0", "5"}, 1, "", "Неправильный ввод данных"},
        {{"fill-subscribers", "9", "5"}, 0, "AbTab: 0\nPaneDate: 0\n", ""},
        {{"fill-subscribers", "12345678", "5"}, 2, "", "до 7 цифр"},
        {{"fill-subscribers", "1", "5", "--category"}, 2, "", "Нет значения"},
        {{"fill-subscribers", "1", "5", "--kind", "X"}, 2, "", "Неизвестный параметр"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliOutcome run = cli(c.args);
        EXPECT_EQ(run.code, c.code) << run;
        EXPECT_EQ(run.out, QString::fromUtf8(c.out)) << run;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.err))) << run;
    }
    const CliOutcome sql = cli({"sql",
                                "SELECT AbNumber, Priznak, Exist FROM AbTab WHERE AbNumber=103 "
                                "ORDER BY Priznak"});
    EXPECT_EQ(sql.out, QStringLiteral("AbNumber,Priznak,Exist\r\n103,ALL,YES\r\n103,BUDG,NO\r\n"));
}

TEST_F(UtilsCli, FillWeekendsPrintsTheDatesAdded) {
    const CliOutcome first = cli({"fill-weekends", "2000"});
    EXPECT_EQ(first.code, 0) << first;
    const QStringList dates = first.out.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(dates.size(), 106);
    EXPECT_EQ(dates.first(), QStringLiteral("01.01.2000"));
    EXPECT_EQ(dates.last(), QStringLiteral("31.12.2000"));
    const CliOutcome again = cli({"fill-weekends", "2000"});
    EXPECT_EQ(again.code, 0) << again;
    EXPECT_TRUE(again.out.isEmpty()) << again;
    const CliOutcome zero = cli({"fill-weekends", "0"});
    EXPECT_EQ(zero.code, 1) << zero;
    EXPECT_TRUE(zero.err.contains(QStringLiteral("Invalid argument to date encode"))) << zero;
    EXPECT_EQ(cli({"fill-weekends", "20O1"}).code, 2);
    EXPECT_EQ(cli({"fill-weekends"}).code, 2);
}

TEST_F(UtilsCli, DebtsTakeAList) {
    t.raw(QStringLiteral("AbTab.DB"),
          QStringLiteral("INSERT INTO AbTab (AbNumber, Priznak, Exist) VALUES (101, 'ALL', 'YES'), "
                         "(102, 'ALL', 'YES'), (103, 'ALL', 'YES')"));
    t.raw(QStringLiteral("DolgTb.db"),
          QStringLiteral("INSERT INTO DolgTb (AbNumber, Priznak, YearMonth, Dolg) VALUES "
                         "(101, 'ALL', '2026-04-01', 1), (102, 'ALL', '2026-04-01', 2), "
                         "(103, 'ALL', '2026-04-01', 3)"));
    auto numbers = [](const CliOutcome& run) {
        QStringList first;
        for (const QString& line : run.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(1))
            first.append(line.section(u',', 0, 0));
        return first;
    };
    const CliOutcome all = cli({"debts"});
    EXPECT_EQ(numbers(all), (QStringList{"101", "102", "103"})) << all;
    const CliOutcome listed = cli({"debts", "--list", listFile("    103\r\n    101\r\n")});
    EXPECT_EQ(listed.code, 0) << listed;
    EXPECT_EQ(numbers(listed), (QStringList{"101", "103"})) << listed;
    const CliOutcome empty = cli({"debts", "--list", listFile("")});
    EXPECT_EQ(numbers(empty), (QStringList{"101", "102", "103"})) << empty;
    EXPECT_TRUE(empty.err.contains(QStringLiteral("пуст"))) << empty;
    const CliOutcome bad = cli({"debts", "--list", listFile("101\r\n\r\n")});
    EXPECT_EQ(bad.code, 1) << bad;
    EXPECT_TRUE(bad.out.isEmpty()) << bad;
    EXPECT_TRUE(bad.err.contains(QStringLiteral("Неправильный номер в списке"))) << bad;
    EXPECT_TRUE(bad.err.contains(QStringLiteral("строка 2"))) << bad;
    EXPECT_EQ(cli({"debts", "--list"}).code, 2);
}

// The disk fills up in the middle of the fill: the engine gives the transaction up, so nothing is
// added, the message says why, and no journal is left in the folder.
TEST(UtilsCliFullDisk, FillSubscribersAddsNothingAndLeavesNoJournal) {
    QTemporaryDir home;
    const QString folder = home.filePath(QStringLiteral("small"));
    const SmallDisk disk(folder, "200k");
    if (!disk.mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    auto cli = [&](const QStringList& args) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(cliProgram(), QStringList{QStringLiteral("--alias"),
                                                QStringLiteral("OrvantaStandard=") + folder} +
                                        args);
        return finishCli(process);
    };
    ASSERT_EQ(cli({"init"}).code, 0);
    const CliOutcome run = cli({"fill-subscribers", "1", "99999"});
    EXPECT_EQ(run.code, 1) << run;
    EXPECT_TRUE(run.err.contains(QStringLiteral("Нет места на диске"))) << run;
    EXPECT_TRUE(run.err.contains(QStringLiteral("записи не добавлены"))) << run;
    EXPECT_FALSE(run.err.contains(QStringLiteral("no transaction"))) << run;
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*-journal")}, QDir::Files | QDir::Hidden),
              QStringList());
    const CliOutcome count = cli({"sql", "SELECT count(*) n FROM PaneDate"});
    EXPECT_EQ(count.out, QStringLiteral("n\r\n0\r\n")) << count;
}
