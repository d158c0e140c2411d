#pragma once
// Shared by the repair tests: a table store folder with a DESTTAR of generated calls, plain-SQLite
// reads of a table file, byte damage of its pages, and the library calls as the window makes them.

#include "repair/RepairActions.h"

#include "TestSupport.h"

#include <QFile>
#include <QSet>
#include <vector>

namespace orv::test {

struct PageStat {
    QString name;  // table or index the page belongs to
    int page = 0;
    QString type;  // "leaf", "internal", "overflow"
    int cells = 0;
};

class RepairTest : public ::testing::Test {
  public:
    // DESTTAR with rows calls, distinct in every column.
    void makeCalls(int rows) {
        store_->create(db::schema::desttar());
        store_->raw(QStringLiteral("DESTTAR.db"),
                    QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                   "WHERE i < %1) INSERT INTO DESTTAR SELECT 1000000 + i % 500, "
                                   "date('2026-01-01', '+' || (i % 28) || ' days'), "
                                   "time(i % 86400, 'unixepoch'), i % 30 + 1, i % 12, 2000000 + i, "
                                   "'K' || (i % 97), NULL, i * 0.25 FROM n")
                        .arg(rows));
    }

    QString path(const QString& file = QStringLiteral("DESTTAR.db")) const {
        return store_->file(file);
    }

    // Rows of a table file read with plain SQLite; -1 when it cannot be read.
    qint64 rowsIn(const QString& file, const QString& table) const {
        sqlite3* h = nullptr;
        qint64 n = -1;
        if (sqlite3_open_v2(path(file).toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr) ==
            SQLITE_OK) {
            sqlite3_stmt* s = nullptr;
            const QByteArray sql =
                QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table).toUtf8();
            if (sqlite3_prepare_v2(h, sql.constData(), -1, &s, nullptr) == SQLITE_OK &&
                sqlite3_step(s) == SQLITE_ROW)
                n = sqlite3_column_int64(s, 0);
            sqlite3_finalize(s);
        }
        sqlite3_close(h);
        return n;
    }

    // What SQLite's dbstat says of every page of a sound file.
    std::vector<PageStat> pages(const QString& file = QStringLiteral("DESTTAR.db")) const {
        std::vector<PageStat> all;
        sqlite3* h = nullptr;
        sqlite3_open_v2(path(file).toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(h, "SELECT name, pageno, pagetype, ncell FROM dbstat", -1, &s, nullptr);
        while (sqlite3_step(s) == SQLITE_ROW)
            all.push_back(
                {QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))),
                 sqlite3_column_int(s, 1),
                 QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 2))),
                 sqlite3_column_int(s, 3)});
        sqlite3_finalize(s);
        sqlite3_close(h);
        return all;
    }

    void overwrite(qint64 offset, const QByteArray& bytes,
                   const QString& file = QStringLiteral("DESTTAR.db")) {
        QFile f(path(file));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.seek(offset));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    void zeroPage(int page, int from = 0, int pageSize = 4096) {
        overwrite(qint64(page - 1) * pageSize + from, QByteArray(pageSize - from, '\0'));
    }

    std::optional<qint32> verify(const QString& file = QStringLiteral("DESTTAR.db")) {
        repair::TTableUtil util;
        return repair::runVerification(util, path(file));
    }
    struct Rebuilt {
        repair::RebuildEnd end;
        repair::RebuildCounts counts;
    };
    Rebuilt rebuild(const QString& file = QStringLiteral("DESTTAR.db")) {
        repair::TTableUtil util;
        const repair::RebuildEnd end = repair::runRebuild(util, path(file));
        return {end, util.LibraryHandle.lastRebuild};
    }

    // A new, empty folder in place of the current one.
    void freshStore() { store_ = std::make_unique<TempDatabase>(); }

    std::unique_ptr<TempDatabase> store_ = std::make_unique<TempDatabase>();
};

}  // namespace orv::test
