#include "billing/RunSnapshot.h"

#include "core/Error.h"
#include "db/Database.h"

namespace orv::billing {

RunSnapshot::RunSnapshot(db::Database& db, const core::SettingsStore& store, const QDate& today,
                         RunSnapshotMode mode)
    : db_(db), store_(store) {
    if (mode == RunSnapshotMode::Skip) {
        runId_ = snapshotStamp();
        return;
    }
    try {
        snapshot_ = takeSnapshot(db_, today, QStringLiteral("Расчет долга"));
        runId_ = snapshot_->name;
    } catch (const Error& e) {
        if (e.kind() != Error::Kind::Refused) throw;
        raise(Error::Kind::Refused, kNoSnapshot + u'\n' + e.message());
    }
}

RunSnapshot::~RunSnapshot() {
    // On a server the snapshot goes with the run's transaction when it is not committed.
    if (snapshot_ && !kept_ && !db_.isServer()) removeSnapshot(*snapshot_);
}

void RunSnapshot::keep() {
    kept_ = true;
    if (snapshot_) pruneSnapshots(db_, snapshotsToKeep(store_));
}

}  // namespace orv::billing
