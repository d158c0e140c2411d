#pragma once
// The same exchange in a folder and on a throwaway server, before any debt run: the demo made in
// the folder and copied up by copy-alias, so that a command's outcome on both can be compared.
// The commands run as orvanta-cli with this test's own settings, as of kToday.

#include "PgServer.h"
#include "TestSupport.h"

#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

namespace orv::test {

inline const QString kToday = QStringLiteral("10.04.2026");

class ServerDebtRun : public ::testing::Test {
  protected:
    void SetUp() override {
        ORV_REQUIRE_PG_SERVER();
        address_ = pgServer().newDatabase(QStringLiteral("exchange"));
        const CliOutcome demo =
            onFolder({QStringLiteral("demo"), QStringLiteral("--subscribers"), QStringLiteral("25"),
                      QStringLiteral("--calls"), QStringLiteral("500"), QStringLiteral("--months"),
                      QStringLiteral("2")});
        ASSERT_EQ(demo.code, 0) << demo;
        const CliOutcome up =
            cli({QStringLiteral("--alias"), folderAlias(), QStringLiteral("--alias"),
                 QStringLiteral("Server=") + PgServer::url(address_), QStringLiteral("copy-alias"),
                 QStringLiteral("OrvantaStandard"), QStringLiteral("Server")});
        ASSERT_EQ(up.code, 0) << up;
    }

    QProcessEnvironment environment() const { return cliEnvironment(home_); }
    CliOutcome cli(const QStringList& args) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(cliProgram(), QStringList{QStringLiteral("--today"), kToday} + args);
        return finishCli(process);
    }
    QString folderAlias() const { return QStringLiteral("OrvantaStandard=") + files_.path(); }
    QStringList serverAlias() const {
        return {QStringLiteral("--alias"),
                QStringLiteral("OrvantaStandard=") + PgServer::url(address_)};
    }
    CliOutcome onFolder(const QStringList& args) const {
        return cli(QStringList{QStringLiteral("--alias"), folderAlias()} + args);
    }
    CliOutcome onServer(const QStringList& args) const { return cli(serverAlias() + args); }

    // The command gives the same output on both; the output is returned.
    QString expectSame(const QStringList& args) const {
        const CliOutcome here = onFolder(args);
        const CliOutcome there = onServer(args);
        EXPECT_EQ(here.code, 0) << here;
        EXPECT_EQ(there.code, 0) << there;
        EXPECT_EQ(there.out.toStdString(), here.out.toStdString()) << args.join(u' ').toStdString();
        return here.out;
    }
    QString expectSameRows(const QString& statement) const {
        return expectSame({QStringLiteral("sql"), statement});
    }

    // Each account's amount due (debt with VAT) by "number,category", as sql lists DolgTb.
    static QHash<QString, double> duesOf(const CliOutcome& listing) {
        EXPECT_EQ(listing.code, 0) << listing;
        QHash<QString, double> dues;
        for (const QString& line : listing.out.split(u'\n', Qt::SkipEmptyParts).mid(1))
            dues.insert(line.section(u',', 0, 1), line.section(u',', 2, 2).toDouble());
        return dues;
    }

    QTemporaryDir home_;
    QTemporaryDir files_;
    db::ServerAddress address_;
};

}  // namespace orv::test
