#pragma once
// Snapshots of the tables the debt run changes (DolgTb.db, PrDlgCt.db, PrDlgMG, OldMG.DB; the
// calls it retires are kept by the call archive, CallArchive.h) in the folder "backups" of the data
// folder (the folder of OrvantaStandard), one folder per snapshot named after the moment it was
// taken ("2026-03-01T10-15-00"). A snapshot holds each table file's pages as one gzip file
// ("DESTTAR.db.gz") and manifest.json: the run's date, the program's version, why it was taken, and
// per table its file name, row count, size and the CRC-32 of the uncompressed pages. It is complete
// once the manifest is written; folders without one are not snapshots.
//
// The pages are read through the database's own connection (see TablePages.h), inside its open
// transaction when there is one. Restoring checks the manifest as input (plain file names of the
// snapshot, each table's own image of its own structure, every table once, DolgTb among them,
// no link followed), stages every table, then puts them all back in one transaction together
// with the calls the later runs moved into the archive; a restore killed at any moment leaves
// every table as before it (SQLite's journal of that transaction undoes it at the next opening).
// A snapshot of the present state comes first, so that the restore can be undone; it refuses
// before changing anything while another program holds a lock on a table. Snapshots taken when
// they still held DESTTAR put it back whole and forget the calls archived since.
//
// On a server alias the same calls keep the snapshots on the server (ServerSnapshot.h); the
// size of a snapshot is there the size of its copies, and a snapshot goes with the transaction
// that took it.
//
// Errors are orv::Error(Refused) with the operator's message: a snapshot that cannot be written
// (a full disk; its partial folder is removed), a snapshot that does not exist or whose files do
// not match their checksums, a locked table.

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace orv::db {
class Database;
}
namespace orv::core {
class SettingsStore;
}

namespace orv::billing {

struct SnapshotTable {
    QString table;     // canonical name ("DESTTAR")
    QString fileName;  // the table's file as it was ("DESTTAR.db")
    qint64 rows = 0;
    qint64 bytes = 0;  // uncompressed
    QString crc32;     // of the uncompressed pages, as 8 hex digits
};

struct SnapshotInfo {
    QString name;    // the folder's name
    QString folder;  // its path
    QDate runDate;   // the date the run or the restore took as today
    QString version;
    QString reason;  // "Расчет долга", "Перед восстановлением из копии ..."
    QList<SnapshotTable> tables;
    qint64 compressedBytes = 0;  // the gzip files together
};

// The tables of a snapshot, in the order they are restored.
const QStringList& snapshotTables();
// This moment as a snapshot's name ("2026-03-01T10-15-00"): later moments sort after.
QString snapshotStamp();
QString snapshotStamp(const QDateTime& moment);
// The folder "backups" of the database's folder.
QString backupsFolder(const db::Database& db);
// How many snapshots are kept: "Копии", "Хранить" of the settings store, 24 when not set, at
// least 1.
int snapshotsToKeep(const core::SettingsStore& store);

// Refuses the copy of a table whose columns (in order) are not those the program declares.
void checkCopyColumns(const QString& table, const QStringList& columns);

// Takes a snapshot of the snapshot tables that exist. Inside a transaction the tables are read as
// that transaction sees them; outside one each table as of the moment it is copied.
SnapshotInfo takeSnapshot(db::Database& db, const QDate& runDate, const QString& reason);
// The complete snapshots, oldest first.
QList<SnapshotInfo> listSnapshots(db::Database& db);
// Removes the oldest complete snapshots beyond the newest keep.
void pruneSnapshots(db::Database& db, int keep);
void removeSnapshot(const SnapshotInfo& snapshot);

// Puts the tables of the named snapshot back; returns the snapshot of the state before it.
SnapshotInfo restoreSnapshot(db::Database& db, const core::SettingsStore& store,
                             const QString& name, const QDate& today);

}  // namespace orv::billing
