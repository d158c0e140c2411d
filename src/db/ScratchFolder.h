#pragma once
// A folder for work in progress (a table being built beside the one it replaces, the copies of a
// trial run), removed with everything in it when the object goes. While the object lives its
// process holds an flock() on a file inside the folder; the system drops that lock when the
// process ends, also when it is killed, so removeAbandonedScratch can tell the folder of a
// command still running (in this or another process) from one that a kill left behind.
//
// Every scratch folder is named ".orvanta-work-<what>" in its parent folder, hidden from the
// table lists. Errors are orv::Error (Engine): the folder cannot be made or locked, or it is in
// use by a running command (Refused, "... уже выполняется").

#include <QString>

namespace orv::db {

class ScratchFolder {
  public:
    // parent/.orvanta-work-<what>; one that a killed command left is removed first. Refused when
    // a running command holds it.
    ScratchFolder(const QString& parent, const QString& what);
    // A folder of a unique name, parent/.orvanta-work-<what>-XXXXXX.
    static ScratchFolder unique(const QString& parent, const QString& what);
    ~ScratchFolder();
    ScratchFolder(ScratchFolder&& other) noexcept;
    ScratchFolder& operator=(ScratchFolder&&) = delete;
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const QString& path() const { return path_; }
    QString file(const QString& name) const { return path_ + QLatin1Char('/') + name; }

  private:
    ScratchFolder() = default;
    void lockFolder();
    QString path_;
    int fd_ = -1;
};

// Writes the file's data through to the disk; refused ("Не удалось записать ...") when it fails.
void syncFile(const QString& path);
// Moves a finished file into place in one step (rename), replacing what is there.
void moveFile(const QString& from, const QString& to);

// Removes every scratch folder of parent that no running command holds: what a kill left.
// Folders that cannot be removed are left as they are; nothing is raised.
void removeAbandonedScratch(const QString& parent);

}  // namespace orv::db
