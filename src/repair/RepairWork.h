#pragma once
// The work behind the table-repair library's functions: the structure of a table file, its
// verification and its rebuild. Errors are orv::Error; the library turns them into result codes.

#include "db/FieldType.h"
#include "repair/PageFile.h"
#include "repair/RepairRecords.h"

#include <QList>
#include <QSet>
#include <QString>
#include <array>
#include <functional>

namespace orv::db {
class Connection;
}

namespace orv::repair {

// Hands the percentage done of each phase to a function, only when it changed since the last
// report of that phase.
class ProgressReport {
  public:
    explicit ProgressReport(std::function<void(const ProgressInfo&)> sink);
    void operator()(quint8 phase, int percent);

  private:
    std::function<void(const ProgressInfo&)> sink_;
    std::array<int, kPhaseRebuild + 1> last_;
};

// The structure a table file should have: the declared structure for the program's own tables
// (found by the file's name), otherwise the file's own as SQLite reads it, otherwise as its
// schema page holds it. Throws Error(Refused) when none can be had.
db::TableDef tableStructure(const QString& path);

// Fields and indexes of a table as SQLite reads them on a connection (schema "main" or an
// attachment). Throws Error(Engine) when the schema cannot be read.
db::TableDef readStructure(db::Connection& c, const QString& schema, const QString& table);

// The pages whose table-leaf cells are the table's rows: every page but page 1, the freelist
// and the schema tree; in a file of several tables only the pages reachable from its root.
class RowPages {
  public:
    RowPages(const PageFile& file, const QString& table);
    bool contains(quint32 page) const {
        return !skip_.contains(page) && (!restricted_ || only_.contains(page));
    }

  private:
    QSet<quint32> skip_;
    QSet<quint32> only_;
    bool restricted_ = false;
};

// False for a file in which nothing is a table: no valid header and no b-tree page.
bool looksLikeTable(const PageFile& file);

// Why a row breaks its table's types or checks (a record with more values than the table has
// fields included); empty when it does not.
QString rowProblem(const db::TableDef& def, const LeafRow& row, const PageFile& file);

struct Finding {
    QString check;  // "Header", "Structure", "Index", "Integrity", "Page", "Row"
    qint64 page = 0;
    qint64 rowid = 0;
    QString message;
    bool damage = true;  // false for notes that need no rebuild
};

struct VerifyOutcome {
    qint32 status = 0;
    QList<Finding> findings;
};

// Verifies the table file and writes the findings to the verification table (a table file of
// that name in the table's folder, replaced).
VerifyOutcome verifyTable(const QString& path, const QString& verifyTableName,
                          ProgressReport& progress);

struct RebuildNames {
    QString backup, keyViolations, problems;
};

struct RebuildOutcome {
    qint64 kept = 0;
    qint64 keyViolations = 0;
    qint64 problems = 0;
    qint64 unreadable = 0;  // cells of the table's leaf pages that could not be read: rows lost
    qint64 tooWide = 0;     // rows with more values than the structure has fields
    qint64 widestRow = 0;   // the most values of such a row
    QString backup;         // the file name the original was kept under
};

// Rebuilds the table file with the given structure (see TableRepair.h). When rows have more
// values than the structure has fields, nothing is changed (the outcome's tooWide says so).
RebuildOutcome rebuildTable(const QString& path, const db::TableDef& def, const RebuildNames& names,
                            ProgressReport& progress);

}  // namespace orv::repair
