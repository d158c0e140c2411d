#pragma once
// Snapshots of the debt run's tables on a server alias (those of table files: Snapshot.h). Each
// table is copied, its rows in their stored order, into a table "<snapshot>_<table>" of the
// schema "<schema>_backups" beside the alias's schema, so that the copies never show as tables of
// the alias; the manifest table orv_snapshots there holds a row per copied table: the snapshot's
// name, the run's date, the program's version, why it was taken, the table, its rows.
//
// Everything here runs inside the caller's transaction: a snapshot taken by a run that does not
// commit goes with it, and a restore is one transaction (restoreServerSnapshot opens it itself,
// under the debt run's lock). Errors are orv::Error; refusals carry the operator's message.

#include "billing/Snapshot.h"

namespace orv::billing {

// Copies the tables (canonical names of existing tables) and notes them in the manifest.
SnapshotInfo takeServerSnapshot(db::Database& db, const QStringList& tables, const QDate& runDate,
                                const QString& reason);
// The snapshots, oldest first; compressedBytes is the size of the copies on the server.
QList<SnapshotInfo> listServerSnapshots(db::Database& db);
// Removes the oldest snapshots beyond the newest keep.
void pruneServerSnapshots(db::Database& db, int keep);

// Puts the tables of the named snapshot back, and the calls that later runs archived back into
// DESTTAR, after a snapshot of the present state; all in one transaction, refused while a debt
// run or another restore works on any seat. Keeps the newest keep snapshots. Returns the
// snapshot of the state before.
SnapshotInfo restoreServerSnapshot(db::Database& db, int keep, const QString& name,
                                   const QDate& today);

}  // namespace orv::billing
