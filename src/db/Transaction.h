#pragma once
// One unit of work over several table files, all or nothing. The constructor attaches every
// table the work will touch and begins the transaction; commit() makes the changes permanent;
// the destructor rolls back unless commit() ran. Because the connection's main database is a
// real file in rollback-journal mode, the commit across files is atomic even when the process
// is killed in the middle of it. A Transaction inside another one becomes a savepoint.
//
// A Deferred transaction locks each file when it first reads or writes it. An Immediate one
// takes the write lock of every attached file at its start, waiting out other programs' short
// writes: work that reads a shared table and then changes it takes it so, because a file read
// first and written later inside one transaction can meet another writer in a deadlock that
// SQLite reports at once as busy.

#include <QStringList>

namespace orv::db {

class Database;

class Transaction {
  public:
    enum class Lock { Deferred, Immediate };
    Transaction(Database& db, const QStringList& tables, Lock lock = Lock::Deferred);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

  private:
    Database& db_;
    QStringList pinned_;
    QString savepoint_;  // empty for the outermost transaction
    bool done_ = false;
};

}  // namespace orv::db
