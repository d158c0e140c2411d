#pragma once
// An exclusive lock on one kind of work in a table folder, so that two processes, or two threads
// of one, never do that work on the same tables at once (the debt run). The lock is taken at once
// or not at all: when it is held elsewhere the constructor raises Error(Refused) with the
// caller's message. It is an flock() on a hidden file of the folder (".orvanta-<name>.lock", in
// the temporary folder when the table folder is read-only), so the system drops it when the
// holder ends, also when it is killed. Released with the object.

#include <QString>

namespace orv::db {

class FolderLock {
  public:
    FolderLock(const QString& folder, const QString& name, const QString& heldMessage);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

  private:
    int fd_ = -1;
};

}  // namespace orv::db
