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
    // A server locks rows as they are written; the table files are attached before the start.
    if (!db_.isServer())
        for (const QString& table : tables) db_.qualified(table);
    if (db_.inTransaction()) {
        savepoint_ = QStringLiteral("orv_sp_%1").arg(savepointCounter());
        db_.execute(QStringLiteral("SAVEPOINT ") + savepoint_);
    } else {
        db_.execute(lock == Lock::Immediate && !db_.isServer() ? QStringLiteral("BEGIN IMMEDIATE")
                                                               : QStringLiteral("BEGIN"));
    }
}

Transaction::~Transaction() {
    if (done_) return;
    try {
        if (savepoint_.isEmpty()) {
            if (db_.inTransaction())
                db_.execute(QStringLiteral("ROLLBACK"));
            else if (!db_.isServer())
                rollBackAbandonedJournals();
        } else {
            db_.execute(QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepoint_);
            db_.execute(QStringLiteral("RELEASE SAVEPOINT ") + savepoint_);
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
    if (savepoint_.isEmpty() && !db_.inTransaction())
        raise(Error::Kind::Engine,
              QStringLiteral("Изменения не сохранены: после ошибки записи ядро базы данных "
                             "отменило их"));
    db_.execute(savepoint_.isEmpty() ? QStringLiteral("COMMIT")
                                     : QStringLiteral("RELEASE SAVEPOINT ") + savepoint_);
    done_ = true;
}

}  // namespace orv::db
