#pragma once
// One unit of work over several table files, all or nothing. The constructor attaches every
// table the work will touch and begins the transaction; commit() makes the changes permanent;
// the destructor rolls back unless commit() ran. Because the connection's main database is a
// real file in rollback-journal mode, the commit across files is atomic even when the process
// is killed in the middle of it. A Transaction inside another one becomes a savepoint.

#include <QStringList>

namespace orv::db {

class Database;

class Transaction {
  public:
    Transaction(Database& db, const QStringList& tables);
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
