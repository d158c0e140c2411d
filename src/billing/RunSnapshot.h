#pragma once
// The debt run's snapshot of the tables it is about to change (see Snapshot.h), held for the
// length of the run: taken when constructed, before the run's first change; kept by keep() after the transaction commits, when the
// oldest snapshots beyond the setting are removed. A run that ends without committing changed
// nothing, and its snapshot is removed again, so refused runs do not push useful snapshots out.
//
// When the snapshot cannot be written the constructor raises Error(Refused) with kNoSnapshot
// and the cause; the run then ends before it has changed anything.

#include "billing/Snapshot.h"

#include <optional>

namespace orv::billing {

inline const QString kNoSnapshot =
    QStringLiteral("Расчет долга не выполнен: не удалось сохранить резервную копию таблиц.");

enum class RunSnapshotMode { Take, Skip };

class RunSnapshot {
  public:
    RunSnapshot(db::Database& db, const core::SettingsStore& store, const QDate& today,
                RunSnapshotMode mode);
    ~RunSnapshot();
    RunSnapshot(const RunSnapshot&) = delete;
    RunSnapshot& operator=(const RunSnapshot&) = delete;

    void keep();
    // Marks the calls the run moves into the archive: the snapshot's name, or the moment the run
    // started in the same form when it takes none; later runs have greater marks.
    const QString& runId() const { return runId_; }

  private:
    db::Database& db_;
    const core::SettingsStore& store_;
    std::optional<SnapshotInfo> snapshot_;
    bool kept_ = false;
    QString runId_;
};

}  // namespace orv::billing
