#pragma once
// orvanta-cli runs against a throwaway server: ServerCli starts the program with its own
// settings and an empty database on the server; ServerWork has the same exchange in a folder
// and on the server (a small demo, one debt run in the folder, then copied up by copy-alias),
// so that a command's outcome on both can be compared.

#include "PgServer.h"
#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

namespace orv::test {

class ServerCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_PG_SERVER();
        server_ = PgServer::url(pgServer().newDatabase(QStringLiteral("exchange")));
    }

    // The environment of orvanta-cli with this test's settings.
    QProcessEnvironment environment() const { return cliEnvironment(home_); }

    // Starts orvanta-cli with this test's settings; the caller waits for it (finishCli).
    void startCli(QProcess& process, const QStringList& args) const {
        process.setProcessEnvironment(environment());
        process.start(cliProgram(), args);
    }

    CliOutcome cli(const QStringList& args) const {
        QProcess process;
        startCli(process, args);
        return finishCli(process);
    }

    QTemporaryDir home_;
    QTemporaryDir files_;
    QTemporaryDir back_;
    QString server_;
};

// The same exchange in a folder and on the server: the demo made in the folder, copied up.
class ServerWork : public ServerCli {
  protected:
    void SetUp() override {
        ServerCli::SetUp();
        if (IsSkipped()) return;
        const CliOutcome demo =
            onFolder({QStringLiteral("demo"), QStringLiteral("--subscribers"), QStringLiteral("30"),
                      QStringLiteral("--calls"), QStringLiteral("600"), QStringLiteral("--months"),
                      QStringLiteral("2")});
        ASSERT_EQ(demo.code, 0) << demo;
        const CliOutcome run = onFolder({QStringLiteral("debt-run")});
        ASSERT_EQ(run.code, 0) << run;
        const CliOutcome up =
            cli({QStringLiteral("--alias"), folderAlias(), QStringLiteral("--alias"),
                 QStringLiteral("Server=") + server_, QStringLiteral("copy-alias"),
                 QStringLiteral("OrvantaStandard"), QStringLiteral("Server")});
        ASSERT_EQ(up.code, 0) << up;
    }

    QString folderAlias() const { return QStringLiteral("OrvantaStandard=") + files_.path(); }
    CliOutcome onFolder(const QStringList& args) const {
        return cli(QStringList{QStringLiteral("--alias"), folderAlias()} + args);
    }
    CliOutcome onServer(const QStringList& args) const {
        return cli(
            QStringList{QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + server_} +
            args);
    }
    QStringList serverAlias() const {
        return {QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + server_};
    }
    // The rows of a statement on the server, without the header line.
    QStringList serverRows(const QString& statement) const {
        const CliOutcome run = onServer({QStringLiteral("sql"), statement});
        EXPECT_EQ(run.code, 0) << run;
        return run.out.split(u'\n', Qt::SkipEmptyParts).mid(1);
    }
    // The command's output on the server equals its output on the table files.
    void expectSameOutput(const QStringList& args) const {
        const CliOutcome here = onFolder(args);
        const CliOutcome there = onServer(args);
        ASSERT_EQ(here.code, 0) << here;
        EXPECT_EQ(there.code, 0) << there;
        EXPECT_EQ(there.out, here.out) << args.join(u' ').toStdString();
        EXPECT_GT(here.out.count(u'\n'), 1) << args.join(u' ').toStdString();
    }
};

}  // namespace orv::test
