// orvanta-cli copy-table and clear-table end to end: copies within and across aliases, an
// existing target refused without --replace, hostile names refused with exit 1 and nothing
// changed, usage errors with exit 2; sql running an action statement; a copy killed or out of
// disk space leaving its target as it was.

#include "SmallDisk.h"
#include "TestSupport.h"

#include <sqlite3.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
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
        if (!crashAt_.isEmpty()) env.insert(QStringLiteral("ORVANTA_TEST_CRASH_AT"), crashAt_);
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(
            crashAt_.isEmpty() ? orv::test::cliProgram() : orv::test::cliProgramWithHooks(),
            QStringList{
                QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + standard_.path(),
                QStringLiteral("--alias"), QStringLiteral("OrvantaEveryday=") + everyday_.path()} +
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

    // Rows more in DolgTb, written with plain SQLite.
    void addDebts(int rows) const {
        sqlite3* h = nullptr;
        ASSERT_EQ(
            sqlite3_open(QFile::encodeName(standard_.filePath(QStringLiteral("DolgTb.db"))), &h),
            SQLITE_OK);
        const QByteArray sql =
            "WITH RECURSIVE n(i) AS (SELECT 1000 UNION ALL SELECT i + 1 FROM n WHERE i < " +
            QByteArray::number(999 + rows) +
            ") INSERT INTO DolgTb (AbNumber, Priznak, Dolg) SELECT i, 'ALL', i FROM n";
        EXPECT_EQ(sqlite3_exec(h, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(h);
    }

    // Scratch folders and journals in the folder: what a copy must not leave behind.
    static QStringList leftovers(const QString& folder) {
        return QDir(folder)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
            .filter(QRegularExpression(QStringLiteral("^\\.orvanta-work|journal$")));
    }

    // Rows of a table file read with plain SQLite; -1 when it cannot be read.
    static int rowsIn(const QString& file, const char* table) {
        sqlite3* h = nullptr;
        int rows = -1;
        sqlite3_stmt* count = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(file).constData(), &h, SQLITE_OPEN_READWRITE,
                            nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(h, (QByteArray("SELECT count(*) FROM ") + table).constData(), -1,
                               &count, nullptr) == SQLITE_OK &&
            sqlite3_step(count) == SQLITE_ROW)
            rows = sqlite3_column_int(count, 0);
        sqlite3_finalize(count);
        sqlite3_close(h);
        return rows;
    }

    QTemporaryDir standard_, everyday_, home_;
    QString crashAt_;  // a test point at which orvanta-cli-test is killed
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

// A copy killed at any step leaves the replaced table as it was and a new one absent, so that the
// next plain copy goes ahead; a file of the target's name without a table is no obstacle.
TEST_F(TableCli, KilledCopyLeavesTheTargetAsItWas) {
    const QStringList replace = {QStringLiteral("copy-table"), QStringLiteral("PaneDate"),
                                 QStringLiteral("DolgTb"), QStringLiteral("--replace")};
    const QStringList fresh = {QStringLiteral("copy-table"), QStringLiteral("DolgTb"),
                               QStringLiteral("OrvantaEveryday:Fresh")};
    for (const char* point : {"copy-rows", "copy-built"}) {
        SCOPED_TRACE(point);
        crashAt_ = QLatin1String(point);
        EXPECT_EQ(cli(replace).code, -1);
        EXPECT_EQ(cli(fresh).code, -1);
        crashAt_.clear();
        EXPECT_EQ(debts(), QStringLiteral("n\r\n1\r\n"));
        EXPECT_FALSE(QFile::exists(everyday_.filePath(QStringLiteral("Fresh.db"))));
    }
    QFile empty(everyday_.filePath(QStringLiteral("Fresh.db")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    const Outcome run = cli(fresh);
    EXPECT_EQ(run.code, 0) << run;
    EXPECT_EQ(rowsIn(everyday_.filePath(QStringLiteral("Fresh.db")), "Fresh"), 1);
    EXPECT_EQ(leftovers(standard_.path()), QStringList());
    EXPECT_EQ(leftovers(everyday_.path()), QStringList());
}

// Out of disk space while the copy is built or swapped in: our message, exit 1, the target as it
// was, nothing left beside it.
TEST_F(TableCli, CopyOnAFullDiskLeavesTheTargetAsItWas) {
    const QString folder = home_.filePath(QStringLiteral("small"));
    const orv::test::SmallDisk disk(folder, "256k");
    if (!disk.mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here";
    auto copy = [&](const QString& target, bool replace) {
        QStringList args = {QStringLiteral("--alias"), QStringLiteral("Small=") + folder,
                            QStringLiteral("copy-table"), QStringLiteral("DolgTb"),
                            QStringLiteral("Small:") + target};
        if (replace) args.append(QStringLiteral("--replace"));
        return cli(args);
    };
    ASSERT_EQ(copy(QStringLiteral("Kept"), false).code, 0);
    addDebts(20000);
    Outcome run = copy(QStringLiteral("Kept"), true);
    EXPECT_EQ(run.code, 1) << run;
    EXPECT_TRUE(run.err.contains(QStringLiteral("Нет места на диске"))) << run;
    run = copy(QStringLiteral("Other"), false);
    EXPECT_EQ(run.code, 1) << run;
    EXPECT_EQ(rowsIn(folder + QStringLiteral("/Kept.db"), "Kept"), 1);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/Other.db")));
    EXPECT_EQ(leftovers(folder), QStringList());
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
