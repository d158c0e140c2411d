#pragma once
// The table-repair library: verification and rebuild of the table files of the table store.
// Every function returns 0 on success or one of the TRResult codes below; TRErrorText() gives
// the operator's text for a code, with the detail of the handle's last failure. Table paths are
// full paths of table files.
//
// Verification checks the file header, the table's structure against its declared structure
// (for the program's own tables) or its own, the b-trees and indexes (integrity_check), and every
// row against its field's type and checks; what it finds goes into the verification table in
// the table's folder. Rebuild keeps the damaged file under the backup name, builds a fresh
// table from the restructure descriptor and copies into it every row that can still be read
// from the table-leaf pages; rows breaking a unique key go to the key-violation table, rows
// breaking a type or check to the problem table. The fresh file replaces the old one only when
// complete. The original is kept under the backup name, or under the first free numbered name
// ("Backup1.Db") when an earlier rebuild's original is there. A rebuild that could not read
// every row the leaf pages hold is not a success (kTRRowsLost); one whose structure has fewer
// fields than the rows changes nothing (kTRStructureMismatch).
//
// Progress goes to the function the handle holds, on the thread that runs the call. A handle is
// used by one call at a time.

#include "repair/RepairRecords.h"

#include <QString>
#include <functional>

namespace orv::repair {

using TRResult = quint16;

enum : TRResult {
    kTROk = 0,
    kTRNotFound = 2,     // the table file does not exist
    kTRCannotRead = 3,   // the file cannot be read, or a table beside it cannot be written
    kTRNoStructure = 4,  // the table's structure is known neither by declaration nor from the file
    kTRBadArgument = 6,  // a descriptor that does not fit the table
    kTRStructureMismatch = 8,  // rows have more fields than the structure: nothing was changed
    kTRRowsLost = 9,  // rebuilt, but rows of damaged cells could not be read (counts say how many)
};

// Verification statuses.
enum : qint32 {
    kVerifyNoErrors = 0,       // nothing wrong
    kVerifyCompleted = 1,      // only notes that need no rebuild (an index missing or extra)
    kVerifyIncomplete = 2,     // the file could not be read to the end (locked, unreadable)
    kVerifyMustRebuild = 3,    // damage found: rows, pages, header or structure
    kVerifyCannotRebuild = 4,  // no table can be built from this file
};

// What the last rebuild of a handle that put a table in place did.
struct RebuildCounts {
    qint64 kept = 0;
    qint64 keyViolations = 0;
    qint64 problems = 0;
    qint64 unreadable = 0;
    QString backup;  // the file name the original was kept under
};

// An open use of the library: the detail of its last failure, what its last rebuild did, and
// where its progress reports go.
struct TRHandle {
    QString lastError;
    RebuildCounts lastRebuild;
    std::function<void(const ProgressInfo&)> progress;
};

TRHandle TRInit();
// Releases the handle: its failure, counts and progress function are forgotten.
void TRExit(TRHandle& handle);
TRResult TRFillTableProps(TRHandle& handle, const QString& tablePath, CURProps& props);
TRResult TRVerifyTable(TRHandle& handle, const QString& tablePath, const QString& driverType,
                       const QString& verifyTableName, qint32& status);
TRResult TRGetRestructDescCount(TRHandle& handle, const QString& tablePath, RestructCounts& counts);
TRResult TRFillRestructDesc(TRHandle& handle, RestructDesc& desc, const QString& tablePath);
TRResult TRRebuildTable(TRHandle& handle, const QString& tablePath, const QString& driverType,
                        const QString& backupName, const QString& keyViolationName,
                        const QString& problemName, const RestructDesc& desc);

// The operator's text for a result code, with the detail of the handle's last failure.
QString TRErrorText(const TRHandle& handle, TRResult result);

}  // namespace orv::repair
