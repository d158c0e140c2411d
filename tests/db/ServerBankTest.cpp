// Bank statements, the demo exchange, new tables and the merge on a server alias: each gives
// what it gives on the table files, and seats doing the same work at once do it once.

#include "ServerCliFixture.h"

#include <QFile>
#include <algorithm>
#include <memory>
#include <vector>

namespace orv::test {
namespace {

const QString kOurAccount = QStringLiteral("40702810900000000001");

// The text in Windows-1251, the code page the statement's header names.
QByteArray windows1251(const QString& text) {
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("UTF-8"),
                                          QStringLiteral("-t"), QStringLiteral("CP1251")});
    iconv.write(text.toUtf8());
    iconv.closeWriteChannel();
    iconv.waitForFinished();
    return iconv.readAllStandardOutput();
}

QString document(const QString& number, const QString& sum, const QString& purpose,
                 const QString& payer = QStringLiteral("40817810000000000123")) {
    return QStringLiteral("СекцияДокумент=Платежное поручение\nНомер=%1\nДата=05.04.2026\n"
                          "Сумма=%2\nПлательщикСчет=%3\nПолучательСчет=%4\n"
                          "НазначениеПлатежа=%5\nКонецДокумента\n")
        .arg(number, sum, payer, kOurAccount, purpose);
}

// The rows of a CSV output in a stable order, header first.
QString sortedRows(const QString& csv) {
    QStringList rows = csv.split(u'\n', Qt::SkipEmptyParts);
    if (rows.isEmpty()) return {};
    const QString header = rows.takeFirst().toLower();
    std::sort(rows.begin(), rows.end());
    rows.prepend(header);
    return rows.join(u'\n');
}

class ServerBank : public ServerWork {
  protected:
    void SetUp() override {
        ServerWork::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        const CliOutcome set = cli({QStringLiteral("settings"), QStringLiteral("set"),
                                    QStringLiteral("Реквизиты"), QStringLiteral("Расчетный счет"),
                                    kOurAccount});
        ASSERT_EQ(set.code, 0) << set;
        debtors_ = serverRows(QStringLiteral("SELECT AbNumber, Priznak FROM DolgTb WHERE Dolg + "
                                             "NDS > 100 ORDER BY AbNumber"));
        ASSERT_GE(debtors_.size(), 2);
        for (QString& debtor : debtors_) debtor = debtor.trimmed();
    }

    // A statement paying the first two debtors, with a document that names no subscriber, one
    // that names an unknown number and a repeat of the first.
    QString writeStatement(const QString& name) const {
        const QStringList first = debtors_[0].split(u',');
        const QStringList second = debtors_[1].split(u',');
        const QString text =
            QStringLiteral("1CClientBankExchange\nВерсияФормата=1.03\nКодировка=Windows\n") +
            document(QStringLiteral("11"), QStringLiteral("40.50"),
                     QStringLiteral("Оплата связи, тел. %1 признак %2").arg(first[0], first[1])) +
            document(QStringLiteral("12"), QStringLiteral("15"),
                     QStringLiteral("Оплата, л/с %1 признак %2").arg(second[0], second[1])) +
            document(QStringLiteral("13"), QStringLiteral("7.25"), QStringLiteral("Оплата")) +
            document(QStringLiteral("14"), QStringLiteral("3"),
                     QStringLiteral("Оплата, тел. 9999999")) +
            document(QStringLiteral("11"), QStringLiteral("40.50"),
                     QStringLiteral("Оплата связи, тел. %1 признак %2").arg(first[0], first[1])) +
            QStringLiteral("КонецФайла\n");
        QFile file(statements_.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(windows1251(text));
        return file.fileName();
    }

    QString unmatchedCode(const CliOutcome& list, const QString& documentNumber) const {
        for (const QString& line : list.out.split(u'\n'))
            if (line.section(u',', 1, 1) == documentNumber) return line.section(u',', 0, 0);
        return {};
    }

    QStringList debtors_;
    QTemporaryDir statements_;
};

TEST_F(ServerBank, StatementPostsAsOnTableFiles) {
    const QString statement = writeStatement(QStringLiteral("april.txt"));
    expectSameOutput({QStringLiteral("import-payments"), statement, QStringLiteral("--dry-run")});
    expectSameOutput({QStringLiteral("import-payments"), statement});
    expectSameOutput({QStringLiteral("unmatched-payments")});
    expectSameOutput({QStringLiteral("debts")});
    expectSameOutput({QStringLiteral("payments")});
    // Loaded again: every document a repeat or still unmatched, nothing posted twice.
    expectSameOutput({QStringLiteral("import-payments"), statement});
    const CliOutcome posted = onServer({QStringLiteral("import-payments"), statement});
    EXPECT_TRUE(posted.out.contains(QStringLiteral("проведено 0 на сумму 0, повторных 3"))) << posted;

    const CliOutcome list = onServer({QStringLiteral("unmatched-payments")});
    const QString code = unmatchedCode(list, QStringLiteral("13"));
    ASSERT_FALSE(code.isEmpty()) << list;
    const QStringList debtor = debtors_[0].split(u',');
    const QStringList byHand = {QStringLiteral("pay-unmatched"), code, debtor[0], debtor[1]};
    const CliOutcome paidHere = onFolder(byHand);
    const CliOutcome paidThere = onServer(byHand);
    ASSERT_EQ(paidHere.code, 0) << paidHere;
    EXPECT_EQ(paidThere.out, paidHere.out) << paidThere;
    expectSameOutput({QStringLiteral("unmatched-payments")});
    const CliOutcome twiceHere = onFolder(byHand);
    const CliOutcome twiceThere = onServer(byHand);
    EXPECT_EQ(twiceThere.code, 1) << twiceThere;
    EXPECT_EQ(twiceThere.err, twiceHere.err);
    expectSameOutput({QStringLiteral("debts")});

    const QString docs = QStringLiteral(
        "SELECT DocNumber, DocDate, Amount, Status, Reason, AbNumber, Priznak, FileName, "
        "DocLine FROM BankDocs");
    EXPECT_EQ(sortedRows(onServer({QStringLiteral("sql"), docs}).out),
              sortedRows(onFolder({QStringLiteral("sql"), docs}).out));
    const QString journal = QStringLiteral("SELECT AbNumber, Priznak, Pane, EnteredBy FROM "
                                           "PaneJournal");
    EXPECT_EQ(sortedRows(onServer({QStringLiteral("sql"), journal}).out),
              sortedRows(onFolder({QStringLiteral("sql"), journal}).out));

    // A copy of the kept documents on the server holds the same rows.
    const QStringList copy = {QStringLiteral("copy-table"), QStringLiteral("BankDocs"),
                              QStringLiteral("DocsCopy")};
    const CliOutcome copied = onServer(copy);
    EXPECT_EQ(copied.code, 0) << copied;
    EXPECT_EQ(copied.out, onFolder(copy).out);

    // Copied down into a folder the kept documents keep their codes, the one posted by hand
    // (a row the server rewrote) included.
    const CliOutcome down =
        cli(serverAlias() + QStringList{QStringLiteral("--alias"),
                                        QStringLiteral("Back=") + back_.path(),
                                        QStringLiteral("copy-alias"),
                                        QStringLiteral("OrvantaStandard"), QStringLiteral("Back")});
    ASSERT_EQ(down.code, 0) << down;
    const CliOutcome back = cli({QStringLiteral("--alias"),
                                 QStringLiteral("OrvantaStandard=") + back_.path(),
                                 QStringLiteral("unmatched-payments")});
    EXPECT_EQ(back.out, onServer({QStringLiteral("unmatched-payments")}).out);
    const QString allDocs = QStringLiteral("SELECT DocNumber, Status FROM BankDocs ORDER BY rowid");
    EXPECT_EQ(cli({QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + back_.path(),
                   QStringLiteral("sql"), allDocs})
                  .out,
              onFolder({QStringLiteral("sql"), allDocs}).out);
}

// Documents kept in a folder and then copied up keep their codes on the server, where the
// statement's commands go on with them.
TEST_F(ServerBank, DocumentsCopiedUpKeepTheirCodes) {
    const QString statement = writeStatement(QStringLiteral("march.txt"));
    const CliOutcome loaded = onFolder({QStringLiteral("import-payments"), statement});
    ASSERT_EQ(loaded.code, 0) << loaded;
    const QString other = PgServer::url(pgServer().newDatabase(QStringLiteral("later")));
    const CliOutcome up = cli({QStringLiteral("--alias"), folderAlias(), QStringLiteral("--alias"),
                               QStringLiteral("Later=") + other, QStringLiteral("copy-alias"),
                               QStringLiteral("OrvantaStandard"), QStringLiteral("Later")});
    ASSERT_EQ(up.code, 0) << up;
    const QStringList later = {QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + other};

    const QStringList trial = {QStringLiteral("import-payments"), statement,
                               QStringLiteral("--dry-run")};
    const CliOutcome trialThere = cli(later + trial);
    EXPECT_EQ(trialThere.code, 0) << trialThere;
    EXPECT_EQ(trialThere.out, onFolder(trial).out);
    const QStringList list = {QStringLiteral("unmatched-payments")};
    EXPECT_EQ(cli(later + list).out, onFolder(list).out);
    const QStringList debtor = debtors_[1].split(u',');
    const QStringList byHand = {QStringLiteral("pay-unmatched"), QStringLiteral("4"), debtor[0],
                                debtor[1]};
    const CliOutcome paidThere = cli(later + byHand);
    EXPECT_EQ(paidThere.code, 0) << paidThere;
    EXPECT_EQ(paidThere.out, onFolder(byHand).out);
    EXPECT_EQ(cli(later + list).out, onFolder(list).out);
}

// Seats loading the same statement at once post each payment once: a seat finds the statement
// posted or is turned away with a message.
TEST_F(ServerBank, SeatsLoadingOneStatementPostItOnce) {
    const QString statement = writeStatement(QStringLiteral("seats.txt"));
    const auto journalRows = [&] {
        return serverRows(QStringLiteral("SELECT COUNT(*) FROM PaneJournal")).value(0).toInt();
    };
    constexpr int kSeats = 3;
    std::vector<std::unique_ptr<QProcess>> seats;
    for (int i = 0; i < kSeats; ++i) {
        seats.push_back(std::make_unique<QProcess>());
        startCli(*seats.back(),
                 serverAlias() + QStringList{QStringLiteral("import-payments"), statement});
    }
    int posted = 0;
    for (auto& seat : seats) {
        const CliOutcome outcome = finishCli(*seat);
        if (outcome.code == 0) {
            if (outcome.out.contains(QStringLiteral("проведено 2 на сумму 55.5"))) {
                ++posted;
                continue;
            }
            EXPECT_TRUE(outcome.out.contains(QStringLiteral("проведено 0 на сумму 0"))) << outcome;
            continue;
        }
        EXPECT_EQ(outcome.code, 1) << outcome;
        EXPECT_TRUE(outcome.err.startsWith(QStringLiteral("Выписка банка уже проводится"))) << outcome;
    }
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(journalRows(), 2);
    EXPECT_EQ(serverRows(QStringLiteral("SELECT COUNT(*) FROM BankDocs")).value(0).toInt(), 4);
    const CliOutcome list = onServer({QStringLiteral("unmatched-payments")});
    EXPECT_EQ(list.out.count(u'\n'), 3) << list;
}

TEST_F(ServerCli, DemoAndNewTablesAreTheSameAsInAFolder) {
    const QStringList folder = {QStringLiteral("--alias"),
                                QStringLiteral("OrvantaStandard=") + files_.path()};
    const QStringList server = {QStringLiteral("--alias"),
                                QStringLiteral("OrvantaStandard=") + server_};
    const CliOutcome initHere = cli(folder + QStringList{QStringLiteral("init")});
    const CliOutcome initThere = cli(server + QStringList{QStringLiteral("init")});
    ASSERT_EQ(initThere.code, 0) << initThere;
    EXPECT_EQ(initThere.out, initHere.out);
    EXPECT_EQ(cli(server + QStringList{QStringLiteral("init")}).out,
              QStringLiteral("Все таблицы на месте\n"));

    const QStringList demo = {QStringLiteral("demo"),    QStringLiteral("--subscribers"),
                              QStringLiteral("15"),      QStringLiteral("--calls"),
                              QStringLiteral("400"),     QStringLiteral("--months"),
                              QStringLiteral("1"),       QStringLiteral("--seed"),
                              QStringLiteral("9")};
    // Two seats fill the demo at once: one fills it, the other is refused.
    QProcess first;
    QProcess second;
    startCli(first, server + demo);
    startCli(second, server + demo);
    const CliOutcome there[] = {finishCli(first), finishCli(second)};
    const CliOutcome here = cli(folder + demo);
    ASSERT_EQ(here.code, 0) << here;
    const int filled = (there[0].code == 0) + (there[1].code == 0);
    EXPECT_EQ(filled, 1) << there[0] << there[1];
    for (const CliOutcome& seat : there) {
        if (seat.code == 0) {
            EXPECT_EQ(seat.out.section(u'\n', 1), here.out.section(u'\n', 1));
            EXPECT_TRUE(seat.out.startsWith(QStringLiteral("Пример заполнен на сервере"))) << seat;
        } else {
            EXPECT_EQ(seat.code, 1) << seat;
            EXPECT_TRUE(seat.err.contains(QStringLiteral("ничего не изменено"))) << seat;
        }
    }
    const CliOutcome again = cli(server + demo);
    EXPECT_EQ(again.code, 1) << again;
    EXPECT_EQ(again.err, QStringLiteral("Таблица AbTab уже содержит записи. Пример заполняет "
                                        "только пустые таблицы; ничего не изменено\n"));
    for (const QString& table :
         {QStringLiteral("AbTab"), QStringLiteral("ABPLATA"), QStringLiteral("TARIFCIT"),
          QStringLiteral("Tarif1"), QStringLiteral("VechTm"), QStringLiteral("Sng"),
          QStringLiteral("Foren"), QStringLiteral("Prazdn"), QStringLiteral("DESTTAR")}) {
        const QStringList all = {QStringLiteral("sql"), QStringLiteral("SELECT * FROM ") + table};
        const CliOutcome rowsThere = cli(server + all);
        ASSERT_EQ(rowsThere.code, 0) << rowsThere;
        EXPECT_EQ(rowsThere.out, cli(folder + all).out) << table.toStdString();
    }
    const QStringList view = {QStringLiteral("view"), QStringLiteral("all")};
    EXPECT_EQ(cli(server + view).out, cli(folder + view).out);
    EXPECT_EQ(cli(server + QStringList{QStringLiteral("tables")}).out,
              cli(folder + QStringList{QStringLiteral("tables")}).out);
}

TEST_F(ServerWork, MergeWritesTheServersTableInOneGo) {
    const auto onBoth = [&](const QStringList& args) {
        const QStringList everydayHere = {QStringLiteral("--alias"),
                                          QStringLiteral("OrvantaEveryday=") + files_.path()};
        const QStringList everydayThere = {QStringLiteral("--alias"),
                                           QStringLiteral("OrvantaEveryday=") + server_};
        return std::pair{onFolder(everydayHere + args), onServer(everydayThere + args)};
    };
    for (const QStringList& step :
         {QStringList{QStringLiteral("copy-table"), QStringLiteral("AbTab"),
                      QStringLiteral("PartOne")},
          QStringList{QStringLiteral("copy-table"), QStringLiteral("AbTab"),
                      QStringLiteral("PartTwo")},
          QStringList{QStringLiteral("sql"),
                      QStringLiteral("DELETE FROM PartOne WHERE AbNumber > 2200010")},
          QStringList{QStringLiteral("sql"),
                      QStringLiteral("UPDATE PartTwo SET FIO = 'Другой' WHERE AbNumber < 2200005")},
          QStringList{QStringLiteral("merge"), QStringLiteral("PartOne.db"),
                      QStringLiteral("/elsewhere/PartTwo.db")},
          QStringList{QStringLiteral("merge"), QStringLiteral("PartTwo.db"),
                      QStringLiteral("PartOne.db"), QStringLiteral("PartTwo.db")}}) {
        const auto [here, there] = onBoth(step);
        ASSERT_EQ(here.code, 0) << here;
        ASSERT_EQ(there.code, 0) << there;
        EXPECT_EQ(there.out, here.out) << step.join(u' ').toStdString();
    }
    for (const QString& merged : {QStringLiteral("PartOnePartTwo"), QStringLiteral("PartTwoPartTwo")}) {
        const auto [here, there] =
            onBoth({QStringLiteral("sql"), QStringLiteral("SELECT * FROM ") + merged});
        EXPECT_EQ(sortedRows(there.out), sortedRows(here.out)) << merged.toStdString();
        EXPECT_GT(here.out.count(u'\n'), 10);
    }
    // Tables whose columns differ are refused and leave the merged table as it was.
    const auto [before, beforeThere] =
        onBoth({QStringLiteral("sql"), QStringLiteral("SELECT COUNT(*) FROM PartOnePartTwo")});
    const auto [wrongHere, wrongThere] =
        onBoth({QStringLiteral("merge"), QStringLiteral("PartOne"), QStringLiteral("Prazdn"),
                QStringLiteral("PartTwo")});
    EXPECT_EQ(wrongHere.code, 1) << wrongHere;
    EXPECT_EQ(wrongThere.code, 1) << wrongThere;
    EXPECT_EQ(onServer({QStringLiteral("--alias"), QStringLiteral("OrvantaEveryday=") + server_,
                        QStringLiteral("sql"), QStringLiteral("SELECT COUNT(*) FROM PartOnePartTwo")})
                  .out,
              beforeThere.out);
    const auto [missingHere, missingThere] =
        onBoth({QStringLiteral("merge"), QStringLiteral("PartOne"), QStringLiteral("NoSuch")});
    EXPECT_EQ(missingThere.code, 1) << missingThere;
    EXPECT_TRUE(missingThere.err.startsWith(QStringLiteral("Таблица NoSuch не найдена на сервере")))
        << missingThere;
}

}  // namespace
}  // namespace orv::test
