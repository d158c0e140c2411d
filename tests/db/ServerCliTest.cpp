// orvanta-cli with an alias on a server: an exchange moved onto a server and back with
// copy-alias, statements run there, and the commands for table files refusing clearly.

#include "PgServer.h"
#include "TestSupport.h"

#include <QFileInfo>

namespace orv::test {
namespace {

class ServerCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_PG_SERVER();
        server_ = PgServer::url(pgServer().newDatabase(QStringLiteral("exchange")));
    }

    CliOutcome cli(const QStringList& args) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"),
                   home_.filePath(QStringLiteral("Orvanta.reg")));
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(cliProgram(), args);
        return finishCli(process);
    }

    QTemporaryDir home_;
    QTemporaryDir files_;
    QTemporaryDir back_;
    QString server_;
};

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
