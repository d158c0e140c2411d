// Spreadsheets and bank statements from orvanta-cli end to end: the workbooks of a view and of
// a table read back with openpyxl hold the values of the CSV export (numbers as numbers, dates
// as dates, the window's titles); a statement posted from the command line, a dry run that
// writes nothing, a cut statement refused with its line.

#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

using Outcome = orv::test::CliOutcome;

// Compares a workbook with a CSV file cell by cell; prints "OK" or the first difference.
const char* kCompare = R"(
import csv, datetime, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.active
rows = list(ws.iter_rows(values_only=True))
with open(sys.argv[2], newline='', encoding='utf-8') as f:
    expected = list(csv.reader(f))
def text(v):
    if v is None: return ''
    if isinstance(v, datetime.datetime): return v.strftime('%d.%m.%Y')
    if isinstance(v, datetime.time): return v.strftime('%H:%M:%S')
    return v
def same(cell, want):
    cell = text(cell)
    if isinstance(cell, (int, float)):
        try: return abs(cell - float(want)) < 1e-9
        except ValueError: return False
    return str(cell) == want
if len(rows) != len(expected): print('rows', len(rows), len(expected)); sys.exit()
for r, (got, want) in enumerate(zip(rows, expected)):
    for c, w in enumerate(want):
        if not same(got[c], w): print('cell', r, c, repr(got[c]), repr(w)); sys.exit()
money = [ws.cell(2, c).number_format for c in range(1, ws.max_column + 1)]
print('OK', ws.freeze_panes, '#,##0.00' in money, 'dd.mm.yyyy' in money)
)";

class XlsxCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(standard_.isValid() && home_.isValid());
        ASSERT_EQ(cli({QStringLiteral("init")}).code, 0);
        ASSERT_EQ(cli({QStringLiteral("sql"),
                       QStringLiteral("INSERT INTO AbTab (AbNumber, Priznak, Exist) VALUES "
                                      "(2200193, \"ALL\", \"YES\"), (3000003, \"ALL\", \"YES\")")})
                      .code,
                  0);
        ASSERT_EQ(cli({QStringLiteral("sql"),
                       QStringLiteral("INSERT INTO DolgTb (AbNumber, Priznak, YearMonth, Dolg, "
                                      "NDS) VALUES (2200193, \"ALL\", \"01.04.2026\", 167, 33.4), "
                                      "(3000003, \"ALL\", \"01.04.2026\", 1234.5678, 0)")})
                      .code,
                  0);
    }

    Outcome cli(const QStringList& args) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(orv::test::cliProgram(),
                      QStringList{QStringLiteral("--alias"),
                                  QStringLiteral("OrvantaStandard=") + standard_.path(),
                                  QStringLiteral("--today"), QStringLiteral("10.04.2026")} +
                          args);
        return orv::test::finishCli(process);
    }

    QString file(const char* name) const { return home_.filePath(QString::fromUtf8(name)); }

    // The CSV output of a command saved beside, then the workbook compared with it.
    QString compare(const QStringList& command, const char* workbook) const {
        const Outcome csv = cli(command);
        EXPECT_EQ(csv.code, 0) << csv;
        QFile saved(file("expected.csv"));
        EXPECT_TRUE(saved.open(QIODevice::WriteOnly));
        saved.write(csv.out.toUtf8());
        saved.close();
        const Outcome xlsx =
            cli(command + QStringList{QStringLiteral("--xlsx"), file(workbook)});
        EXPECT_EQ(xlsx.code, 0) << xlsx;
        return python({file(workbook), file("expected.csv")});
    }

    static QString python(const QStringList& args) {
        QProcess py;
        py.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral("-c"), QString::fromUtf8(kCompare)} + args);
        py.waitForFinished(60000);
        return QString::fromUtf8(py.readAllStandardOutput()).trimmed() +
               QString::fromUtf8(py.readAllStandardError()).trimmed();
    }

    QTemporaryDir standard_;
    QTemporaryDir home_;
};

TEST_F(XlsxCli, WorkbooksHoldTheValuesOfTheCsvExport) {
    EXPECT_EQ(compare({QStringLiteral("debts")}, "debts.xlsx"), QStringLiteral("OK A2 True True"));
    ASSERT_EQ(cli({QStringLiteral("pay"), QStringLiteral("2200193"), QStringLiteral("ALL"),
                   QStringLiteral("50")})
                  .code,
              0);
    EXPECT_EQ(compare({QStringLiteral("payments")}, "payments.xlsx"),
              QStringLiteral("OK A2 True True"));

    const Outcome exported = cli({QStringLiteral("export"), QStringLiteral("DolgTb"),
                                  file("DolgTb.xlsx")});
    EXPECT_EQ(exported.out, QStringLiteral("Выгружено записей: 2\n")) << exported;
    ASSERT_EQ(cli({QStringLiteral("export"), QStringLiteral("DolgTb"), file("DolgTb.csv")}).code,
              0);
    EXPECT_TRUE(python({file("DolgTb.xlsx"), file("DolgTb.csv")}).startsWith(u"OK A2"));

    const Outcome wrongName =
        cli({QStringLiteral("debts"), QStringLiteral("--xlsx"), file("debts.csv")});
    EXPECT_EQ(wrongName.code, 2);
}

TEST_F(XlsxCli, StatementPostedFromTheCommandLine) {
    ASSERT_EQ(cli({QStringLiteral("settings"), QStringLiteral("set"), QStringLiteral("Реквизиты"),
                   QStringLiteral("Расчетный счет"), QStringLiteral("40702810900000000001")})
                  .code,
              0);
    const QString text = QStringLiteral(
        "1CClientBankExchange\nВерсияФормата=1.02\nКодировка=Windows\n"
        "СекцияДокумент=Платежное поручение\nНомер=7\nДата=05.04.2026\nСумма=100.40\n"
        "ПлательщикСчет=40817810000000000123\nПолучательСчет=40702810900000000001\n"
        "НазначениеПлатежа=Оплата, тел. 2200193\nКонецДокумента\n"
        "СекцияДокумент=Платежное поручение\nНомер=8\nДата=05.04.2026\nСумма=10\n"
        "ПлательщикСчет=40817810000000000123\nПолучательСчет=40702810900000000001\n"
        "НазначениеПлатежа=Оплата\nКонецДокумента\nКонецФайла\n");
    QByteArray bytes;  // Windows-1251 of the Cyrillic above
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"),
                {QStringLiteral("-f"), QStringLiteral("UTF-8"), QStringLiteral("-t"),
                 QStringLiteral("CP1251")});
    iconv.write(text.toUtf8());
    iconv.closeWriteChannel();
    iconv.waitForFinished();
    bytes = iconv.readAllStandardOutput();
    QFile statement(file("st.txt"));
    ASSERT_TRUE(statement.open(QIODevice::WriteOnly));
    statement.write(bytes);
    statement.close();
    QFile cut(file("cut.txt"));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(bytes.indexOf("\xCA\xEE\xED\xE5\xF6\xC4")));  // before КонецДокумента
    cut.close();

    const Outcome refused = cli({QStringLiteral("import-payments"), file("cut.txt")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.startsWith(QStringLiteral("Строка 10: документ, начатый в строке 4")))
        << refused;
    const Outcome trial =
        cli({QStringLiteral("import-payments"), file("st.txt"), QStringLiteral("--dry-run")});
    EXPECT_EQ(trial.code, 0) << trial;
    EXPECT_TRUE(trial.out.contains(QStringLiteral("К проведению: № 7 от 05.04.2026, сумма 100.4: "
                                                  "номер 2200193, признак ALL")))
        << trial;
    EXPECT_EQ(cli({QStringLiteral("journal")}).out.count(u'\n'), 1);

    const Outcome posted = cli({QStringLiteral("import-payments"), file("st.txt")});
    EXPECT_TRUE(posted.out.contains(QStringLiteral(
        "Документов 2 на сумму 110.4: проведено 1 на сумму 100.4, повторных 0, не разнесено 1")))
        << posted;
    const Outcome unmatched = cli({QStringLiteral("unmatched-payments")});
    EXPECT_TRUE(unmatched.out.contains(
        QStringLiteral("8,05.04.2026,10,,40817810000000000123,Оплата,в назначении платежа нет "
                       "номера абонента,st.txt")))
        << unmatched;
    const Outcome again = cli({QStringLiteral("import-payments"), file("st.txt")});
    EXPECT_TRUE(again.out.contains(QStringLiteral("проведено 0 на сумму 0, повторных 1")))
        << again;
    EXPECT_EQ(cli({QStringLiteral("journal")}).out.count(u'\n'), 2);
}

}  // namespace
