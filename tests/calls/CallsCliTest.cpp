// orvanta-cli view and grouped end to end: the binary run on a folder of table files, its CSV,
// its messages and exit codes.

#include "CallsTestData.h"

#include <sys/resource.h>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

using namespace orv;
using namespace orv::test;

namespace {

using Outcome = orv::test::CliOutcome;

QString csv(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")) + "\r\n"; }

const QString kMgHeader = QStringLiteral(
    "АбНомер,Дата звонка,Время звонка,КНС,Продолжит,Наб Номер,Тариф,Код МГ,Код МН,СНГ,Другие "
    "страны");

class CallsCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo(program()).isExecutable()) << program().toStdString();
        createPermanentTables(t);
        addRows(t, QStringLiteral("Sng"), {QStringLiteral("'495', 'Москва'")});
        addRows(t, QStringLiteral("Foren"), {QStringLiteral("'44', 'Лондон, Великобритания'")});
        addRows(t, QStringLiteral("AbTab"),
                {QStringLiteral("1233, 'ALL', 'YES', 'Ф', '1', '1', 'ул.'"),
                 QStringLiteral("1234, 'VECH', 'YES', 'Ф', '1', '1', 'ул.'"),
                 QStringLiteral("5000, 'ALL', 'NO', 'Ф', '1', '1', 'ул.'")});
        addRows(t, QStringLiteral("VechTm"), {QStringLiteral("'22:00:00', '07:00:00'")});
        addRows(t, QStringLiteral("TarifCit"),
                {QStringLiteral("'2001-01-01', 'ALL', 1.5"),
                 QStringLiteral("'2001-01-01', 'VECH', 0.25")});
        addRows(t, QStringLiteral("Tarif1"), {QStringLiteral("'2001-01-01', 1, 10")});
        const QStringList calls = {
            call(1233, "2001-03-05", "12:00:00", 2, 3),
            call(1233, "2001-03-05", "23:00:00", 4, 9, QStringLiteral("1"),
                 QStringLiteral("'495'")),
            call(1234, "2001-03-06", "23:30:00", 4, 2),
            call(1234, "2001-03-06", "05:00:00", 3, 10, QStringLiteral("1"), QStringLiteral("NULL"),
                 QStringLiteral("'44'")),
            call(1234, "2001-03-06", "12:00:00", 1, 9, QStringLiteral("1"),
                 QStringLiteral("'812'")),
            call(5000, "2001-04-01", "23:00:00", 1, 8, QStringLiteral("1")),
        };
        addRows(t, QStringLiteral("DESTTAR"), calls);
        addRows(t, QStringLiteral("OldMG"), {calls[1], calls[5]});
    }

    static QString program() { return cliProgram(); }

    // memoryLimit: the most address space the program may take, in bytes; 0 for no limit.
    Outcome cli(const QStringList& args, rlim_t memoryLimit = 0) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
        QProcess process;
        process.setProcessEnvironment(env);
        if (memoryLimit > 0)
            process.setChildProcessModifier([memoryLimit] {
                const rlimit limit{memoryLimit, memoryLimit};
                setrlimit(RLIMIT_AS, &limit);
            });
        process.start(program(), QStringList{QStringLiteral("--alias"),
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

TEST_F(CallsCli, ViewWritesTheGridColumnsWithTheSelectionApplied) {
    struct Case {
        QStringList args;
        QStringList lines;
    } cases[] = {
        {{"view", "city"},
         {"АбНомер,Дата звонка,Время звонка,КНС,Продолжит,Наб Номер",
          "1233,05.03.2001,12:00:00,3,2,5550000", "1234,06.03.2001,23:30:00,2,4,5550000"}},
        {{"view", "mg", "--numbers", "1234-"},
         {kMgHeader, "1234,06.03.2001,05:00:00,10,3,5550000,1,,44,,\"Лондон, Великобритания\"",
          "1234,06.03.2001,12:00:00,9,1,5550000,1,812,,,",
          "5000,01.04.2001,23:00:00,8,1,5550000,1,,,,"}},
        {{"view", "all", "--times", "22:00-06:00", "--dates", "-31.03.2001"},
         {"АбНомер,Дата звонка,Время звонка,КНС,Продолжит,Наб Номер",
          "1233,05.03.2001,23:00:00,9,4,5550000", "1234,06.03.2001,05:00:00,10,3,5550000",
          "1234,06.03.2001,23:30:00,2,4,5550000"}},
        {{"view", "mg", "--numbers", "-1233"},
         {kMgHeader, "1233,05.03.2001,23:00:00,9,4,5550000,1,495,,Москва,"}},
        {{"view", "oldmg", "--dates", "01.04.2001-"},
         {kMgHeader, "5000,01.04.2001,23:00:00,8,1,5550000,1,,,,"}},
    };
    for (const Case& c : cases) {
        const Outcome run = cli(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(run.code, 0) << run;
        EXPECT_EQ(run.out, csv(c.lines));
        EXPECT_TRUE(run.err.isEmpty()) << run;
    }
}

TEST_F(CallsCli, AListFiltersTheCallViewsButNotTheArchive) {
    const QString list = listFile("1234   \r\n5000");
    const Outcome mg = cli({"view", "mg", "--list", list});
    EXPECT_EQ(mg.code, 0) << mg;
    EXPECT_EQ(mg.out.count(QStringLiteral("\r\n")), 4) << mg;  // header and three calls
    EXPECT_FALSE(mg.out.contains(QStringLiteral("\r\n1233,")));

    const Outcome old = cli({"view", "oldmg", "--list", list});
    EXPECT_EQ(old.code, 0) << old;
    EXPECT_EQ(old.out.count(QStringLiteral("\r\n")), 3) << old;
    EXPECT_TRUE(old.err.contains(QStringLiteral("не применяется"))) << old;

    const Outcome empty = cli({"view", "all", "--list", listFile("")});
    EXPECT_EQ(empty.code, 0) << empty;
    EXPECT_EQ(empty.out.count(QStringLiteral("\r\n")), 7) << empty;
    EXPECT_TRUE(empty.err.contains(QStringLiteral("пуст"))) << empty;
}

TEST_F(CallsCli, AListIsFoundWhateverTheCaseOfItsName) {
    const QString list = listFile("1234");
    const QString upper = QFileInfo(list).path() + QStringLiteral("/NUMBERS.LST");
    const Outcome mg = cli({"view", "mg", "--list", upper});
    EXPECT_EQ(mg.code, 0) << mg;
    EXPECT_EQ(mg.out.count(QStringLiteral("\r\n")), 3) << mg;  // header and two calls
}

// Input that never ends is refused, naming the file, before it takes the memory: a call
// detail record, a number list and a dial plan read from /dev/zero under a limit of 1 GB.
TEST_F(CallsCli, EndlessInputIsRefusedWithinBoundedMemory) {
    const QString plan = home_.filePath(QStringLiteral("plan.conf"));
    {
        QFile f(plan);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("subscribers 1000 1999\ncity - 7 1\n");
    }
#ifdef __SANITIZE_ADDRESS__
    const rlim_t limit = 0;  // AddressSanitizer reserves terabytes of address space at start
#else
    const rlim_t limit = rlim_t(1) << 30;
#endif
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"import-cdr", "asterisk", "/dev/zero", "--dialplan", plan},
         "Строка 1 файла /dev/zero: запись длиннее 1 МБ; файл не загружен"},
        {{"view", "all", "--list", "/dev/zero"}, "Файл /dev/zero больше 10 МБ"},
        {{"import-cdr", "asterisk", "/dev/null", "--dialplan", "/dev/zero"},
         "План набора /dev/zero больше 1 МБ"},
    };
    for (const auto& c : cases) {
        const Outcome run = cli(c.args, limit);
        EXPECT_EQ(run.code, 1) << run;
        EXPECT_TRUE(run.err.startsWith(QString::fromUtf8(c.message))) << run;
    }
    EXPECT_EQ(sortedRows(t, QStringLiteral("SELECT Count(*) FROM DESTTAR")), QStringList{"6"});
}

TEST_F(CallsCli, BadOptionsAreRefusedWithAMessage) {
    struct Case {
        QStringList args;
        int code;
        const char* message;
    } cases[] = {
        {{"view", "grouped"}, 2, "Неизвестный вид"},
        {{"view"}, 2, "Использование"},
        {{"view", "all", "--numbers", "12a-"}, 2, "не номер абонента"},
        {{"view", "all", "--numbers", "12345678-"}, 2, "не номер абонента"},
        {{"view", "all", "--numbers", "1234"}, 2, "ожидается диапазон"},
        {{"view", "all", "--dates", "31.02.2001-"}, 2, "не дата"},
        {{"view", "all", "--dates", "-01.03.01"}, 2, "не дата"},
        {{"view", "all", "--times", "25:00-06:00"}, 1, "'25:00' is not a valid time"},
        {{"view", "all", "--times", "22:00-"}, 1, "'' is not a valid time"},
        {{"view", "all", "--numbers", "1-2", "--numbers", "3-4"}, 2, "задан дважды"},
        {{"view", "all", "--list"}, 2, "Нет значения"},
        {{"view", "all", "--list", "/nonexistent/a.lst"}, 1, "Cannot open file /nonexistent/a.lst"},
        {{"view", "all", "--colour", "red"}, 2, "Неизвестный параметр"},
        {{"grouped"}, 2, "Использование"},
        {{"grouped", "mg", "city"}, 2, "Использование"},
        {{"grouped", "debts"}, 2, "Неизвестный вид"},
    };
    for (const Case& c : cases) {
        const Outcome run = cli(c.args);
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(run.code, c.code) << run;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message))) << run;
        EXPECT_TRUE(run.out.isEmpty()) << run;
    }
}

TEST_F(CallsCli, GroupedWritesTheTotalsUnderTheResultColumnNames) {
    struct Case {
        const char* view;
        QStringList lines;
    } cases[] = {
        // 1233 ALL: 2 min x 1.5; 1234 VECH: only the evening call, 4 min x 0.25.
        {"city",
         {"Номер,Признак,КолЗвонков,ОбщПродсть,ОбщСтГор", "1233,ALL,1,2,3", "1234,VECH,1,4,1"}},
        {"mg",
         {"Номер,Признак,КолЗвонков,ОбщПродсть,ОбщСтМг", "1233,ALL,1,4,40", "1234,VECH,1,3,30"}},
        {"all",
         {"Номер,Признак,КолЗвонков,ОбщПродсть,ОбщСт", "1233,ALL,2,6,43", "1234,VECH,2,7,31"}},
    };
    for (const Case& c : cases) {
        const Outcome run = cli({"grouped", c.view});
        SCOPED_TRACE(c.view);
        EXPECT_EQ(run.code, 0) << run;
        EXPECT_EQ(run.out, csv(c.lines));
    }
    t.db().dropTable(QStringLiteral("VechTm"));
    const Outcome missing = cli({"grouped", "all"});
    EXPECT_EQ(missing.code, 1) << missing;
    EXPECT_TRUE(missing.err.contains(QStringLiteral("VechTm"))) << missing;
    EXPECT_TRUE(missing.out.isEmpty()) << missing;
}

TEST_F(CallsCli, UnbilledListsTheCallsNoTariffPricesWithTheReason) {
    const Outcome run = cli({"unbilled"});
    EXPECT_EQ(run.code, 0) << run;
    EXPECT_EQ(run.out, csv({"АбНомер,Дата звонка,Время звонка,КНС,Продолжит,Наб Номер,Тариф,Код "
                            "МГ,Код МН,Причина",
                            "1234,06.03.2001,12:00:00,9,1,5550000,1,812,,VECH/DAY: вне часов "
                            "категории",
                            "5000,01.04.2001,23:00:00,8,1,5550000,1,,,Exist не YES"}));
    EXPECT_EQ(cli({"unbilled", "city"}).code, 2);
}

TEST_F(CallsCli, ImportCdrTakesAFileOnceAndRefusesBadInput) {
    const QString plan = home_.filePath(QStringLiteral("plan.conf"));
    {
        QFile f(plan);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("subscribers 1000 1999\ncity - 7 1\nlong 8 8\nzone long 495 1\n");
    }
    const QString master = home_.filePath(QStringLiteral("Master.csv"));
    {
        QFile f(master);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(
            "\"\",\"1233\",\"84957654321\",\"d\",\"\",\"\",\"\",\"Dial\",\"\","
            "\"2001-03-07 10:00:00\",\"2001-03-07 10:00:02\",\"2001-03-07 10:01:00\",58,58,"
            "\"ANSWERED\",\"DOCUMENTATION\",\"x1\",\"\"\r\n");
    }
    const Outcome first = cli({"import-cdr", "asterisk", master, "--dialplan", plan});
    EXPECT_EQ(first.code, 0) << first;
    EXPECT_TRUE(first.out.startsWith(
        QStringLiteral("Прочитано записей: 1, загружено разговоров: 1 (минут: 1);")))
        << first;
    const Outcome mg = cli({"view", "mg", "--numbers", "1233-1233"});
    EXPECT_TRUE(
        mg.out.contains(QStringLiteral("1233,07.03.2001,10:00:02,8,1,7654321,1,495,,Москва,")))
        << mg;
    const Outcome again = cli({"import-cdr", "asterisk", master, "--dialplan", plan});
    EXPECT_TRUE(again.out.contains(QStringLiteral("загружено разговоров: 0"))) << again;
    EXPECT_TRUE(again.out.contains(QStringLiteral("повторы 1"))) << again;

    EXPECT_EQ(cli({"import-cdr", "sip", master}).code, 2);
    EXPECT_EQ(cli({"import-cdr", "asterisk"}).code, 2);
    const Outcome missing = cli({"import-cdr", "freeswitch", master + "x", "--dialplan", plan});
    EXPECT_EQ(missing.code, 1) << missing;
    const Outcome wrong = cli({"import-cdr", "freeswitch", master, "--dialplan", plan});
    EXPECT_EQ(wrong.code, 1) << wrong;
    EXPECT_TRUE(wrong.err.startsWith(QStringLiteral("Строка 1: полей 18"))) << wrong;
    // Without --dialplan the config folder's plan is written from the sample and used.
    const Outcome sample = cli({"import-cdr", "asterisk", master});
    EXPECT_EQ(sample.code, 0) << sample;
    EXPECT_TRUE(sample.out.contains(QStringLiteral("не абоненты 1"))) << sample;
    EXPECT_TRUE(QFile::exists(home_.filePath(QStringLiteral("config/Orvanta/dialplan.conf"))));
}
