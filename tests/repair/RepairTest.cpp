// Verification and rebuild of damaged table files: real bytes damaged, rows counted back.

#include "RepairFixture.h"
#include "SmallDisk.h"

#include "core/Error.h"

#include "repair/PageFile.h"

#include <QProcess>
#include <QStorageInfo>
#include <functional>

namespace orv::test {
namespace {

constexpr int kCalls = 20000;

int leafCells(const std::vector<PageStat>& stats,
              const std::function<bool(const PageStat&)>& lost) {
    int n = 0;
    for (const PageStat& s : stats)
        if (s.name == QLatin1String("DESTTAR") && s.type == QLatin1String("leaf") && !lost(s))
            n += s.cells;
    return n;
}

TEST_F(RepairTest, SoundTableVerifiesCleanAndRebuildsEveryRowWithABackup) {
    makeCalls(kCalls);
    QFile original(path());
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();
    EXPECT_EQ(verify(), std::optional<qint32>(0));
    EXPECT_EQ(rowsIn(QStringLiteral("VERIFY.DB"), QStringLiteral("VERIFY")), 0);
    const Rebuilt r = rebuild();
    EXPECT_EQ(r.end, repair::RebuildEnd::Rebuilt);
    EXPECT_EQ(r.counts.kept, kCalls);
    EXPECT_EQ(r.counts.keyViolations, 0);
    EXPECT_EQ(r.counts.problems, 0);
    QFile backup(path(QStringLiteral("Backup.Db")));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), before);
    EXPECT_EQ(rowsIn(QStringLiteral("DESTTAR.db"), QStringLiteral("DESTTAR")), kCalls);
    EXPECT_EQ(rowsIn(QStringLiteral("KEYVIOL.DB"), QStringLiteral("KEYVIOL")), 0);
    EXPECT_EQ(rowsIn(QStringLiteral("PROBLEM.DB"), QStringLiteral("PROBLEM")), 0);
    EXPECT_EQ(verify(), std::optional<qint32>(0));
    // A second rebuild keeps the first original and its own beside it.
    EXPECT_EQ(rebuild().counts.backup, QStringLiteral("Backup1.Db"));
    backup.close();
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), before);
    EXPECT_EQ(rowsIn(QStringLiteral("Backup1.Db"), QStringLiteral("DESTTAR")), kCalls);
    // The rebuilt table is the program's table again, rows equal to the generated ones.
    db::Query q(store_->db(),
                QStringLiteral("SELECT Sum(TRF), Count(DISTINCT Number_of_call) FROM DESTTAR"));
    q.open();
    EXPECT_DOUBLE_EQ(q.asFloat(q.fields()[0].name), 0.25 * kCalls * (kCalls + 1) / 2);
    EXPECT_EQ(q.value(0, 1).toLongLong(), kCalls);
}

struct Damage {
    const char* name;
    std::function<int(RepairTest&, const std::vector<PageStat>&)> apply;  // returns rows intact
    qint32 status;
    bool rowsLost = false;  // cells on a leaf page no longer read: the rebuild is no success
};

TEST_F(RepairTest, DamagedFilesGiveTheirStatusAndRebuildKeepsEveryRowOnIntactLeaves) {
    const std::vector<Damage> cases = {
        {"torn last leaf page",
         [](RepairTest& t, const std::vector<PageStat>& s) {
             int last = 0;
             for (const PageStat& p : s)
                 if (p.name == QLatin1String("DESTTAR") && p.type == QLatin1String("leaf"))
                     last = std::max(last, p.page);
             t.zeroPage(last, 2048);
             return leafCells(s, [&](const PageStat& p) { return p.page == last; });
         },
         3, true},
        {"zeroed interior pages",
         [](RepairTest& t, const std::vector<PageStat>& s) {
             for (const PageStat& p : s)
                 if (p.name == QLatin1String("DESTTAR") && p.type == QLatin1String("internal"))
                     t.zeroPage(p.page);
             return leafCells(s, [](const PageStat&) { return false; });
         },
         3},
        {"damaged index",
         [](RepairTest& t, const std::vector<PageStat>& s) {
             for (const PageStat& p : s)
                 if (p.name == QLatin1String("CallOrder") && p.type == QLatin1String("leaf")) {
                     t.overwrite(qint64(p.page - 1) * 4096 + 200, QByteArray(600, '\x5a'));
                     break;
                 }
             return leafCells(s, [](const PageStat&) { return false; });
         },
         3},
        {"garbage in the header",
         [](RepairTest& t, const std::vector<PageStat>& s) {
             t.overwrite(0, QByteArray(100, '\x7f'));
             return leafCells(s, [](const PageStat&) { return false; });
         },
         3},
        {"truncated file",
         [](RepairTest& t, const std::vector<PageStat>& s) {
             QFile f(t.path());
             const int keep = int(f.size() / 4096) * 6 / 10;
             f.resize(qint64(keep) * 4096 + 1000);
             return leafCells(s, [&](const PageStat& p) { return p.page > keep; });
         },
         3},
        {"one zeroed leaf page in the middle",
         [](RepairTest& t, const std::vector<PageStat>& s) {
             int page = 0;
             for (const PageStat& p : s)
                 if (p.name == QLatin1String("DESTTAR") && p.type == QLatin1String("leaf") &&
                     p.page > 40) {
                     page = p.page;
                     break;
                 }
             t.zeroPage(page);
             return leafCells(s, [&](const PageStat& p) { return p.page == page; });
         },
         3},
    };
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.name);
        freshStore();
        makeCalls(kCalls);
        const int intact = d.apply(*this, pages());
        EXPECT_EQ(verify(), std::optional<qint32>(d.status));
        EXPECT_GT(rowsIn(QStringLiteral("VERIFY.DB"), QStringLiteral("VERIFY")), 0);
        const Rebuilt r = rebuild();
        ASSERT_EQ(r.end, d.rowsLost ? repair::RebuildEnd::RowsLost : repair::RebuildEnd::Rebuilt);
        EXPECT_EQ(r.counts.unreadable > 0, d.rowsLost);
        EXPECT_GE(r.counts.kept, intact);
        EXPECT_LE(r.counts.kept, kCalls);
        EXPECT_EQ(rowsIn(QStringLiteral("DESTTAR.db"), QStringLiteral("DESTTAR")), r.counts.kept);
        EXPECT_EQ(verify(), std::optional<qint32>(0));
    }
}

// After a debt run most pages of DESTTAR are free. With the file's signature damaged the page
// size must still be the one at which the rows read, and the deleted rows must stay deleted.
TEST_F(RepairTest, DamagedSignatureWithMostPagesFreeKeepsEveryLiveRow) {
    for (const int pageSize : {4096, 1024}) {
        SCOPED_TRACE(pageSize);
        freshStore();
        store_->create(db::schema::desttar());
        store_->raw(QStringLiteral("DESTTAR.db"),
                    QStringLiteral("PRAGMA page_size = %1; VACUUM").arg(pageSize));
        makeCalls(kCalls);
        store_->raw(QStringLiteral("DESTTAR.db"),
                    QStringLiteral("DELETE FROM DESTTAR WHERE rowid > 1800"));
        overwrite(0, QByteArray("SQLite format 2\0", 16));
        const Rebuilt r = rebuild();
        EXPECT_EQ(r.end, repair::RebuildEnd::Rebuilt);
        EXPECT_EQ(r.counts.kept, 1800);
        EXPECT_EQ(r.counts.problems, 0);
        EXPECT_EQ(rowsIn(QStringLiteral("DESTTAR.db"), QStringLiteral("DESTTAR")), 1800);
    }
}

// A table with a column more than its declaration: a rebuild by the declaration would lose it
// from every row, so nothing is changed and the rebuild is no success.
TEST_F(RepairTest, RowsWiderThanTheStructureChangeNothing) {
    makeCalls(500);
    store_->raw(QStringLiteral("DESTTAR.db"),
                QStringLiteral("ALTER TABLE DESTTAR ADD COLUMN Extra INTEGER DEFAULT 7;"
                               "UPDATE DESTTAR SET Extra = rowid"));
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    repair::TTableUtil util;
    QString failure;
    EXPECT_EQ(repair::runRebuild(util, path(), &failure), repair::RebuildEnd::NotRebuilt);
    EXPECT_TRUE(failure.contains(QStringLiteral("в записях полей: 10, в структуре таблицы: 9")))
        << failure.toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("Backup.Db"))));
}

// Verification and rebuild on a full disk fail with the engine's message and leave nothing of
// their work beside the table.
TEST_F(RepairTest, FullDiskLeavesNoScratchBehind) {
    const QString folder = path(QStringLiteral("small"));
    const SmallDisk disk(folder, "512k");
    if (!disk.mounted()) GTEST_SKIP() << "a tmpfs cannot be mounted here";
    makeCalls(2000);
    const QString table = folder + QStringLiteral("/DESTTAR.db");
    ASSERT_TRUE(QFile::copy(path(), table));
    overwrite(0, QByteArray(16, 'x'), QStringLiteral("small/DESTTAR.db"));
    disk.fillUp();
    repair::TTableUtil util;
    EXPECT_EQ(repair::runVerification(util, table), std::nullopt);
    // The rebuild verifies first, which fails as above.
    EXPECT_THROW(repair::runRebuild(util, table), Error);
    disk.freeUp();
    {
        QFile filler(folder + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        // Room for the verification table, not for the rebuilt one.
        const qint64 room = QStorageInfo(folder).bytesAvailable() - QFileInfo(table).size() / 2;
        ASSERT_EQ(filler.write(QByteArray(int(room), 'x')), room);
    }
    QString failure;
    EXPECT_NE(repair::runRebuild(util, table, &failure), repair::RebuildEnd::Rebuilt);
    EXPECT_FALSE(failure.isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({QStringLiteral("DESTTAR.db"), QStringLiteral("filler"),
                           QStringLiteral("VERIFY.DB")}));
    EXPECT_EQ(QFileInfo(table).size(), QFileInfo(path()).size());
}

TEST_F(RepairTest, AFileThatIsNoTableCannotBeRebuiltAndStaysAsItWas) {
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QByteArray text = QByteArray("AbNumber;Date\n1000001;01.01.2026\n").repeated(500);
    f.write(text);
    f.close();
    EXPECT_EQ(verify(), std::optional<qint32>(4));
    EXPECT_EQ(rebuild().end, repair::RebuildEnd::NotRebuilt);
    EXPECT_EQ(QFileInfo(path()).size(), text.size());
    // A file of no program table whose structure cannot be read has no descriptor.
    ASSERT_TRUE(QFile::copy(path(), path(QStringLiteral("notes.db"))));
    EXPECT_EQ(verify(QStringLiteral("notes.db")), std::optional<qint32>(4));
    EXPECT_EQ(rebuild(QStringLiteral("notes.db")).end, repair::RebuildEnd::NoCounts);
    // A missing file: the library call fails, there is no status.
    EXPECT_EQ(verify(QStringLiteral("none.db")), std::nullopt);
}

TEST_F(RepairTest, RowsBreakingTypesGoToProblemAndDeletedRowsStayDeleted) {
    makeCalls(kCalls);
    store_->raw(
        QStringLiteral("DESTTAR.db"),
        QStringLiteral(
            "PRAGMA ignore_check_constraints = 1;"
            "INSERT INTO DESTTAR VALUES (1, '31.12.2026', '10:00:00', 1, 1, 1, 'a', NULL, 1);"
            "INSERT INTO DESTTAR VALUES (2, '2026-12-31', '25:00:00', 1, 1, 1, 'a', NULL, 1);"
            "INSERT INTO DESTTAR VALUES (3, '2026-12-31', '10:00:00', 1, 1, 1, 'much too long', "
            "NULL, 1);"
            "INSERT INTO DESTTAR VALUES ('x', '2026-12-31', '10:00:00', 1, 1, 1, 'a', NULL, 1);"
            "DELETE FROM DESTTAR WHERE rowid % 2 = 0 AND rowid <= 10000;"));
    const int live = kCalls - 5000;
    EXPECT_EQ(verify(), std::optional<qint32>(3));
    const Rebuilt r = rebuild();
    EXPECT_EQ(r.counts.kept, live);
    EXPECT_EQ(r.counts.problems, 4);
    EXPECT_EQ(rowsIn(QStringLiteral("PROBLEM.DB"), QStringLiteral("PROBLEM")), 4);
    EXPECT_EQ(rowsIn(QStringLiteral("DESTTAR.db"), QStringLiteral("DESTTAR")), live);
}

TEST_F(RepairTest, DuplicateKeysGoToKeyViolationsAndAMissingIndexIsOnlyANote) {
    store_->create(db::schema::prazdn());
    store_->raw(
        QStringLiteral("Prazdn.db"),
        QStringLiteral("DROP INDEX \"PRIMARY\";"
                       "INSERT INTO Prazdn VALUES ('2026-01-01'), ('2026-01-02'), ('2026-01-01'),"
                       " ('2026-01-07'), ('2026-01-02');"));
    EXPECT_EQ(verify(QStringLiteral("Prazdn.db")), std::optional<qint32>(1));
    const Rebuilt r = rebuild(QStringLiteral("Prazdn.db"));
    EXPECT_EQ(r.counts.kept, 3);
    EXPECT_EQ(r.counts.keyViolations, 2);
    EXPECT_EQ(rowsIn(QStringLiteral("KEYVIOL.DB"), QStringLiteral("KEYVIOL")), 2);
    EXPECT_EQ(verify(QStringLiteral("Prazdn.db")), std::optional<qint32>(0));
}

TEST_F(RepairTest, TablePropertiesOfTheDeclaredStructure) {
    makeCalls(10);
    repair::TTableUtil util;
    ASSERT_TRUE(util.FillTableProps(path()));
    const repair::CURProps& p = util.TableProps;
    EXPECT_EQ(p.iFields, 9);
    EXPECT_EQ(p.iRecBufSize, 4 + 4 + 4 + 4 + 2 + 4 + 11 + 11 + 8);
    EXPECT_EQ(p.iIndexes, 1);
    EXPECT_EQ(p.iValChecks, 4);  // two widths, a date and a time
    EXPECT_EQ(p.iRefIntChecks, 0);
    EXPECT_EQ(p.iCodePage, 65001);
    EXPECT_EQ(p.iBlockSize, 4096);
    EXPECT_EQ(p.iTblLevel, 4);
    EXPECT_GT(p.iRestrVersion, 0);
    // A failed fill leaves the last table's values.
    EXPECT_FALSE(util.FillTableProps(path(QStringLiteral("none.db"))));
    EXPECT_EQ(util.TableProps.iFields, 9);
}

TEST_F(RepairTest, ProgressReachesEveryBarOfTheRebuild) {
    makeCalls(kCalls);
    repair::TTableUtil util;
    std::map<int, std::vector<int>> seen;
    util.setProgressSink([&](int phase, int percent) { seen[phase].push_back(percent); });
    ASSERT_EQ(repair::runRebuild(util, path()), repair::RebuildEnd::Rebuilt);
    for (int phase : {0, 1, 2, 8}) {
        SCOPED_TRACE(phase);
        ASSERT_FALSE(seen[phase].empty());
        EXPECT_EQ(seen[phase].back(), 100);
        // The rebuild verifies first; from the rebuild's own start the bar only moves forward.
        const auto start = std::find(seen[phase].rbegin(), seen[phase].rend(), 0).base();
        EXPECT_TRUE(std::is_sorted(start, seen[phase].end()));
    }
    EXPECT_GT(seen[2].size(), 10u);  // the data bar moves page by page
}

// Each wrapper's reports reach its own sink only, and only while a call of its own runs.
TEST_F(RepairTest, ProgressGoesToTheWrapperRunningTheCall) {
    makeCalls(100);
    repair::TTableUtil running;
    repair::TTableUtil idle;
    int seenRunning = 0;
    int seenIdle = 0;
    running.setProgressSink([&](int, int) { ++seenRunning; });
    idle.setProgressSink([&](int, int) { ++seenIdle; });
    idle.RegisterProgress();
    ASSERT_EQ(repair::runVerification(running, path()), std::optional<qint32>(0));
    EXPECT_GT(seenRunning, 0);
    EXPECT_EQ(seenIdle, 0);
    const int afterCall = seenRunning;
    qint32 status = -1;
    ASSERT_EQ(repair::TRVerifyTable(running.LibraryHandle, path(), repair::kDriverType,
                                    repair::kVerifyTable, status),
              repair::kTROk);
    EXPECT_EQ(seenRunning, afterCall);  // unregistered once the call was over
    // Phase codes without a bar are kept but move nothing.
    running.RegisterProgress();
    running.ProgressCallback({40, 5});
    EXPECT_EQ(seenRunning, afterCall);
    EXPECT_EQ(running.ProgressInfo.iPercentDone, 40);
}

// A descriptor sized for another structure is refused and the table stays as it was.
TEST_F(RepairTest, DescriptorNotSizedForTheTableIsRefused) {
    makeCalls(10);
    repair::TRHandle handle = repair::TRInit();
    repair::RestructCounts counts;
    ASSERT_EQ(repair::TRGetRestructDescCount(handle, path(), counts), repair::kTROk);
    EXPECT_EQ(counts.fields, 9);
    counts.fields = 8;
    repair::RestructDesc desc(path(), QLatin1String(repair::kDriverType),
                              QLatin1String(repair::kErrorTable), counts);
    EXPECT_EQ(repair::TRFillRestructDesc(handle, desc, path()), repair::kTRBadArgument);
    EXPECT_TRUE(repair::TRErrorText(handle, repair::kTRBadArgument)
                    .endsWith(QStringLiteral("Описание структуры не соответствует таблице")));
    EXPECT_EQ(repair::TRFillRestructDesc(handle, desc, path(QStringLiteral("none.db"))),
              repair::kTRNotFound);
}

TEST_F(RepairTest, MessageLinesOfEveryStatus) {
    EXPECT_EQ(repair::verificationMessage(std::nullopt), QString());
    const std::pair<qint32, const char*> lines[] = {
        {0, "Verification Successful. Table has no errors."},
        {1, "Verification Successful. Verification completed."},
        {2, "Verification Successful. Verification could not be completed."},
        {3, "Verification Successful. Table must be rebuild manually."},
        {4, "Verification Successful. Table cannot be rebuilt."},
        {5, "Verification unsuccessful."},
        {-1, "Verification unsuccessful."}};
    for (const auto& [status, text] : lines)
        EXPECT_EQ(repair::verificationMessage(status), QLatin1String(text)) << status;
}

// A rebuild killed at each of its test points leaves the old file or the new one, whole; the
// program without the test hooks passes the same points untouched.
TEST_F(RepairTest, RebuildKilledAtAnyPointLeavesTheOldOrTheNewTable) {
    makeCalls(kCalls * 2);
    for (const PageStat& p : pages())
        if (p.name == QLatin1String("DESTTAR") && p.type == QLatin1String("internal"))
            zeroPage(p.page);
    QFile damaged(path());
    ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
    const QByteArray before = damaged.readAll();
    damaged.close();
    auto run = [&](const QString& program, const char* point) {
        QProcess cli;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ORVANTA_TEST_CRASH_AT"), QLatin1String(point));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        cli.setProcessEnvironment(env);
        cli.start(program, {QStringLiteral("rebuild"), path()});
        return finishCli(cli);
    };
    for (const char* point :
         {"rebuild-rows:1", "rebuild-rows:2", "rebuild-copied", "rebuild-built", "rebuild-backup",
          "rebuild-side-table:1", "rebuild-side-table:2", "rebuild-swapped"}) {
        SCOPED_TRACE(point);
        const CliOutcome killed = run(cliProgramWithHooks(), point);
        EXPECT_EQ(killed.code, -1) << killed;
        QFile now(path());
        ASSERT_TRUE(now.open(QIODevice::ReadOnly));
        const bool old = now.readAll() == before;
        EXPECT_TRUE(old ||
                    rowsIn(QStringLiteral("DESTTAR.db"), QStringLiteral("DESTTAR")) == kCalls * 2);
        now.close();
        if (!old) {
            ASSERT_TRUE(now.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ASSERT_EQ(now.write(before), before.size());
        }
    }
    const CliOutcome plain = run(cliProgram(), "rebuild-rows:1");
    EXPECT_EQ(plain.code, 0) << plain;
    EXPECT_EQ(rowsIn(QStringLiteral("DESTTAR.db"), QStringLiteral("DESTTAR")), kCalls * 2);
}

TEST(PageFileTest, VarintsOfEveryLength) {
    const std::pair<QByteArray, qint64> cases[] = {
        {QByteArray::fromHex("00"), 0},         {QByteArray::fromHex("7f"), 127},
        {QByteArray::fromHex("8100"), 128},     {QByteArray::fromHex("ff7f"), 16383},
        {QByteArray::fromHex("818000"), 16384}, {QByteArray::fromHex("ffffffffffffffffff"), -1},
    };
    for (const auto& [bytes, value] : cases) {
        qint64 v = 0;
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
        EXPECT_EQ(repair::readVarint(p, p + bytes.size(), &v), bytes.size());
        EXPECT_EQ(v, value);
        EXPECT_EQ(repair::readVarint(p, p + bytes.size() - 1, &v), 0);
    }
}

}  // namespace
}  // namespace orv::test
