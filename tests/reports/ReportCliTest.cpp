// orvanta-cli invoices and printout end to end: the line they print, the PDF and CSV they write,
// the VAT rates and issuer texts, an empty selection, a missing table, usage.

#include "ReportTestData.h"

#include <QProcess>

using namespace orv;
using namespace orv::test;

namespace {

class ReportCli : public ::testing::Test {
  protected:
    CliOutcome cli(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"),
                   home_.filePath(QStringLiteral("s.reg")));
        env.insert(QStringLiteral("LANG"), QStringLiteral("ru_RU.UTF-8"));
        env.remove(QStringLiteral("LC_ALL"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(env);
        process.start(cliProgram(),
                      QStringList{QStringLiteral("--alias"),
                                  QStringLiteral("OrvantaStandard=") + a.temp().path()} +
                          args);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    QString pdf(const char* name) const { return home_.filePath(QLatin1String(name)); }

    Accounts a;
    QTemporaryDir home_;
};

TEST_F(ReportCli, InvoicesWithTheStoredRateAndIssuer) {
    a.workedExample();
    for (int i = 0; i < 3; ++i) a.account(2000 + i, QStringLiteral("ALL"), 1, 1, 1, 1);
    EXPECT_EQ(cli({"vat-rates", "set", "01.03.2026", "22"}).code, 0);
    const CliOutcome set = cli({"settings", "set", "Реквизиты", "Телефон", "7-77-77"});
    EXPECT_EQ(set.code, 0) << set;
    EXPECT_TRUE(set.out.contains(QStringLiteral("Реквизиты\\Телефон=7-77-77 (string)"))) << set;

    const CliOutcome all = cli({"invoices", "--pdf", pdf("all.pdf")});
    EXPECT_EQ(all.code, 0) << all;
    EXPECT_EQ(all.out, QStringLiteral("Счетов: 4, страниц: 2, файл %1\n").arg(pdf("all.pdf")));
    const QString text = pdfText(pdf("all.pdf"));
    EXPECT_TRUE(text.contains(QStringLiteral("НДС 22%")));
    EXPECT_TRUE(text.contains(QStringLiteral("Телефон для справок 7-77-77")));
    EXPECT_TRUE(text.contains(QStringLiteral("ОБРАЗЕЦ")));  // the sample centre name

    const CliOutcome range = cli({"invoices", "--numbers", "-1500", "--pdf", pdf("range.pdf")});
    EXPECT_EQ(range.out, QStringLiteral("Счетов: 1, страниц: 1, файл %1\n").arg(pdf("range.pdf")))
        << range;

    QFile list(pdf("two.lst"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("2001\r\n2002\r\n");
    list.close();
    const CliOutcome listed =
        cli({"invoices", "--list", pdf("two.lst"), "--pdf", pdf("listed.pdf")});
    EXPECT_TRUE(listed.out.startsWith(QStringLiteral("Счетов: 2, страниц: 1"))) << listed;
}

TEST_F(ReportCli, EmptySelectionMissingTableAndUsage) {
    a.workedExample();
    const CliOutcome none = cli({"invoices", "--numbers", "5000-6000", "--pdf", pdf("none.pdf")});
    EXPECT_EQ(none.code, 0) << none;
    EXPECT_EQ(none.out, QStringLiteral("Нет счетов для печати; файл не записан\n"));
    EXPECT_FALSE(QFile::exists(pdf("none.pdf")));

    EXPECT_EQ(cli({"invoices"}).code, 2);
    EXPECT_EQ(cli({"invoices", "--numbers", "12-x", "--pdf", pdf("x.pdf")}).code, 2);
    EXPECT_EQ(cli({"invoices", "--dates", "01.01.2026-", "--pdf", pdf("x.pdf")}).code, 2);
    EXPECT_EQ(cli({"printout", "nothing", "--pdf", pdf("x.pdf")}).code, 2);

    a.db().dropTable(QStringLiteral("DolgTb"));
    const CliOutcome missing = cli({"invoices", "--pdf", pdf("m.pdf")});
    EXPECT_EQ(missing.code, 1) << missing;
    EXPECT_TRUE(missing.err.contains(QStringLiteral("DolgTb"), Qt::CaseInsensitive)) << missing;
}

TEST_F(ReportCli, InvoiceLinesAsCsv) {
    a.workedExample();
    const CliOutcome both = cli({"invoices", "--csv", pdf("lines.csv"), "--pdf", pdf("lines.pdf")});
    EXPECT_EQ(both.code, 0) << both;
    EXPECT_TRUE(QFile::exists(pdf("lines.pdf")));
    QFile csv(pdf("lines.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(csv.readAll()),
              QStringLiteral("АбНомер,Признак,Дата,ДолгНа,Оплачено,АбПлата,Почасовая,"
                             "Междугородние,Пеня,НДС,СтавкаНДС,Начислено,КОплате\r\n"
                             "101,ALL,01.04.2026,84.00,0.00,25.00,30.00,12.00,0.00,13.40,20,"
                             "80.40,164.40\r\n"));
    EXPECT_EQ(cli({"invoices", "--csv"}).code, 2);
}

TEST_F(ReportCli, VatRatesListedSetAndRefused) {
    const CliOutcome set =
        cli({"--today", "15.05.2026", "settings", "set", "НДС", "Процент", "21"});
    EXPECT_EQ(set.code, 0) << set;
    const CliOutcome listed = cli({"vat-rates", "set", "01.01.2027", "25,5"});
    EXPECT_EQ(listed.code, 0) << listed;
    EXPECT_EQ(listed.out, QStringLiteral("ДатаНачала,Процент\r\n01.01.2000,20\r\n01.05.2026,21\r\n"
                                         "01.01.2027,25.5\r\n"));
    for (const QStringList& bad : {QStringList{"vat-rates", "set", "01.13.2026", "20"},
                                   QStringList{"vat-rates", "set", "01.01.2026", "abc"},
                                   QStringList{"vat-rates", "set", "01.01.2026"}})
        EXPECT_EQ(cli(bad).code, 2) << bad.join(u' ').toStdString();
    const CliOutcome high = cli({"vat-rates", "set", "01.01.2026", "101"});
    EXPECT_EQ(high.code, 1) << high;
    EXPECT_EQ(cli({"vat-rates"}).out, listed.out) << "a refused rate changes nothing";
}

TEST_F(ReportCli, PrintoutOfTheDebtView) {
    a.workedExample();
    const CliOutcome run = cli({"printout", "debts", "--pdf", pdf("debts.pdf")});
    EXPECT_EQ(run.code, 0) << run;
    EXPECT_EQ(run.out, QStringLiteral("Страниц: 1, файл %1\n").arg(pdf("debts.pdf")));
    const QString text = pdfText(pdf("debts.pdf"));
    EXPECT_TRUE(text.contains(QStringLiteral("QueryDolg")));
    EXPECT_TRUE(text.contains(QStringLiteral("LastYearMonth")));
    const CliOutcome city = cli({"printout", "city", "--numbers", "1-2", "--pdf", pdf("c.pdf")});
    EXPECT_EQ(city.code, 0) << city;
    EXPECT_TRUE(pdfText(pdf("c.pdf")).contains(QStringLiteral("QueryCity")));
}

}  // namespace
