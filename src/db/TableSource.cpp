#include "db/TableSource.h"

#include "core/Error.h"
#include "db/Database.h"

namespace orv::db {

TableSource::TableSource(Database& db, const QString& table, const QString& select)
    : db_(db), canonical_(db.canonicalName(table)) {
    // On the server under the table's stored, lower-case name, as its columns are qualified.
    view_ = db.isServer() ? QStringLiteral("pg_temp.") + quoteIdentifier(canonical_.toLower())
                          : QStringLiteral("temp.") + quoteIdentifier(canonical_);
    db.execute(QStringLiteral("CREATE TEMP VIEW %1 AS %2").arg(view_, select));
    db.setBound(canonical_, view_);
}

TableSource::~TableSource() {
    db_.setBound(canonical_, {});
    try {
        db_.execute(QStringLiteral("DROP VIEW IF EXISTS %1").arg(view_));
    } catch (const Error&) {
        // Temporary objects go with the connection.
    }
}

}  // namespace orv::db
