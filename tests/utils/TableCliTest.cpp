// orvanta-cli copy-table and clear-table end to end: copies within and across aliases, an
// existing target refused without --replace, hostile names refused with exit 1 and nothing
// changed, usage errors with exit 2; sql running an action statement.

#include "TestSupport.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

using Outcome = orv::test::CliOutcome;

class TableCli : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(standard_.isValid() && everyday_.isValid() && home_.isValid());
        ASSERT_EQ(cli({QStringLiteral("init")}).code, 0);
        ASSERT_EQ(cli({QStringLiteral("sql"),
                       QStringLiteral("INSERT INTO DolgTb (AbNumber, Priznak, Dolg) VALUES "
                                      "(101, \"ALL\", 12.5)")})
                      .code,
                  0);
    }

    Outcome cli(const QStringList& args) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home_.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"),
                   home_.filePath(QStringLiteral("s.reg")));
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(orv::test::cliProgram(),
                      QStringList{QStringLiteral("--alias"),
                                  QStringLiteral("OrvantaStandard=") + standard_.path(),
                                  QStringLiteral("--alias"),
                                  QStringLiteral("OrvantaEveryday=") + everyday_.path()} +
                          args);
        Outcome run;
        if (!process.waitForFinished(300000)) {
            ADD_FAILURE() << "orvanta-cli did not finish";
            process.kill();
            process.waitForFinished();
            return run;
        }
        if (process.exitStatus() == QProcess::NormalExit) run.code = process.exitCode();
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

    QString debts(const QString& table = QStringLiteral("DolgTb")) const {
        return cli({QStringLiteral("sql"), QStringLiteral("SELECT count(*) n FROM ") + table}).out;
    }

    QTemporaryDir standard_, everyday_, home_;
};

TEST_F(TableCli, CopyTableWithinAndAcrossAliases) {
    Outcome run = cli({QStringLiteral("copy-table"), QStringLiteral("DolgTb"),
                       QStringLiteral("OrvantaEveryday:DolgCopy")});
    ASSERT_EQ(run.code, 0) << run;
    EXPECT_EQ(run.out, QStringLiteral("Скопировано записей: 1\n"));
    run = cli({QStringLiteral("tables"), QStringLiteral("OrvantaEveryday")});
    EXPECT_TRUE(run.out.contains(QStringLiteral("DolgCopy"))) << run;

    // An existing target: refused, untouched; replaced with --replace.
    run = cli({QStringLiteral("copy-table"), QStringLiteral("OrvantaStandard:PaneDate"),
               QStringLiteral("DolgTb")});
    EXPECT_EQ(run.code, 1) << run;
    EXPECT_TRUE(run.err.contains(QStringLiteral("--replace"))) << run;
    EXPECT_EQ(debts(), QStringLiteral("n\r\n1\r\n"));
    run = cli({QStringLiteral("copy-table"), QStringLiteral("PaneDate"), QStringLiteral("DolgTb"),
               QStringLiteral("--replace")});
    ASSERT_EQ(run.code, 0) << run;
    EXPECT_EQ(debts(), QStringLiteral("n\r\n0\r\n"));
}

TEST_F(TableCli, RefusalsAndUsage) {
    struct Case {
        QStringList args;
        int code;
    };
    const Case cases[] = {
        {{QStringLiteral("clear-table"), QStringLiteral("AbTab; DELETE FROM DolgTb")}, 1},
        {{QStringLiteral("clear-table"), QStringLiteral("NoSuchTable")}, 1},
        {{QStringLiteral("clear-table")}, 2},
        {{QStringLiteral("copy-table"), QStringLiteral("DolgTb"),
          QStringLiteral("X; DELETE FROM DolgTb")},
         1},
        {{QStringLiteral("copy-table"), QStringLiteral("DolgTb; DROP TABLE x"),
          QStringLiteral("Y")},
         1},
        {{QStringLiteral("copy-table"), QStringLiteral("DolgTb"), QStringLiteral("dolgtb.db"),
          QStringLiteral("--replace")},
         1},
        {{QStringLiteral("copy-table"), QStringLiteral("NoAlias:DolgTb"), QStringLiteral("Y")}, 1},
        {{QStringLiteral("copy-table"), QStringLiteral("DolgTb")}, 2},
        {{QStringLiteral("copy-table"), QStringLiteral("DolgTb"), QStringLiteral(":Y")}, 2},
    };
    for (const Case& c : cases) {
        const Outcome run = cli(c.args);
        EXPECT_EQ(run.code, c.code) << c.args.join(' ').toStdString() << "\n" << run;
        EXPECT_FALSE(run.err.isEmpty());
    }
    EXPECT_EQ(debts(), QStringLiteral("n\r\n1\r\n"));
}

TEST_F(TableCli, ClearTable) {
    const Outcome run = cli({QStringLiteral("clear-table"), QStringLiteral("dolgtb.db")});
    ASSERT_EQ(run.code, 0) << run;
    EXPECT_EQ(run.out, QStringLiteral("Таблица DolgTb очищена\n"));
    EXPECT_EQ(debts(), QStringLiteral("n\r\n0\r\n"));
}

}  // namespace
