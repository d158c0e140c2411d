// The merge of everyday tables by one union statement.

#include "core/Error.h"
#include "utils/TableMerge.h"

#include "TestSupport.h"

#include <sys/mount.h>

namespace orv::test {
namespace {

class TableMergeTest : public ::testing::Test {
  protected:
    // A daily table of calls: rows numbered from..to, the first shared with the day before.
    QString day(int n, int rows) {
        db::TableDef def = db::schema::desttar();
        def.name = QStringLiteral("D01%1").arg(n, 2, 10, QLatin1Char('0'));
        def.fileName = def.name + QStringLiteral(".db");
        def.indexes.clear();
        store_.create(def);
        store_.raw(
            def.fileName,
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < %2) INSERT INTO %3 SELECT i, '2026-01-01', '10:00:00', "
                           "1, 1, i, 'K', NULL, 0.5 FROM n")
                .arg(n * 1000)
                .arg(n * 1000 + rows - 1)
                .arg(def.name));
        return store_.file(def.fileName);
    }
    qint64 count(const QString& table) {
        db::Query q(store_.db(), QStringLiteral("SELECT Count(*) FROM ") + table);
        q.open();
        return q.value(0, 0).toLongLong();
    }
    TempDatabase store_;
};

TEST_F(TableMergeTest, StatementAndNameFollowTheDialogsOrder) {
    const QStringList files = {QStringLiteral("/x/c.db"), QStringLiteral("a.db"),
                               QStringLiteral("/y/b.DB")};
    EXPECT_EQ(utils::unionStatementLines(files),
              (QStringList{QStringLiteral("SELECT * FROM \"c.db\""), QStringLiteral("UNION"),
                           QStringLiteral("SELECT * FROM \"a.db\""), QStringLiteral("UNION"),
                           QStringLiteral("SELECT * FROM \"b.DB\"")}));
    EXPECT_EQ(utils::mergedTableName(files), QStringLiteral("cb"));
    EXPECT_EQ(utils::unionStatementLines(files.mid(0, 2)).size(), 3);
}

TEST_F(TableMergeTest, TwoTablesMergeIntoOneAndARepeatReplacesIt) {
    const QString a = day(1, 10);
    const QString b = day(2, 5);
    // Equal rows appear once.
    store_.raw(QStringLiteral("D0102.db"),
               QStringLiteral("INSERT INTO D0102 SELECT * FROM (SELECT 1000, '2026-01-01', "
                              "'10:00:00', 1, 1, 1000, 'K', NULL, 0.5)"));
    utils::TableMerge merge(store_.db());
    utils::TableMerge::Result r = merge.merge({a, b});
    EXPECT_EQ(r.table, QStringLiteral("D0101D0102"));
    EXPECT_EQ(r.rows, 15);
    EXPECT_EQ(count(QStringLiteral("D0101D0102")), 15);
    EXPECT_TRUE(merge.queryUnion().isOpen());
    store_.raw(QStringLiteral("D0102.db"),
               QStringLiteral("DELETE FROM D0102 WHERE AbNumber > 2002"));
    r = merge.merge({a, b});
    EXPECT_EQ(r.rows, 13);
    EXPECT_EQ(count(QStringLiteral("D0101D0102")), 13);
    // In reverse order the name follows the order chosen.
    EXPECT_EQ(merge.merge({b, a}).table, QStringLiteral("D0102D0101"));
}

TEST_F(TableMergeTest, NineTablesMergeInOneStatement) {
    QStringList files;
    for (int n = 1; n <= 9; ++n) files.append(day(n, 100));
    utils::TableMerge merge(store_.db());
    const utils::TableMerge::Result r = merge.merge(files);
    EXPECT_EQ(r.table, QStringLiteral("D0101D0109"));
    EXPECT_EQ(r.rows, 900);
}

TEST_F(TableMergeTest, MoreThanTenTablesMergeInOneStatement) {
    QStringList files;
    for (int n = 1; n <= 12; ++n) files.append(day(n, 100));
    utils::TableMerge merge(store_.db());
    const utils::TableMerge::Result r = merge.merge(files);
    EXPECT_EQ(r.table, QStringLiteral("D0101D0112"));
    EXPECT_EQ(r.rows, 1200);
}

TEST_F(TableMergeTest, MismatchedColumnsOrAMissingTableAreRefusedAndWriteNothing) {
    const QString a = day(1, 10);
    store_.create(db::schema::prazdn());
    utils::TableMerge merge(store_.db());
    try {
        merge.merge({a, store_.file(QStringLiteral("Prazdn.db"))});
        FAIL() << "merged";
    } catch (const orv::Error& e) {
        EXPECT_TRUE(e.message().contains(QLatin1String("columns"))) << e.message().toStdString();
    }
    EXPECT_FALSE(store_.db().tableExists(QStringLiteral("D0101Prazdn")));
    EXPECT_THROW(merge.merge({a, QStringLiteral("/elsewhere/D0199.db")}), orv::Error);
    EXPECT_FALSE(store_.db().tableExists(QStringLiteral("D0101D0199")));
    EXPECT_THROW(merge.merge({a}), orv::Error);
}

// A file name is a table name, never statement text: a name that would splice a second SELECT
// into the union, or that holds a quote, is refused and nothing is written.
TEST_F(TableMergeTest, AFileNameIsNeverStatementText) {
    const QString a = day(1, 10);
    const QString b = day(2, 5);
    utils::TableMerge merge(store_.db());
    const struct {
        QString first;
        const char* message;
    } cases[] = {
        {QStringLiteral("D0101.db UNION SELECT * FROM D0102.db"), "не найдена"},
        {QStringLiteral("D0101\".db"), "кавычки в имени"},
        {QStringLiteral("D0101'.db"), "кавычки в имени"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first.toStdString());
        try {
            merge.merge({c.first, b});
            ADD_FAILURE() << "merged";
        } catch (const orv::Error& e) {
            EXPECT_EQ(e.kind(), orv::Error::Kind::Refused);
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.message)))
                << e.message().toStdString();
        }
    }
    EXPECT_EQ(store_.db().tableNames(), (QStringList{"D0101", "D0102"}));
    EXPECT_EQ(merge.merge({a, b}).rows, 15);
}

// A merge that runs out of disk leaves no table behind, neither a new empty one nor a damaged
// old one.
TEST(TableMergeFullDisk, AFullDiskLeavesNoEmptyTable) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("everyday"));
    ASSERT_TRUE(QDir().mkpath(folder));
    if (mount("tmpfs", folder.toLocal8Bit().constData(), "tmpfs", 0, "size=384k") != 0)
        GTEST_SKIP() << "no permission to mount a tmpfs here";
    struct Unmount {
        QByteArray path;
        ~Unmount() { umount(path.constData()); }
    } const unmount{folder.toLocal8Bit()};
    QStringList files;
    {
        db::Database everyday(QStringLiteral("TarifEveryday"), folder);
        // Two days of 2,500 calls each, the second day's numbers after the first's, so that
        // the union holds both: 125 KB a table on a disk of 384 KB.
        for (int n = 1; n <= 2; ++n) {
            db::TableDef def = db::schema::desttar();
            def.name = QStringLiteral("D010%1").arg(n);
            def.fileName = def.name + QStringLiteral(".db");
            def.indexes.clear();
            everyday.createTable(def);
            everyday.connection().exec(
                QStringLiteral("WITH RECURSIVE n(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < %2) INSERT INTO %3 SELECT i, '2026-01-01', "
                               "'10:00:00', 1, 1, i, 'K', NULL, 0.5 FROM n")
                    .arg(n * 10000)
                    .arg(n * 10000 + 2499)
                    .arg(everyday.qualified(def.name)));
            files.append(folder + QLatin1Char('/') + def.fileName);
        }
    }
    db::Database everyday(QStringLiteral("TarifEveryday"), folder);
    utils::TableMerge merge(everyday);
    EXPECT_THROW(merge.merge(files), orv::Error);
    EXPECT_EQ(everyday.tableNames(), (QStringList{"D0101", "D0102"}));
    // With room again the same merge goes through.
    everyday.dropTable(QStringLiteral("D0102"));
    EXPECT_EQ(merge.merge({files[0], files[0]}).rows, 2500);
}

}  // namespace
}  // namespace orv::test
