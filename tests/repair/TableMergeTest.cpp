// The merge of everyday tables by one union statement.

#include "core/Error.h"
#include "utils/TableMerge.h"

#include "TestSupport.h"

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
              (QStringList{QStringLiteral("SELECT * FROM c.db"), QStringLiteral("UNION"),
                           QStringLiteral("SELECT * FROM a.db"), QStringLiteral("UNION"),
                           QStringLiteral("SELECT * FROM b.DB")}));
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

}  // namespace
}  // namespace orv::test
