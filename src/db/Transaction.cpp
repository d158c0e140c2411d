#include "db/Transaction.h"

#include "core/Error.h"
#include "db/Database.h"

namespace orv::db {
namespace {
int savepointCounter() {
    static int counter = 0;
    return ++counter;
}
}  // namespace

Transaction::Transaction(Database& db, const QStringList& tables, Lock lock) : db_(db) {
    for (const QString& table : tables) db_.qualified(table);
    Connection& c = db_.connection();
    if (c.inTransaction()) {
        savepoint_ = QStringLiteral("orv_sp_%1").arg(savepointCounter());
        c.exec(QStringLiteral("SAVEPOINT ") + savepoint_);
    } else {
        c.exec(lock == Lock::Immediate ? QStringLiteral("BEGIN IMMEDIATE")
                                       : QStringLiteral("BEGIN"));
    }
}

Transaction::~Transaction() {
    if (done_) return;
    Connection& c = db_.connection();
    try {
        if (savepoint_.isEmpty()) {
            if (c.inTransaction()) c.exec(QStringLiteral("ROLLBACK"));
        } else {
            c.exec(QStringLiteral("ROLLBACK TO ") + savepoint_);
            c.exec(QStringLiteral("RELEASE ") + savepoint_);
        }
    } catch (const Error&) {
        // SQLite rolls back by itself when the connection closes; nothing more can be done here.
    }
}

void Transaction::commit() {
    if (done_) raise(Error::Kind::Engine, QStringLiteral("Транзакция уже завершена"));
    db_.connection().exec(savepoint_.isEmpty() ? QStringLiteral("COMMIT")
                                               : QStringLiteral("RELEASE ") + savepoint_);
    done_ = true;
}

}  // namespace orv::db
