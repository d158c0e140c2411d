// orvanta-cli with an alias on a server: an exchange moved onto a server and back with
// copy-alias, statements run there, and the commands for table files refusing clearly.

#include "ServerCliFixture.h"

#include <QFileInfo>
#include <memory>
#include <vector>

namespace orv::test {
namespace {

TEST_F(ServerCli, AnExchangeMovesOntoTheServerAndBackInThreeCommands) {
    const QString folder = QStringLiteral("OrvantaStandard=") + files_.path();
    const QString server = QStringLiteral("Server=") + server_;
    const CliOutcome demo = cli({QStringLiteral("--alias"), folder, QStringLiteral("demo"),
                                 QStringLiteral("--subscribers"), QStringLiteral("20"),
                                 QStringLiteral("--calls"), QStringLiteral("300")});
    ASSERT_EQ(demo.code, 0) << demo;

    const CliOutcome up = cli({QStringLiteral("--alias"), folder, QStringLiteral("--alias"), server,
                               QStringLiteral("copy-alias"), QStringLiteral("OrvantaStandard"),
                               QStringLiteral("Server")});
    ASSERT_EQ(up.code, 0) << up;
    EXPECT_TRUE(up.out.contains(QStringLiteral("DESTTAR: 300\n"))) << up;

    // A second copy onto the same tables is refused and changes nothing.
    const CliOutcome again = cli({QStringLiteral("--alias"), folder, QStringLiteral("--alias"),
                                  server, QStringLiteral("copy-alias"),
                                  QStringLiteral("OrvantaStandard"), QStringLiteral("Server")});
    EXPECT_EQ(again.code, 1) << again;
    EXPECT_TRUE(again.err.contains(QStringLiteral("Копирование не выполнено"))) << again;

    const QString onServer = QStringLiteral("OrvantaStandard=") + server_;
    const QString sum = QStringLiteral(
        "SELECT COUNT(*) Звонков, SUM(Longivity) FROM DESTTAR WHERE Date_of_call >= :From");
    const QStringList sumArgs = {QStringLiteral("sql"), sum, QStringLiteral("--param"),
                                 QStringLiteral("From=01.01.2000")};
    const CliOutcome there = cli(QStringList{QStringLiteral("--alias"), onServer} + sumArgs);
    const CliOutcome here = cli(QStringList{QStringLiteral("--alias"), folder} + sumArgs);
    ASSERT_EQ(there.code, 0) << there;
    EXPECT_EQ(there.out.section(u'\n', 1), here.out.section(u'\n', 1));
    EXPECT_TRUE(there.out.startsWith(QStringLiteral("Звонков,"))) << there;

    const CliOutcome down =
        cli({QStringLiteral("--alias"), server, QStringLiteral("--alias"),
             QStringLiteral("Back=") + back_.path(), QStringLiteral("copy-alias"),
             QStringLiteral("Server"), QStringLiteral("Back")});
    ASSERT_EQ(down.code, 0) << down;
    EXPECT_EQ(down.out, up.out);
    EXPECT_TRUE(QFileInfo::exists(back_.filePath(QStringLiteral("AbTab.DB"))));
}

TEST_F(ServerWork, ViewsListTheSameRowsAsOnTableFiles) {
    const QList<QStringList> views = {
        {QStringLiteral("view"), QStringLiteral("all")},
        {QStringLiteral("view"), QStringLiteral("city"), QStringLiteral("--numbers"),
         QStringLiteral("-")},
        {QStringLiteral("view"), QStringLiteral("mg"), QStringLiteral("--times"),
         QStringLiteral("08:00-20:00")},
        {QStringLiteral("view"), QStringLiteral("all"), QStringLiteral("--dates"),
         QStringLiteral("01.01.2000-")},
        {QStringLiteral("grouped"), QStringLiteral("city")},
        {QStringLiteral("grouped"), QStringLiteral("mg")},
        {QStringLiteral("grouped"), QStringLiteral("all")},
        {QStringLiteral("debts")},
    };
    for (const QStringList& view : views) expectSameOutput(view);

    // Work not yet done on a server is refused before anything is opened there.
    const CliOutcome run =
        onServer({QStringLiteral("rebuild"), QStringLiteral("DESTTAR")});
    EXPECT_EQ(run.code, 1) << run;
    EXPECT_TRUE(run.err.startsWith(
        QStringLiteral("Проверка и восстановление выполняются только для таблиц в файлах")))
        << run;
}

// Seats paying at once: each payment lands whole or is refused while another seat enters one
// for the same number; the debt ends lowered by exactly the payments that landed.
TEST_F(ServerWork, SeatsPayingAtOnceLoseNoPayment) {
    const QStringList debts = serverRows(QStringLiteral(
        "SELECT AbNumber, Priznak, Dolg + NDS FROM DolgTb WHERE Dolg + NDS > 100 ORDER BY "
        "AbNumber"));
    ASSERT_GE(debts.size(), 2);
    const QStringList first = debts[0].split(u',');
    const QStringList second = debts[1].split(u',');
    ASSERT_NE(first[0], second[0]);

    constexpr int kSameNumberSeats = 4;
    std::vector<std::unique_ptr<QProcess>> seats;
    auto pay = [&](const QStringList& account) {
        seats.push_back(std::make_unique<QProcess>());
        startCli(*seats.back(), serverAlias() + QStringList{QStringLiteral("pay"), account[0],
                                                            account[1], QStringLiteral("1.25")});
    };
    for (int i = 0; i < kSameNumberSeats; ++i) pay(first);
    pay(second);
    int landed = 0;
    for (std::size_t i = 0; i < seats.size(); ++i) {
        const CliOutcome outcome = finishCli(*seats[i]);
        if (outcome.code == 0) {
            ++landed;
            continue;
        }
        // Only a seat paying the same number as another may be turned away, and only so.
        EXPECT_LT(i, std::size_t(kSameNumberSeats)) << outcome;
        EXPECT_EQ(outcome.code, 1) << outcome;
        EXPECT_TRUE(outcome.err.startsWith(
            QStringLiteral("Оплата для номера %1 уже вводится").arg(first[0])))
            << outcome;
    }
    ASSERT_GE(landed, 2);
    const int landedFirst = landed - 1;

    const auto dueNow = [&](const QString& number) {
        const QStringList rows =
            serverRows(QStringLiteral("SELECT Dolg + NDS FROM DolgTb WHERE AbNumber = ") + number);
        return rows.value(0).toDouble();
    };
    EXPECT_NEAR(dueNow(first[0]), first[2].toDouble() - 1.25 * landedFirst, 0.005);
    EXPECT_NEAR(dueNow(second[0]), second[2].toDouble() - 1.25, 0.005);
    const QStringList journal =
        serverRows(QStringLiteral("SELECT COUNT(*) FROM PaneJournal WHERE AbNumber = ") + first[0]);
    EXPECT_EQ(journal.value(0).toInt(), landedFirst);
}

TEST_F(ServerCli, CommandsForTableFilesRefuseOnAServerAlias) {
    const QStringList onServer = {QStringLiteral("--alias"),
                                  QStringLiteral("OrvantaStandard=") + server_};
    const CliOutcome verify =
        cli(onServer + QStringList{QStringLiteral("verify"), QStringLiteral("DESTTAR")});
    EXPECT_EQ(verify.code, 1) << verify;
    EXPECT_TRUE(verify.err.startsWith(
        QStringLiteral("Проверка и восстановление выполняются только для таблиц в файлах")))
        << verify;
    const CliOutcome rebuild =
        cli(onServer + QStringList{QStringLiteral("rebuild"), QStringLiteral("DESTTAR")});
    EXPECT_EQ(rebuild.code, 1) << rebuild;
    const CliOutcome password =
        cli({QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=postgresql://a:b@h/d"),
             QStringLiteral("tables")});
    EXPECT_EQ(password.code, 2) << password;
    EXPECT_TRUE(password.err.contains(QStringLiteral("PGPASSWORD"))) << password;
}

}  // namespace
}  // namespace orv::test
