// The operator's commands on a server alias give what they give on the table files: reports,
// lists and exports read the same, and each change leaves the same rows; seats loading calls at
// once while the collector inserts add every call once and never turn the collector away.

#include "ServerCliFixture.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <memory>
#include <vector>

namespace orv::test {
namespace {

std::string contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// "страниц: 3" or "Страниц: 3" of a report command's summary line.
int pagesOf(const QString& summary) {
    static const QRegularExpression pages(QStringLiteral("[Сс]траниц: (\\d+)"));
    const QRegularExpressionMatch found = pages.match(summary);
    return found.hasMatch() ? found.captured(1).toInt() : -1;
}

enum class Header { Exact, AnyCase };

// The rows of a table in a stable order, header first.
std::string sortedRows(const QString& csv, Header header = Header::Exact) {
    QStringList rows = csv.split(u'\n', Qt::SkipEmptyParts);
    if (rows.isEmpty()) return {};
    const QString names = rows.takeFirst();
    std::sort(rows.begin(), rows.end());
    rows.prepend(header == Header::Exact ? names : names.toLower());
    return rows.join(u'\n').toStdString();
}

class ServerCommands : public ServerWork {
  protected:
    // Runs the command on both sides; the file arguments named "@" are given a file of each
    // side's own. Returns both outcomes, folder first.
    std::pair<CliOutcome, CliOutcome> onBoth(const QStringList& args) const {
        const auto sideArgs = [&](const QString& side) {
            QStringList with = args;
            for (QString& arg : with)
                if (arg.startsWith(u'@')) arg = out_.filePath(side + arg.mid(1));
            return with;
        };
        return {onFolder(sideArgs(QStringLiteral("here"))),
                onServer(sideArgs(QStringLiteral("there")))};
    }
    QString hereFile(const QString& name) const {
        return out_.filePath(QStringLiteral("here") + name);
    }
    QString thereFile(const QString& name) const {
        return out_.filePath(QStringLiteral("there") + name);
    }
    // Both sides succeed with the same output, the paths of their own files aside.
    void expectSame(const QStringList& args) const {
        const auto [here, there] = onBoth(args);
        ASSERT_EQ(here.code, 0) << here;
        ASSERT_EQ(there.code, 0) << there;
        EXPECT_EQ(QString(there.out).replace(QStringLiteral("there"), QStringLiteral("here")),
                  here.out)
            << args.join(u' ').toStdString();
    }
    // The same rows of the table on both sides, in any order.
    void expectSameTable(const QString& table, Header header = Header::Exact) const {
        const QStringList args = {QStringLiteral("sql"), QStringLiteral("SELECT * FROM ") + table};
        const CliOutcome here = onFolder(args);
        const CliOutcome there = onServer(args);
        ASSERT_EQ(here.code, 0) << here;
        ASSERT_EQ(there.code, 0) << there;
        EXPECT_EQ(sortedRows(there.out, header), sortedRows(here.out, header))
            << table.toStdString();
    }

    QTemporaryDir out_;
};

TEST_F(ServerCommands, InvoicesAndPrintoutsAreTheSameAsFromTableFiles) {
    // A payment after the run, so that the invoices split the journal by the run.
    const QStringList debtor =
        serverRows(QStringLiteral("SELECT AbNumber, Priznak FROM DolgTb WHERE Dolg + NDS > 100 "
                                  "ORDER BY AbNumber"))
            .value(0)
            .trimmed()
            .split(u',');
    ASSERT_EQ(debtor.size(), 2);
    const auto [paidHere, paidThere] =
        onBoth({QStringLiteral("pay"), debtor[0], debtor[1], QStringLiteral("12,50")});
    ASSERT_EQ(paidHere.code, 0) << paidHere;
    ASSERT_EQ(paidThere.code, 0) << paidThere;

    const auto [here, there] =
        onBoth({QStringLiteral("invoices"), QStringLiteral("--csv"), QStringLiteral("@.csv"),
                QStringLiteral("--pdf"), QStringLiteral("@.pdf")});
    ASSERT_EQ(here.code, 0) << here;
    ASSERT_EQ(there.code, 0) << there;
    const std::string invoices = contentsOf(hereFile(QStringLiteral(".csv")));
    EXPECT_GT(std::count(invoices.begin(), invoices.end(), '\n'), 2);
    EXPECT_EQ(contentsOf(thereFile(QStringLiteral(".csv"))), invoices);
    EXPECT_NE(invoices.find(",12.50,"), std::string::npos) << invoices;
    EXPECT_GT(pagesOf(here.out), 0) << here;
    EXPECT_EQ(pagesOf(there.out), pagesOf(here.out)) << there;
    expectSame({QStringLiteral("invoices"), QStringLiteral("--numbers"),
                debtor[0] + u'-' + debtor[0], QStringLiteral("--csv"), QStringLiteral("@one.csv")});
    EXPECT_EQ(contentsOf(thereFile(QStringLiteral("one.csv"))),
              contentsOf(hereFile(QStringLiteral("one.csv"))));

    for (const QString& view : {QStringLiteral("all"), QStringLiteral("mg"),
                                QStringLiteral("debts"), QStringLiteral("payments")}) {
        const auto [printedHere, printedThere] = onBoth(
            {QStringLiteral("printout"), view, QStringLiteral("--pdf"), QStringLiteral("@.pdf")});
        ASSERT_EQ(printedHere.code, 0) << printedHere;
        ASSERT_EQ(printedThere.code, 0) << printedThere;
        EXPECT_GT(pagesOf(printedHere.out), 0) << printedHere;
        EXPECT_EQ(pagesOf(printedThere.out), pagesOf(printedHere.out)) << view.toStdString();
    }
}

TEST_F(ServerCommands, ListsAndExportsAreTheSameAsFromTableFiles) {
    const QString entries = QStringLiteral(
        "INSERT INTO PaneJournal (AbNumber, Priznak, Date_of_pane, Time_of_pane, Dolg, Pane, "
        "EnteredBy) VALUES (%1, 'ALL', '2026-11-0%2', '10:00:00', 100, %2, 'касса')");
    for (int i : {3, 1, 2}) {
        const auto [here, there] = onBoth({QStringLiteral("sql"), entries.arg(2200000 + i).arg(i)});
        ASSERT_EQ(here.code, 0) << here;
        ASSERT_EQ(there.code, 0) << there;
    }
    expectSame({QStringLiteral("payments")});
    expectSame({QStringLiteral("journal")});
    expectSame({QStringLiteral("journal"), QStringLiteral("--numbers"),
                QStringLiteral("2200001-2200002")});
    expectSame({QStringLiteral("unbilled")});
    expectSame({QStringLiteral("vat-rates")});
    const CliOutcome journal = onServer({QStringLiteral("journal")});
    EXPECT_LT(journal.out.indexOf(QStringLiteral("2200003")),
              journal.out.indexOf(QStringLiteral("2200001")))
        << "the journal lists entries in the order they were made: " << journal;

    expectSame({QStringLiteral("export"), QStringLiteral("AbTab"), QStringLiteral("@.csv")});
    EXPECT_EQ(contentsOf(thereFile(QStringLiteral(".csv"))),
              contentsOf(hereFile(QStringLiteral(".csv"))));
    expectSame({QStringLiteral("export"), QStringLiteral("DESTTAR"), QStringLiteral("@.xlsx")});
    EXPECT_GT(contentsOf(thereFile(QStringLiteral(".xlsx"))).size(), 1000u);

    const CliOutcome missing =
        onServer({QStringLiteral("export"), QStringLiteral("NoSuch"), QStringLiteral("x.csv")});
    EXPECT_EQ(missing.code, 1) << missing;
}

TEST_F(ServerCommands, ChangesLeaveTheSameRowsAsOnTableFiles) {
    expectSame({QStringLiteral("vat-rates"), QStringLiteral("set"), QStringLiteral("01.07.2027"),
                QStringLiteral("25")});
    expectSame({QStringLiteral("fill-subscribers"), QStringLiteral("2290000"),
                QStringLiteral("2290009"), QStringLiteral("--category"), QStringLiteral("VECH")});
    expectSame({QStringLiteral("fill-subscribers"), QStringLiteral("2290005"),
                QStringLiteral("2290014"), QStringLiteral("--category"), QStringLiteral("vech")});
    expectSame({QStringLiteral("fill-weekends"), QStringLiteral("2031")});
    expectSame({QStringLiteral("fill-weekends"), QStringLiteral("2031")});

    const QString day = QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    writeFile(hereFile(QStringLiteral("calls.csv")),
              QStringLiteral("AbNumber,Date_of_call,Time_of_call,Longivity,Cat,Number_of_call,"
                             "Code,CodeForeign,TRF\n2200001,%1,09:00:00,3,1,2212345,,,\n"
                             "2200002,%1,09:05:00,61,8,7654321,495,,2\n")
                  .arg(day)
                  .toUtf8());
    QFile::copy(hereFile(QStringLiteral("calls.csv")), thereFile(QStringLiteral("calls.csv")));
    expectSame({QStringLiteral("import-calls"), QStringLiteral("@calls.csv")});
    const auto [againHere, againThere] =
        onBoth({QStringLiteral("import-calls"), QStringLiteral("@calls.csv")});
    EXPECT_EQ(againHere.code, 1) << againHere;
    EXPECT_EQ(againThere.code, 1) << againThere;
    EXPECT_EQ(QString(againThere.err).replace(QStringLiteral("there"), QStringLiteral("here")),
              againHere.err);

    const QByteArray plan = "subscribers 2200000 2299999\ncity - 7 1\nlong 8 8\nzone long 495 2\n";
    writeFile(hereFile(QStringLiteral("plan.conf")), plan);
    writeFile(thereFile(QStringLiteral("plan.conf")), plan);
    const QString stamp = QDate::currentDate().toString(Qt::ISODate);
    const QByteArray master =
        QStringLiteral(
            "\"\",\"2200003\",\"84951112233\",\"d\",\"\",\"\",\"\",\"Dial\",\"\",\"%1 11:00:00\","
            "\"%1 11:00:02\",\"%1 11:02:00\",118,118,\"ANSWERED\",\"DOCUMENTATION\",\"u1\",\"\"\r\n"
            "\"\",\"2200004\",\"2213344\",\"d\",\"\",\"\",\"\",\"Dial\",\"\",\"%1 12:00:00\","
            "\"%1 12:00:01\",\"%1 12:00:30\",29,29,\"ANSWERED\",\"DOCUMENTATION\",\"u2\",\"\"\r\n")
            .arg(stamp)
            .toUtf8();
    writeFile(hereFile(QStringLiteral("Master.csv")), master);
    writeFile(thereFile(QStringLiteral("Master.csv")), master);
    expectSame({QStringLiteral("import-cdr"), QStringLiteral("asterisk"),
                QStringLiteral("@Master.csv"), QStringLiteral("--dialplan"),
                QStringLiteral("@plan.conf")});
    expectSame({QStringLiteral("import-cdr"), QStringLiteral("asterisk"),
                QStringLiteral("@Master.csv"), QStringLiteral("--dialplan"),
                QStringLiteral("@plan.conf")});

    expectSame({QStringLiteral("copy-table"), QStringLiteral("AbTab"), QStringLiteral("AbCopy")});
    const auto [twiceHere, twiceThere] =
        onBoth({QStringLiteral("copy-table"), QStringLiteral("AbTab"), QStringLiteral("AbCopy")});
    EXPECT_EQ(twiceHere.code, 1) << twiceHere;
    EXPECT_EQ(twiceThere.err, twiceHere.err);
    expectSame({QStringLiteral("copy-table"), QStringLiteral("DESTTAR"), QStringLiteral("AbCopy"),
                QStringLiteral("--replace")});
    expectSame({QStringLiteral("clear-table"), QStringLiteral("Prazdn")});

    for (const QString& table :
         {QStringLiteral("NdsRates"), QStringLiteral("AbTab"), QStringLiteral("PaneDate"),
          QStringLiteral("Prazdn"), QStringLiteral("DESTTAR")})
        expectSameTable(table);
    // A table the program does not declare has its columns in lower case on the server.
    expectSameTable(QStringLiteral("AbCopy"), Header::AnyCase);

    // A table copied between the server and a folder keeps every row.
    QTemporaryDir spare;
    const CliOutcome down =
        cli(serverAlias() + QStringList{QStringLiteral("--alias"),
                                        QStringLiteral("OrvantaEveryday=") + spare.path(),
                                        QStringLiteral("copy-table"), QStringLiteral("DESTTAR"),
                                        QStringLiteral("OrvantaEveryday:Calls")});
    ASSERT_EQ(down.code, 0) << down;
    const CliOutcome count =
        onFolder({QStringLiteral("sql"), QStringLiteral("SELECT COUNT(*) FROM DESTTAR")});
    EXPECT_EQ(
        down.out,
        QStringLiteral("Скопировано записей: %1\n").arg(count.out.section(u'\n', 1, 1).trimmed()));
}

// Seats loading one file at once while the collector inserts: the file's calls land once, each
// other seat is refused with a message and changes nothing, every collector insert lands.
TEST_F(ServerCommands, SeatsLoadingOneFileAddItOnceBesideTheCollector) {
    const auto callCount = [&] {
        return serverRows(QStringLiteral("SELECT COUNT(*) FROM DESTTAR")).value(0).toInt();
    };
    const int before = callCount();
    constexpr int kCalls = 400;
    QByteArray csv =
        "AbNumber,Date_of_call,Time_of_call,Longivity,Cat,Number_of_call,Code,"
        "CodeForeign,TRF\n";
    for (int i = 0; i < kCalls; ++i)
        csv += QStringLiteral("2200001,01.12.2026,%1:%2:00,%3,1,2212345,,,\n")
                   .arg(i / 60, 2, 10, QLatin1Char('0'))
                   .arg(i % 60, 2, 10, QLatin1Char('0'))
                   .arg(i + 1)
                   .toUtf8();
    const QString file = out_.filePath(QStringLiteral("calls.csv"));
    writeFile(file, csv);

    constexpr int kSeats = 3;
    constexpr int kCollected = 4;
    std::vector<std::unique_ptr<QProcess>> seats;
    std::vector<std::unique_ptr<QProcess>> collector;
    for (int i = 0; i < kSeats; ++i) {
        seats.push_back(std::make_unique<QProcess>());
        startCli(*seats.back(), serverAlias() + QStringList{QStringLiteral("import-calls"), file});
    }
    for (int i = 0; i < kCollected; ++i) {
        collector.push_back(std::make_unique<QProcess>());
        startCli(*collector.back(),
                 serverAlias() +
                     QStringList{QStringLiteral("sql"),
                                 QStringLiteral("INSERT INTO DESTTAR (AbNumber, Date_of_call, "
                                                "Time_of_call, Longivity, Cat, Number_of_call) "
                                                "VALUES (2200002, '2026-12-02', '08:00:0%1', 1, "
                                                "1, 2212345)")
                                     .arg(i)});
    }
    int landed = 0;
    for (auto& seat : seats) {
        const CliOutcome outcome = finishCli(*seat);
        if (outcome.code == 0) {
            ++landed;
            EXPECT_EQ(outcome.out, QStringLiteral("Добавлено разговоров: %1\n").arg(kCalls));
            continue;
        }
        EXPECT_EQ(outcome.code, 1) << outcome;
        EXPECT_TRUE(outcome.err.startsWith(QStringLiteral("Загрузка разговоров уже выполняется")) ||
                    outcome.err.startsWith(QStringLiteral("Все %1 записей").arg(kCalls)))
            << outcome;
    }
    for (auto& insert : collector) {
        const CliOutcome outcome = finishCli(*insert);
        EXPECT_EQ(outcome.code, 0) << outcome;
    }
    EXPECT_EQ(landed, 1);
    EXPECT_EQ(callCount(), before + kCalls + kCollected);
}

}  // namespace
}  // namespace orv::test
