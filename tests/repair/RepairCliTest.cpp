// orvanta-cli verify, rebuild and merge, run as a script would run them.

#include "RepairFixture.h"

#include <QProcess>

namespace orv::test {
namespace {

class RepairCliTest : public RepairTest {
  protected:
    CliOutcome cli(const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        process.setProcessEnvironment(env);
        QStringList all = {
            QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + store_->path(),
            QStringLiteral("--alias"), QStringLiteral("OrvantaEveryday=") + store_->path()};
        process.start(cliProgram(), all + args);
        process.waitForFinished(120000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
};

TEST_F(RepairCliTest, VerifyAndRebuildPrintTheirFiguresAndExitCodes) {
    makeCalls(3000);
    CliOutcome run = cli({QStringLiteral("verify"), QStringLiteral("DESTTAR")});
    EXPECT_EQ(run.code, 0) << run;
    EXPECT_EQ(run.out, QStringLiteral("0\nVerification Successful. Table has no errors.\n"));
    int lastLeaf = 0;
    for (const PageStat& p : pages())
        if (p.name == QLatin1String("DESTTAR") && p.type == QLatin1String("leaf"))
            lastLeaf = std::max(lastLeaf, p.page);
    zeroPage(lastLeaf);
    run = cli({QStringLiteral("verify"), path()});
    EXPECT_EQ(run.code, 1) << run;
    EXPECT_EQ(run.out,
              QStringLiteral("3\nVerification Successful. Table must be rebuild manually.\n"));
    run = cli({QStringLiteral("rebuild"), QStringLiteral("desttar.db")});
    EXPECT_EQ(run.code, 0) << run;
    const QStringList lines = run.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 6) << run;
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Сохранено строк: "))) << run;
    EXPECT_EQ(lines[0].section(QLatin1Char(' '), 2).toLongLong(),
              rowsIn(QStringLiteral("DESTTAR.db"), QStringLiteral("DESTTAR")));
    EXPECT_EQ(lines[1], QStringLiteral("В KEYVIOL.DB: 0"));
    EXPECT_EQ(lines[2], QStringLiteral("В PROBLEM.DB: 0"));
    EXPECT_EQ(lines[3], QStringLiteral("Исходная таблица сохранена в Backup.Db"));
    EXPECT_EQ(lines[4], QStringLiteral("Rebuild was successful."));
    EXPECT_EQ(cli({QStringLiteral("verify")}).code, 2);
    run = cli({QStringLiteral("verify"), QStringLiteral("NoSuchTable")});
    EXPECT_EQ(run.code, 1) << run;
    EXPECT_FALSE(run.err.isEmpty());
}

TEST_F(RepairCliTest, MergePrintsTheTableWrittenAndItsRows) {
    for (const char* name : {"D0101", "D0102"}) {
        db::TableDef def = db::schema::prazdn();
        def.name = QLatin1String(name);
        def.fileName = def.name + QStringLiteral(".db");
        store_->create(def);
        store_->raw(def.fileName,
                    QStringLiteral("INSERT INTO %1 VALUES ('2026-01-01'), ('2026-01-1%2')")
                        .arg(def.name)
                        .arg(def.name.right(1)));
    }
    const CliOutcome run = cli(
        {QStringLiteral("merge"), path(QStringLiteral("D0101.db")), QStringLiteral("D0102.db")});
    EXPECT_EQ(run.code, 0) << run;
    EXPECT_EQ(run.out, QStringLiteral("Таблица D0101D0102, строк: 3\n"));
    EXPECT_EQ(cli({QStringLiteral("merge"), QStringLiteral("D0101.db")}).code, 2);
}

}  // namespace
}  // namespace orv::test
