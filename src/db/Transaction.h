#pragma once
// One unit of work over several table files, all or nothing. The constructor attaches every
// table the work will touch and begins the transaction; commit() makes the changes permanent;
// the destructor rolls back unless commit() ran. Because the connection's main database is a
// real file in rollback-journal mode, the commit across files is atomic even when the process
// is killed in the middle of it. A Transaction inside another one becomes a savepoint.
//
// After some failures (a full disk) SQLite gives the whole transaction up by itself and leaves
// the tables' journals for the next reader to roll back: commit() then raises our message, and
// the destructor reads each table once so that its journal is rolled back and removed at once.
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
    void rollBackAbandonedJournals();

    Database& db_;
    QStringList tables_;
    QString savepoint_;  // empty for the outermost transaction
    bool done_ = false;
};

}  // namespace orv::db
