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

Transaction::Transaction(Database& db, const QStringList& tables, Lock lock)
    : db_(db), tables_(tables) {
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
            if (c.inTransaction())
                c.exec(QStringLiteral("ROLLBACK"));
            else
                rollBackAbandonedJournals();
        } else {
            c.exec(QStringLiteral("ROLLBACK TO ") + savepoint_);
            c.exec(QStringLiteral("RELEASE ") + savepoint_);
        }
    } catch (const Error&) {
        // SQLite rolls back by itself when the connection closes; nothing more can be done here.
    }
}

void Transaction::rollBackAbandonedJournals() {
    for (const QString& table : tables_) {
        try {
            Statement read(db_.connection(),
                           QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(db_.qualified(table)));
            read.step();
        } catch (const Error&) {
            // The journal stays for the next reader, who rolls it back.
        }
    }
}

void Transaction::commit() {
    if (done_) raise(Error::Kind::Engine, QStringLiteral("Транзакция уже завершена"));
    if (savepoint_.isEmpty() && !db_.connection().inTransaction())
        raise(Error::Kind::Engine,
              QStringLiteral("Изменения не сохранены: после ошибки записи ядро базы данных "
                             "отменило их"));
    db_.connection().exec(savepoint_.isEmpty() ? QStringLiteral("COMMIT")
                                               : QStringLiteral("RELEASE ") + savepoint_);
    done_ = true;
}

}  // namespace orv::db
