// orvanta-cli end to end: the binary run as a script would run it, on temporary alias folders,
// with its settings and aliases kept in temporary folders too. Exit codes, stdout and stderr
// and the table files are what is checked.

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

using Outcome = orv::test::CliOutcome;

const QString kHeader = QStringLiteral(
    "AbNumber,Date_of_call,Time_of_call,Longivity,Cat,Number_of_call,Code,CodeForeign,TRF");

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo(program()).isExecutable()) << program().toStdString();
        ASSERT_TRUE(standard_.isValid() && everyday_.isValid() && home_.isValid());
    }

    static QString program() { return orv::test::cliProgram(); }
    QString settingsFile() const { return home_.filePath(QStringLiteral("Orvanta.reg")); }
    QString file(const QString& name) const { return home_.filePath(name); }

    // Runs orvanta-cli with the two aliases bound (OrvantaStandard to folder, by default the
    // test's standard folder) and waits for it to end.
    Outcome cli(const QStringList& args, const QString& folder = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"), settingsFile());
        QProcess process;
        process.setProcessEnvironment(env);
        const QString standard = folder.isEmpty() ? standard_.path() : folder;
        process.start(
            program(),
            QStringList{QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + standard,
                        QStringLiteral("--alias"),
                        QStringLiteral("OrvantaEveryday=") + everyday_.path()} +
                args);
        Outcome run;
        if (!process.waitForFinished(300000)) {
            ADD_FAILURE() << "orvanta-cli did not finish: " << args.join(' ').toStdString();
            process.kill();
            process.waitForFinished();
            return run;
        }
        if (process.exitStatus() == QProcess::NormalExit) run.code = process.exitCode();
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    void init() { ASSERT_EQ(cli({QStringLiteral("init")}).code, 0); }

    QString writeFile(const QString& name, const QStringList& lines) const {
        QFile f(file(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        return f.fileName();
    }

    QString callCount(const QString& folder = {}) const {
        return cli({QStringLiteral("sql"), QStringLiteral("SELECT count(*) n FROM DESTTAR")},
                   folder)
            .out;
    }

    QTemporaryDir standard_;
    QTemporaryDir everyday_;
    QTemporaryDir home_;
};

QString csv(const QStringList& lines) { return lines.join(QStringLiteral("\r\n")) + "\r\n"; }

TEST_F(Cli, InitCreatesTheEightStartupTablesOnceAndTablesListsThem) {
    const Outcome first = cli({QStringLiteral("init")});
    ASSERT_EQ(first.code, 0) << first;
    QString expected;
    for (const char* name :
         {"Prazdn", "OldMG", "PaneDate", "DolgTb", "AbTab", "DESTTAR", "PrDlgCt", "PrDlgMG"})
        expected += QStringLiteral("Создана таблица %1\n").arg(QLatin1String(name));
    EXPECT_EQ(first.out, expected);
    for (const char* f : {"Prazdn.db", "OldMG.DB", "PaneDate.DB", "DolgTb.db", "AbTab.DB",
                          "DESTTAR.db", "PrDlgCt.db", "PrDlgMG.db"})
        EXPECT_TRUE(QFile::exists(standard_.filePath(QLatin1String(f)))) << f;

    const Outcome second = cli({QStringLiteral("init")});
    EXPECT_EQ(second.code, 0);
    EXPECT_EQ(second.out, QStringLiteral("Все таблицы на месте\n"));

    const Outcome tables = cli({QStringLiteral("tables")});
    EXPECT_EQ(tables.code, 0);
    EXPECT_EQ(
        tables.out,
        QStringLiteral("AbTab\nDESTTAR\nDolgTb\nOldMG\nPaneDate\nPrazdn\nPrDlgCt\nPrDlgMG\n"));
    const Outcome everyday = cli({QStringLiteral("tables"), QStringLiteral("OrvantaEveryday")});
    EXPECT_EQ(everyday.code, 0);
    EXPECT_EQ(everyday.out, QString());
}

TEST_F(Cli, SqlWritesCsvWithQuotingDatesTimesAmountsAndEmptyNulls) {
    init();
    struct Text {
        const char* stored;
        const char* field;
    };
    const Text texts[] = {
        {"ул. Ленина", "ул. Ленина"},
        {"Садовая, 5", "\"Садовая, 5\""},
        {"ООО \"Исток\"", "\"ООО \"\"Исток\"\"\""},
        {"две\nстроки", "\"две\nстроки\""},
    };
    QStringList expected = {QStringLiteral("AbNumber,Adress,FIO")};
    int number = 1;
    for (const Text& t : texts) {
        const Outcome insert =
            cli({QStringLiteral("sql"),
                 QStringLiteral("INSERT INTO AbTab (AbNumber, Adress) VALUES (:n, :a)"),
                 QStringLiteral("--param"), QStringLiteral("n=%1").arg(number),
                 QStringLiteral("--param"), QStringLiteral("a=") + QString::fromUtf8(t.stored)});
        ASSERT_EQ(insert.code, 0) << insert;
        EXPECT_EQ(insert.out, QStringLiteral("Изменено записей: 1\n"));
        expected << QStringLiteral("%1,%2,").arg(number++).arg(QString::fromUtf8(t.field));
    }
    const Outcome names =
        cli({QStringLiteral("sql"),
             QStringLiteral("SELECT AbNumber, Adress, FIO FROM AbTab ORDER BY AbNumber")});
    EXPECT_EQ(names.code, 0) << names;
    EXPECT_EQ(names.out, csv(expected));

    // Floats are amounts: as stored, rounded to four decimals, without trailing zeros or the
    // binary noise of the sums.
    struct Float {
        const char* param;  // empty: no value (NULL)
        const char* field;
    };
    const Float floats[] = {
        {"0.1", "0.1"},
        {"0.30000000000000004", "0.3"},
        {"1977.8600000000001", "1977.86"},
        {"58.900000000000006", "58.9"},
        {"2.0", "2"},
        {"-123456.789", "-123456.789"},
        {"-0.00001", "0"},
        {"12.34567", "12.3457"},
        {"", ""},
    };
    expected = {QStringLiteral("AbNumber,Date_of_call,Time_of_call,TRF")};
    number = 1;
    for (const Float& f : floats) {
        const QString trf = QString::fromLatin1(f.param);
        QStringList args = {
            QStringLiteral("sql"),
            trf.isEmpty()
                ? QStringLiteral("INSERT INTO DESTTAR (AbNumber, Date_of_call, "
                                 "Time_of_call, Longivity, Cat) VALUES (:n, :d, :t, 1, 1)")
                : QStringLiteral("INSERT INTO DESTTAR (AbNumber, Date_of_call, "
                                 "Time_of_call, Longivity, Cat, TRF) VALUES (:n, :d, "
                                 ":t, 1, 1, :f)"),
            QStringLiteral("--param"),
            QStringLiteral("n=%1").arg(number),
            QStringLiteral("--param"),
            QStringLiteral("d=0%1.03.2024").arg(number),
            QStringLiteral("--param"),
            QStringLiteral("t=23:3%1:05").arg(number)};
        if (!trf.isEmpty()) args << QStringLiteral("--param") << QStringLiteral("f=") + trf;
        const Outcome insert = cli(args);
        ASSERT_EQ(insert.code, 0) << insert;
        expected << QStringLiteral("%1,0%1.03.2024,23:3%1:05,%2")
                        .arg(number++)
                        .arg(QLatin1String(f.field));
        if (!trf.isEmpty()) {
            EXPECT_NEAR(QString::fromLatin1(f.field).toDouble(), trf.toDouble(), 0.00005)
                << f.param;
        }
    }
    const Outcome calls =
        cli({QStringLiteral("sql"),
             QStringLiteral("SELECT AbNumber, Date_of_call, Time_of_call, TRF FROM "
                            "DESTTAR ORDER BY AbNumber")});
    EXPECT_EQ(calls.code, 0) << calls;
    EXPECT_EQ(calls.out, csv(expected));

    // A date parameter selects by a date column, a time parameter by a time column.
    const Outcome byDate =
        cli({QStringLiteral("sql"),
             QStringLiteral("SELECT AbNumber FROM DESTTAR WHERE Date_of_call = :d "
                            "AND Time_of_call BETWEEN :from AND :to"),
             QStringLiteral("--param"), QStringLiteral("d=03.03.2024"), QStringLiteral("--param"),
             QStringLiteral("from=23:30:00"), QStringLiteral("--param"),
             QStringLiteral("to=23:59:59")});
    EXPECT_EQ(byDate.out, csv({QStringLiteral("AbNumber"), QStringLiteral("3")})) << byDate;

    const Outcome deleted = cli(
        {QStringLiteral("sql"), QStringLiteral("DELETE FROM DESTTAR WHERE TRF IS NULL OR TRF < :x"),
         QStringLiteral("--param"), QStringLiteral("x=0.2")});
    EXPECT_EQ(deleted.code, 0) << deleted;
    EXPECT_EQ(deleted.out, QStringLiteral("Изменено записей: 4\n"));
}

TEST_F(Cli, ParameterValuesAreTypedByTheirForm) {
    struct Case {
        const char* value;
        const char* type;
        const char* quoted;
    };
    const Case cases[] = {
        {"15.03.2024", "text", "'2024-03-15'"},  // a date, stored as ISO text
        {"07:05:09", "text", "'07:05:09'"},
        {"42", "integer", "42"},
        {"-7", "integer", "-7"},
        {"2.5", "real", "2.5"},
        {"1e-05", "real", "1.0e-05"},  // the way the CSV writes small floats
        {"Иванов", "text", "'Иванов'"},
        {"15.3.2024", "text", "'15.3.2024'"},  // not dd.mm.yyyy: a string
    };
    for (const Case& c : cases) {
        const Outcome run =
            cli({QStringLiteral("sql"), QStringLiteral("SELECT typeof(:v) t, quote(:v) q"),
                 QStringLiteral("--param"), QStringLiteral("v=") + QString::fromUtf8(c.value)});
        EXPECT_EQ(run.code, 0) << run;
        EXPECT_EQ(
            run.out,
            csv({QStringLiteral("t,q"),
                 QStringLiteral("%1,%2").arg(QLatin1String(c.type), QString::fromUtf8(c.quoted))}))
            << c.value;
    }

    struct Bad {
        const char* value;
        const char* message;
    };
    const Bad bad[] = {
        {"31.02.2024", "'31.02.2024' не дата ДД.ММ.ГГГГ"},
        {"25:00:00", "'25:00:00' не время ЧЧ:ММ:СС"},
        {"99999999999999999999", "'99999999999999999999' не целое число"},
    };
    for (const Bad& b : bad) {
        const Outcome run =
            cli({QStringLiteral("sql"), QStringLiteral("SELECT :v v"), QStringLiteral("--param"),
                 QStringLiteral("v=") + QLatin1String(b.value)});
        EXPECT_EQ(run.code, 1) << run;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(b.message))) << run;
        EXPECT_TRUE(run.out.isEmpty()) << run;
    }
}

TEST_F(Cli, RefusalsAndUsageErrorsHaveTheirExitCodeAndMessageOnStderr) {
    init();
    struct Case {
        QStringList args;
        int code;
        const char* message;
    };
    const QString missing = file(QStringLiteral("no/such/folder/out.csv"));
    const Case cases[] = {
        {{"sql", "SELECT * FROM Missing"}, 1, "Таблица Missing не найдена"},
        {{"sql", "SELECT :a a FROM AbTab"}, 1, "Не задано значение параметра :a"},
        {{"export", "Nothing", "x.csv"}, 1, "Таблица Nothing не найдена"},
        {{"export", "AbTab", missing}, 1, "Не удалось записать файл"},
        {{"import-calls", file(QStringLiteral("absent.csv"))}, 1, "Не удалось открыть файл"},
        {{"settings", "set", "Пеня", "Процент", "много"}, 1, "не число"},
        {{"sql"}, 2, "sql \"TEXT\""},
        {{"sql", "SELECT 1", "--param", "x"}, 2, "Ожидается --param ИМЯ=ЗНАЧЕНИЕ"},
        {{"init", "extra"}, 2, "init не принимает аргументов"},
        {{"bogus"}, 2, "Неизвестная команда bogus"},
        {{"--today", "31.02.2024", "init"}, 2, "Неправильная дата --today"},
        {{"--today"}, 2, "Нет значения для --today"},
        {{"import-calls"}, 2, "import-calls FILE.csv"},
        {{"demo", "--calls", "много"}, 2, "--calls: 'много' не целое неотрицательное число"},
        {{"demo", "--months", "61"}, 2, "Число месяцев должно быть от 0 до 60"},
        {{"demo", "--subscribers", "0"}, 2, "Число абонентов должно быть от 1 до 100000"},
        {{"demo", "--colour", "red"}, 2, "Неизвестный параметр --colour"},
        {{"demo", "--seed"}, 2, "Нет значения для --seed"},
        {{"settings", "set", "Foo", "Bar", "1"}, 2, "Неизвестная настройка Foo\\Bar"},
        {{"settings"}, 2, "settings show"},
    };
    for (const Case& c : cases) {
        const Outcome run = cli(c.args);
        EXPECT_EQ(run.code, c.code) << run;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message))) << run;
        EXPECT_TRUE(run.out.isEmpty()) << run;
    }
    EXPECT_FALSE(QFile::exists(settingsFile()));
    EXPECT_FALSE(QFile::exists(standard_.filePath(QStringLiteral("ABPLATA.db"))));
}

// The option refusals of every command keep their wording: the fault, then the command's usage.
TEST_F(Cli, OptionRefusalsNameTheFaultAboveTheUsage) {
    init();
    const QString view = QStringLiteral(
        "Использование: orvanta-cli view all|city|mg|oldmg [--numbers С-ПО] "
        "[--dates ДД.ММ.ГГГГ-ДД.ММ.ГГГГ] [--times ЧЧ:ММ-ЧЧ:ММ] [--list ФАЙЛ.lst] [--xlsx ФАЙЛ]\n");
    const QString journal = QStringLiteral(
        "Использование: orvanta-cli journal [--numbers С-ПО] [--dates ДД.ММ.ГГГГ-ДД.ММ.ГГГГ] "
        "[--xlsx ФАЙЛ]\n");
    const QString statement = QStringLiteral(
        "Использование: orvanta-cli statement --numbers С-ПО --month ММ.ГГГГ [--csv ФАЙЛ | --pdf "
        "ФАЙЛ]\n");
    const QString fill = QStringLiteral(
        "Использование: orvanta-cli fill-subscribers С ПО [--category ПРИЗНАК] [--exist "
        "НАЛИЧИЕ]\n");
    const QString grouped =
        QStringLiteral("Использование: orvanta-cli grouped city|mg|all [--xlsx ФАЙЛ]\n");
    const QString debts =
        QStringLiteral("Использование: orvanta-cli debts [--list ФАЙЛ.lst] [--xlsx ФАЙЛ]\n");
    const QString cdr = QStringLiteral(
        "Использование: orvanta-cli import-cdr asterisk|freeswitch ФАЙЛ [--dialplan ФАЙЛ] "
        "[--again]\n");
    const QString invoices = QStringLiteral(
        "Использование: orvanta-cli invoices [--numbers С-ПО] [--list ФАЙЛ.lst] [--pdf ФАЙЛ.pdf] "
        "[--csv ФАЙЛ.csv] (хотя бы один из файлов)\n");
    const struct {
        QStringList args;
        QString err;  // the end of stderr
    } cases[] = {
        {{"view", "all", "--colour", "red"}, "Неизвестный параметр --colour\n" + view},
        {{"view", "all", "--numbers"}, "Нет значения для --numbers\n" + view},
        {{"view", "all", "--numbers", "1-2", "--numbers", "3-4"},
         "--numbers задан дважды\n" + view},
        {{"view", "all", "stray"}, "Лишний параметр stray\n" + view},
        {{"view", "all", "--xlsx", "a.txt", "--xlsx", "b.xlsx"},
         "--xlsx: имя файла должно оканчиваться на .xlsx\n" + view},
        {{"journal", "--numbers", "1-2", "--numbers", "1-2"}, "--numbers задан дважды\n" + journal},
        {{"journal", "--xlsx"}, "Нет значения для --xlsx\n" + journal},
        {{"statement", "--bogus", "1"}, "Неизвестный параметр --bogus\n" + statement},
        {{"statement", "--numbers", "5-2", "--month", "01.2024"},
         "--numbers: С больше ПО\n" + statement},
        {{"fill-subscribers", "1", "5", "--category"}, "Нет значения для --category\n" + fill},
        {{"fill-subscribers", "1", "5", "--exist", "NO", "--exist", "YES"},
         "--exist задан дважды\n" + fill},
        {{"grouped", "city", "--xlsx", "a.xlsx", "--xlsx", "b.xlsx"},
         "--xlsx задан дважды\n" + grouped},
        {{"debts", "--list", "a.lst", "--list", "b.lst"}, debts},
        {{"import-cdr", "asterisk", "calls.csv", "--dialplan"}, cdr},
        {{"import-cdr", "asterisk", "calls.csv", "--again", "--bogus"},
         "Неизвестный параметр --bogus\n" + cdr},
        {{"sql", "SELECT 1", "--bogus", "x"},
         "Ожидается --param ИМЯ=ЗНАЧЕНИЕ, получено: --bogus\n"},
        {{"invoices", "--csv", "a.csv", "--dates", "1-2"},
         "Неизвестный параметр --dates\n" + invoices},
        {{"invoices", "--pdf", "a.pdf", "--pdf", "b.pdf"}, "--pdf задан дважды\n" + invoices},
    };
    for (const auto& c : cases) {
        const Outcome run = cli(c.args);
        EXPECT_EQ(run.code, 2) << run;
        EXPECT_TRUE(run.err.endsWith(c.err)) << run;
        if (!c.args.contains(QStringLiteral("invoices")))
            EXPECT_EQ(run.err, c.err) << run;  // nothing else said
    }
    const Outcome global = cli({"--bogus", "x", "init"});
    EXPECT_EQ(global.code, 2);
    EXPECT_TRUE(global.err.startsWith(
        QStringLiteral("Неизвестный параметр --bogus\nИспользование: orvanta-cli [--alias")))
        << global;
    // An option that may be given again is not refused.
    EXPECT_EQ(cli({"--today", "01.02.2024", "--today", "02.02.2024", "tables"}).code, 0);
}

TEST_F(Cli, ExportWritesEveryRowAsTheSqlCommandWouldPrintIt) {
    init();
    const QString calls =
        writeFile(QStringLiteral("calls.csv"),
                  {kHeader, QStringLiteral("2201001,01.03.2024,22:15:00,4,8,1234567,495,,2"),
                   QStringLiteral("2201002,02.03.2024,09:00:30,1,1,2234567,,,")});
    ASSERT_EQ(cli({QStringLiteral("import-calls"), calls}).code, 0);
    const QString out = file(QStringLiteral("desttar.csv"));
    const Outcome run = cli({QStringLiteral("export"), QStringLiteral("desttar.db"), out});
    EXPECT_EQ(run.code, 0) << run;
    EXPECT_EQ(run.out, QStringLiteral("Выгружено записей: 2\n"));
    QFile exported(out);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(exported.readAll());
    EXPECT_EQ(text, cli({QStringLiteral("sql"), QStringLiteral("SELECT * FROM DESTTAR")}).out);
    EXPECT_EQ(text, csv({kHeader, QStringLiteral("2201001,01.03.2024,22:15:00,4,8,1234567,495,,2"),
                         QStringLiteral("2201002,02.03.2024,09:00:30,1,1,2234567,,,")}));
}

TEST_F(Cli, ImportCallsAppendsAFileOnceUnlessAgainIsGiven) {
    init();
    // Columns in another order and case; ISO dates and hh:mm times are read as well.
    const QString good =
        writeFile(QStringLiteral("good.csv"),
                  {QStringLiteral("trf,CODE,codeforeign,abnumber,cat,Longivity,Number_of_call,"
                                  "Time_of_call,Date_of_call"),
                   QStringLiteral("2,495,,2201001,8,4,1234567,22:15:00,01.03.2024"),
                   QStringLiteral(",,,2201002,1,1,2234567,09:00,2024-03-02"),
                   QStringLiteral("5,,49,2201003,9,12,123456789,23:59:59,29.02.2024")});
    const Outcome first = cli({QStringLiteral("import-calls"), good});
    ASSERT_EQ(first.code, 0) << first;
    EXPECT_EQ(first.out, QStringLiteral("Добавлено разговоров: 3\n"));
    EXPECT_EQ(
        cli({QStringLiteral("sql"), QStringLiteral("SELECT * FROM DESTTAR ORDER BY AbNumber")}).out,
        csv({kHeader, QStringLiteral("2201001,01.03.2024,22:15:00,4,8,1234567,495,,2"),
             QStringLiteral("2201002,02.03.2024,09:00:00,1,1,2234567,,,"),
             QStringLiteral("2201003,29.02.2024,23:59:59,12,9,123456789,,49,5")}));

    const Outcome again = cli({QStringLiteral("import-calls"), good});
    EXPECT_EQ(again.code, 1) << again;
    EXPECT_TRUE(
        again.err.contains(QStringLiteral("Все 3 записей файла %1 уже есть в DESTTAR").arg(good)))
        << again;
    EXPECT_EQ(callCount(), csv({QStringLiteral("n"), QStringLiteral("3")}));

    const Outcome forced = cli({QStringLiteral("import-calls"), good, QStringLiteral("--again")});
    EXPECT_EQ(forced.code, 0) << forced;
    EXPECT_EQ(callCount(), csv({QStringLiteral("n"), QStringLiteral("6")}));

    // A file with one call already present and one new is appended whole.
    const QString mixed =
        writeFile(QStringLiteral("mixed.csv"),
                  {kHeader, QStringLiteral("2201002,02.03.2024,09:00:00,1,1,2234567,,,"),
                   QStringLiteral("2201002,02.03.2024,09:00:00,1,1,2234568,,,")});
    EXPECT_EQ(cli({QStringLiteral("import-calls"), mixed}).code, 0);
    EXPECT_EQ(callCount(), csv({QStringLiteral("n"), QStringLiteral("8")}));
}

TEST_F(Cli, ImportCallsRefusesTheWholeFileForOneBadRowNamingItsLine) {
    init();
    const QString good = QStringLiteral("2201001,15.03.2024,10:00:00,3,1,2234567,,,");
    const QString seed = writeFile(QStringLiteral("seed.csv"), {kHeader, good});
    ASSERT_EQ(cli({QStringLiteral("import-calls"), seed}).code, 0);
    struct Case {
        QStringList lines;  // after the header
        const char* message;
    };
    const Case cases[] = {
        {{good, "2201002,32.03.2024,10:00:00,3,1,,,,"},
         "Строка 3: поле Date_of_call: '32.03.2024' не дата"},
        {{",15.03.2024,10:00:00,3,1,,,,", good}, "Строка 2: не заполнено поле AbNumber"},
        {{"10000000,15.03.2024,10:00:00,3,1,,,,"}, "Строка 2: поле AbNumber: '10000000'"},
        {{good, good, "2201002,15.03.2024,10:61:00,3,1,,,,"}, "Строка 4: поле Time_of_call"},
        {{"2201002,15.03.2024,10:00:00,3,8,,12345678901,,2"},
         "Строка 2: поле Code: '12345678901' длиннее 10"},
        {{"2201002,15.03.2024,10:00:00,3,40000,,,,"}, "Строка 2: поле Cat: '40000'"},
        {{"2201002,15.03.2024,10:00:00,3,8,,495,,зона"}, "Строка 2: поле TRF: 'зона' не число"},
        {{"2201002,15.03.2024,10:00:00,x,1,,,,"}, "Строка 2: поле Longivity: 'x'"},
        // A quoted field over two lines: the bad row after it is counted by physical lines.
        {{"2201002,15.03.2024,10:00:00,3,8,,\"4\n9\",,2", good, "bad,15.03.2024,10:00:00,3,1,,,,"},
         "Строка 5: поле AbNumber: 'bad'"},
        {{good, "2201002,15.03.2024,10:00:00,3,1,2234567"}, "Строка 3: полей 6, а в заголовке 9"},
        {{good, "2201002,\"15.03.2024,10:00:00,3,1,,,,"}, "Строка 3: незакрытые кавычки"},
    };
    for (const Case& c : cases) {
        const QString path = writeFile(QStringLiteral("bad.csv"), QStringList{kHeader} + c.lines);
        const Outcome run = cli({QStringLiteral("import-calls"), path});
        EXPECT_EQ(run.code, 1) << run;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message))) << run;
        EXPECT_TRUE(run.err.contains(QStringLiteral("файл не загружен"))) << run;
        EXPECT_EQ(callCount(), csv({QStringLiteral("n"), QStringLiteral("1")})) << c.message;
    }

    const QString noTrf = writeFile(QStringLiteral("header.csv"),
                                    {QString(kHeader).remove(QStringLiteral(",TRF")), good});
    const Outcome header = cli({QStringLiteral("import-calls"), noTrf});
    EXPECT_EQ(header.code, 1);
    EXPECT_TRUE(header.err.contains(QStringLiteral("Строка 1: в заголовке нет столбца TRF")))
        << header;
    const QString onlyHeader = writeFile(QStringLiteral("empty.csv"), {kHeader});
    const Outcome empty = cli({QStringLiteral("import-calls"), onlyHeader});
    EXPECT_EQ(empty.code, 1);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("нет записей разговоров"))) << empty;
    EXPECT_EQ(callCount(), csv({QStringLiteral("n"), QStringLiteral("1")}));
}

TEST_F(Cli, SettingsShowsDefaultsAndStoresEachSettingWithItsType) {
    const Outcome fresh = cli({QStringLiteral("settings"), QStringLiteral("show")});
    EXPECT_EQ(fresh.code, 0) << fresh;
    EXPECT_EQ(fresh.out,
              QStringLiteral("Файл настроек: %1 (не существует; действуют значения по умолчанию)\n"
                             "MnMg\\Использовать=1 (по умолчанию)\n"
                             "Пеня\\Использовать=0 (по умолчанию)\n"
                             "Пеня\\Процент=1 (по умолчанию)\n"
                             "НДС\\Использовать=1 (по умолчанию)\n"
                             "НДС\\Процент=20 (по умолчанию)\n"
                             "NoUchet\\Min=0 (по умолчанию)\n"
                             "Копии\\Хранить=24 (по умолчанию)\n"
                             "Архив\\Хранить месяцев=36 (по умолчанию)\n")
                  .arg(settingsFile()));

    struct Case {
        const char* section;
        const char* name;
        const char* text;
        const char* line;
    };
    const Case cases[] = {
        {"Пеня", "Процент", "2.5", "Пеня\\Процент=2.5 (float)"},
        {"НДС", "Использовать", "нет", "НДС\\Использовать=0 (string)"},
        {"ндс", "процент", "18", "НДС\\Процент=18 (float)"},
        {"NoUchet", "Min", "30", "NoUchet\\Min=30 (dword)"},
        {"MnMg", "Использовать", "false", "MnMg\\Использовать=0 (string)"},
        {"Копии", "Хранить", "3", "Копии\\Хранить=3 (dword)"},
    };
    for (const Case& c : cases) {
        const Outcome run =
            cli({QStringLiteral("settings"), QStringLiteral("set"), QString::fromUtf8(c.section),
                 QString::fromUtf8(c.name), QString::fromUtf8(c.text)});
        EXPECT_EQ(run.code, 0) << run;
        EXPECT_EQ(run.out, QString::fromUtf8(c.line) + QLatin1Char('\n'));
    }
    QFile stored(settingsFile());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray before = stored.readAll();
    EXPECT_TRUE(before.contains("[HKEY_CURRENT_USER\\Software\\Orvanta\\NoUchet]"));
    stored.close();

    const Outcome show = cli({QStringLiteral("settings"), QStringLiteral("show")});
    EXPECT_EQ(show.code, 0);
    EXPECT_TRUE(show.out.startsWith(QStringLiteral("Файл настроек: %1\n").arg(settingsFile())));
    for (const Case& c : cases) EXPECT_TRUE(show.out.contains(QString::fromUtf8(c.line))) << show;
    EXPECT_TRUE(show.out.contains(QStringLiteral("Пеня\\Использовать=0 (по умолчанию)\n"))) << show;
    EXPECT_TRUE(show.out.endsWith(QStringLiteral("Архив\\Хранить месяцев=36 (по умолчанию)\n")))
        << show;

    for (const char* text : {"двадцать", "0", "100000"}) {
        const Outcome bad =
            cli({QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("Копии"),
                 QStringLiteral("Хранить"), QString::fromUtf8(text)});
        EXPECT_EQ(bad.code, 1) << text << bad;
    }
    const Outcome bad =
        cli({QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("НДС"),
             QStringLiteral("Процент"), QStringLiteral("двадцать")});
    EXPECT_EQ(bad.code, 1);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), before);
}

TEST_F(Cli, DemoGivesTheSameCallsForTheSameSeedAndOthersForAnother) {
    QTemporaryDir same;
    QTemporaryDir other;
    const QStringList options = {QStringLiteral("--subscribers"), QStringLiteral("60"),
                                 QStringLiteral("--calls"),       QStringLiteral("3000"),
                                 QStringLiteral("--months"),      QStringLiteral("2")};
    auto demo = [&](const QString& folder, const char* seed) {
        const Outcome run =
            cli(QStringList{QStringLiteral("--today"), QStringLiteral("15.05.2024"),
                            QStringLiteral("demo"), QStringLiteral("--seed"), QLatin1String(seed)} +
                    options,
                folder);
        EXPECT_EQ(run.code, 0) << run;
        return run.out;
    };
    auto exported = [&](const QString& folder, const QString& table) {
        const QString path = file(QStringLiteral("%1-%2.csv").arg(QDir(folder).dirName(), table));
        EXPECT_EQ(cli({QStringLiteral("export"), table, path}, folder).code, 0);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    };
    const QString summary = demo(standard_.path(), "7");
    EXPECT_TRUE(
        summary.contains(QStringLiteral("DESTTAR: разговоров 3000 с 01.03.2024 по 15.05.2024")))
        << summary.toStdString();
    EXPECT_TRUE(summary.contains(QStringLiteral("ABPLATA: записей 3, с 01.03.2024 по 01.05.2024")))
        << summary.toStdString();
    QString sameSummary = summary;
    EXPECT_EQ(demo(same.path(), "7"), sameSummary.replace(standard_.path(), same.path()));
    demo(other.path(), "8");

    for (const QString& table : {QStringLiteral("DESTTAR"), QStringLiteral("AbTab")}) {
        const QByteArray first = exported(standard_.path(), table);
        EXPECT_EQ(exported(same.path(), table), first) << table.toStdString();
        EXPECT_NE(exported(other.path(), table), first) << table.toStdString();
    }
    EXPECT_EQ(callCount(), csv({QStringLiteral("n"), QStringLiteral("3000")}));
}

TEST_F(Cli, DemoWritesOnlyIntoEmptyTables) {
    init();
    // Empty start-up tables are no obstacle.
    const Outcome first =
        cli({QStringLiteral("demo"), QStringLiteral("--calls"), QStringLiteral("100")});
    ASSERT_EQ(first.code, 0) << first;
    const Outcome second = cli({QStringLiteral("demo")});
    EXPECT_EQ(second.code, 1);
    EXPECT_TRUE(second.err.contains(QStringLiteral("Таблица AbTab уже содержит записи"))) << second;
    EXPECT_EQ(callCount(), csv({QStringLiteral("n"), QStringLiteral("100")}));

    // One call in an otherwise empty folder: refused, and no table is created.
    QTemporaryDir folder;
    ASSERT_EQ(cli({QStringLiteral("init")}, folder.path()).code, 0);
    const QString call =
        writeFile(QStringLiteral("one.csv"),
                  {kHeader, QStringLiteral("2201001,15.03.2024,10:00:00,3,1,,,,")});
    ASSERT_EQ(cli({QStringLiteral("import-calls"), call}, folder.path()).code, 0);
    const QString tablesBefore = cli({QStringLiteral("tables")}, folder.path()).out;
    const Outcome refused = cli({QStringLiteral("demo")}, folder.path());
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("Таблица DESTTAR уже содержит записи")))
        << refused;
    EXPECT_EQ(cli({QStringLiteral("tables")}, folder.path()).out, tablesBefore);
    EXPECT_EQ(callCount(folder.path()), csv({QStringLiteral("n"), QStringLiteral("1")}));
    EXPECT_EQ(
        cli({QStringLiteral("sql"), QStringLiteral("SELECT count(*) n FROM AbTab")}, folder.path())
            .out,
        csv({QStringLiteral("n"), QStringLiteral("0")}));
}

}  // namespace

// The calls file is read as the exchange's records are: a blank line is skipped, a quote out of
// place refuses the file, and an endless file is refused before it takes the memory.
TEST_F(Cli, ImportCallsReadsItsFileAsTheExchangeRecordsAreRead) {
    init();
    const QString good = QStringLiteral("2201001,15.03.2024,10:00:00,3,1,2234567,,,");
    const QString blank = writeFile(QStringLiteral("blank.csv"), {kHeader, good, QString(), good});
    const Outcome added = cli({QStringLiteral("import-calls"), blank});
    EXPECT_EQ(added.code, 0) << added;
    EXPECT_EQ(added.out, QStringLiteral("Добавлено разговоров: 2\n"));
    const struct {
        QString line;
        const char* message;
    } cases[] = {
        {QStringLiteral("2201002,15.03.2024,10:00:00,3,1,22\"34\",,,"),
         "Строка 2: кавычка внутри поля без кавычек; файл не загружен"},
        {QStringLiteral("2201002,\"15.03.2024\"x,10:00:00,3,1,,,,"),
         "Строка 2: символы после закрывающей кавычки; файл не загружен"},
    };
    for (const auto& c : cases) {
        const Outcome run = cli({QStringLiteral("import-calls"),
                                 writeFile(QStringLiteral("bad.csv"), {kHeader, c.line})});
        EXPECT_EQ(run.code, 1) << run;
        EXPECT_EQ(run.err, QString::fromUtf8(c.message) + u'\n') << run;
    }
    const Outcome endless = cli({QStringLiteral("import-calls"), QStringLiteral("/dev/zero")});
    EXPECT_EQ(endless.code, 1) << endless;
    EXPECT_TRUE(endless.err.contains(QStringLiteral("запись длиннее 1 МБ"))) << endless;
    EXPECT_EQ(callCount(), csv({QStringLiteral("n"), QStringLiteral("2")}));
}

TEST_F(Cli, ImportCallsRefusesNulInvalidTextAndNonFiniteNumbersShowingAtMost40Characters) {
    init();
    const QByteArray header = kHeader.toUtf8() + '\n';
    const QByteArray good = "2201001,15.03.2024,10:00:00,3,1,2234567,,,\n";
    const QByteArray longField(100000, '7');
    struct Case {
        const char* what;
        QByteArray rows;
        QString message;
    } cases[] = {
        {"NUL inside a number",
         QByteArray("2203\0"
                    "372,15.03.2024,10:00:00,3,1,,,,\n",
                    36),
         QStringLiteral("Строка 2: символ NUL")},
        {"NUL inside a text",
         good + QByteArray("2203372,15.03.2024,10:00:00,3,8,,49\0"
                           "5,,1\n",
                           42),
         QStringLiteral("Строка 3: символ NUL")},
        {"invalid UTF-8", good + "2203372,15.03.2024,10:00:00,3,8,,4\xff\xfe,,1\n",
         QStringLiteral("Строка 3: текст не в кодировке UTF-8")},
        {"nan", "2203372,15.03.2024,10:00:00,3,8,,495,,nan\n", QStringLiteral("поле TRF: 'nan'")},
        {"infinity", "2203372,15.03.2024,10:00:00,3,8,,495,,inf\n",
         QStringLiteral("поле TRF: 'inf'")},
        {"a long field", "2203372,15.03.2024,10:00:00," + longField + ",8,,495,,1\n",
         QStringLiteral("поле Longivity: '") + QString(40, u'7') + QStringLiteral("…'")},
        {"a stray quote on line 2", "2203372,\"15.03.2024,10:00:00,3,1,,,,\n" + good.repeated(2000),
         QStringLiteral("Строка 2: незакрытые кавычки")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile f(file(QStringLiteral("bad.csv")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(header + c.rows);
        f.close();
        const Outcome run = cli({QStringLiteral("import-calls"), f.fileName()});
        EXPECT_EQ(run.code, 1) << run;
        EXPECT_TRUE(run.err.contains(c.message)) << run;
        EXPECT_LT(run.err.size(), 200) << run;
        EXPECT_EQ(callCount(), csv({QStringLiteral("n"), QStringLiteral("0")}));
    }
    // A quoted field of 100,000 lines is read as one field and refused as one.
    QFile f(file(QStringLiteral("quoted.csv")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(header + "2203372,15.03.2024,10:00:00,3,8,,\"" + QByteArray("4\n").repeated(100000) +
            "\",,1\n");
    f.close();
    const Outcome quoted = cli({QStringLiteral("import-calls"), f.fileName()});
    EXPECT_EQ(quoted.code, 1) << quoted;
    EXPECT_TRUE(quoted.err.contains(QStringLiteral("Строка 2: поле Code: '4\n4\n"))) << quoted;
    EXPECT_LT(quoted.err.size(), 200);
}

TEST_F(Cli, SqlKeepsToTheTablesOfItsAliasFolder) {
    init();
    const QString outside = QFileInfo(standard_.path()).absolutePath();
    const QString elsewhere = file(QStringLiteral("elsewhere.db"));
    struct Case {
        QString text;
        QString message;
    } cases[] = {
        {QStringLiteral("CREATE TABLE \"../outside\" (a INTEGER)"),
         QStringLiteral("Имя таблицы «../outside» не может быть путем к файлу")},
        {QStringLiteral("ATTACH DATABASE '%1' AS x").arg(elsewhere),
         QStringLiteral("Команда ATTACH не выполняется")},
        {QStringLiteral("DETACH DATABASE x"), QStringLiteral("Команда DETACH не выполняется")},
        {QStringLiteral("PRAGMA writable_schema=1"),
         QStringLiteral("Команда PRAGMA не выполняется")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const Outcome run = cli({QStringLiteral("sql"), c.text});
        EXPECT_EQ(run.code, 1) << run;
        EXPECT_TRUE(run.err.startsWith(c.message)) << run;
    }
    EXPECT_FALSE(QFileInfo::exists(outside + QStringLiteral("/outside.db")));
    EXPECT_FALSE(QFileInfo::exists(elsewhere));
    const Outcome create =
        cli({QStringLiteral("sql"), QStringLiteral("CREATE TABLE Mine (a INTEGER)")});
    EXPECT_EQ(create.code, 0) << create;
    EXPECT_TRUE(QFileInfo::exists(standard_.filePath(QStringLiteral("Mine.db"))));
}

TEST_F(Cli, AMissingAliasFolderOrADamagedAliasFileIsRefusedAndNothingIsCreated) {
    const QString config = home_.filePath(QStringLiteral("config/Orvanta"));
    ASSERT_TRUE(QDir().mkpath(config));
    const QString gone = home_.filePath(QStringLiteral("share/unmounted"));
    auto run = [&](const QByteArray& aliases, const QStringList& args) {
        QFile f(config + QStringLiteral("/aliases.conf"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(aliases);
        f.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"), settingsFile());
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program(), args);
        EXPECT_TRUE(process.waitForFinished(60000));
        return Outcome{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                       QString::fromUtf8(process.readAllStandardError())};
    };
    const QByteArray named = "[OrvantaStandard]\nType=STANDARD\nPath=" + gone.toUtf8() +
                             "\n\n[OrvantaEveryday]\nType=STANDARD\nPath=" + gone.toUtf8() + "\n";
    for (const QStringList& args :
         {QStringList{QStringLiteral("init")}, QStringList{QStringLiteral("debts")},
          QStringList{QStringLiteral("tables")}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const Outcome refused = run(named, args);
        EXPECT_EQ(refused.code, 1) << refused;
        EXPECT_EQ(refused.err, QStringLiteral("Папка псевдонима %1 не найдена\n").arg(gone));
        EXPECT_FALSE(QFileInfo::exists(gone));
    }
    const QByteArray cut = named.left(named.indexOf("unmounted") + 4);
    const Outcome truncated = run(cut, {QStringLiteral("init")});
    EXPECT_EQ(truncated.code, 1) << truncated;
    EXPECT_TRUE(truncated.err.contains(QStringLiteral("повреждён: файл оборван"))) << truncated;
    EXPECT_FALSE(QFileInfo::exists(gone.left(gone.size() - 5)));
}
