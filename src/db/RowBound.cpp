#include "db/RowBound.h"

#include "core/Error.h"
#include "db/Database.h"

namespace orv::db {

RowBound::RowBound(Database& db, const QString& table) : db_(db) {
    canonical_ = db.canonicalName(table);
    const QString target = db.qualified(canonical_);
    // A server's transaction reads one snapshot and changes only rows of it: the work's own
    // transaction bounds the rows there.
    if (db.isServer()) {
        source_ = target;
        return;
    }
    Connection& c = db.connection();
    {
        Statement last(c, QStringLiteral("SELECT coalesce(max(rowid), 0) FROM %1").arg(target));
        last.step();
        lastRowid_ = last.columnInt(0);
    }
    // The view takes the table's own name, so that a column written as Table.Column still
    // resolves; the triggers skip each later row that a delete or update would touch.
    source_ = QStringLiteral("temp.") + quoteIdentifier(canonical_);
    const QString deleteGuard = quoteIdentifier(QStringLiteral("orv_bound_delete_") + canonical_);
    const QString updateGuard = quoteIdentifier(QStringLiteral("orv_bound_update_") + canonical_);
    QStringList create = {
        QStringLiteral("CREATE TEMP VIEW %1 AS SELECT * FROM %2 WHERE rowid <= %3")
            .arg(source_, target)
            .arg(lastRowid_),
        QStringLiteral("CREATE TEMP TRIGGER %1 BEFORE DELETE ON %2 FOR EACH ROW WHEN "
                       "old.rowid > %3 BEGIN SELECT RAISE(IGNORE); END")
            .arg(deleteGuard, target)
            .arg(lastRowid_),
        QStringLiteral("CREATE TEMP TRIGGER %1 BEFORE UPDATE ON %2 FOR EACH ROW WHEN "
                       "old.rowid > %3 BEGIN SELECT RAISE(IGNORE); END")
            .arg(updateGuard, target)
            .arg(lastRowid_),
    };
    const QStringList drop = {QStringLiteral("DROP VIEW IF EXISTS %1").arg(source_),
                              QStringLiteral("DROP TRIGGER IF EXISTS temp.%1").arg(deleteGuard),
                              QStringLiteral("DROP TRIGGER IF EXISTS temp.%1").arg(updateGuard)};
    db.setBound(canonical_, source_);
    try {
        for (const QString& statement : create) {
            c.exec(statement);
            dropStatements_.prepend(drop[dropStatements_.size()]);
        }
    } catch (...) {
        for (const QString& statement : std::as_const(dropStatements_)) c.exec(statement);
        db.setBound(canonical_, {});
        throw;
    }
}

RowBound::~RowBound() {
    try {
        for (const QString& statement : std::as_const(dropStatements_))
            db_.connection().exec(statement);
    } catch (const Error&) {
        // Temporary objects go with the connection.
    }
    db_.setBound(canonical_, {});
}

}  // namespace orv::db
