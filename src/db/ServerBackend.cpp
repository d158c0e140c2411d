#include "db/ServerBackend.h"

#include "core/Error.h"
#include "db/Dialect.h"
#include "db/Schema.h"

#include <libpq-fe.h>

namespace orv::db {
namespace {

QString bareName(const QString& name) {
    return name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) ? name.chopped(3) : name;
}

}  // namespace

ServerBackend::ServerBackend(const ServerAddress& address) : store_(address) {
    // Both are made only when missing, so that a seat with no right to create them works.
    connection().ensureSchema(address.schemaName());
    connection().ensureNocaseCollation();
}

bool ServerBackend::tableExists(const QString& name) {
    try {
        store_.storedName(name);
        return true;
    } catch (const Error&) {
        return false;
    }
}

QString ServerBackend::canonicalName(const QString& name) {
    const QString stored = store_.storedName(name);
    const TableDef* known = schema::findProgramTable(stored);
    return known ? bareName(known->name) : stored;
}

QString ServerBackend::tableSql(const QString& name) {
    return tableExists(name) ? pgQuoteIdentifier(store_.storedName(name))
                             : ServerStore::serverName(name);
}

void ServerBackend::createTable(const TableDef& def) {
    const bool replaces = tableExists(def.name);
    const auto create = [&] {
        if (replaces) connection().exec(QStringLiteral("DROP TABLE ") + tableSql(def.name));
        for (const QString& statement : ServerStore::createStatements(def))
            connection().exec(statement);
    };
    if (inTransaction()) return create();
    try {
        PgTransaction transaction(connection());
        create();
        transaction.commit();
    } catch (const PgError& e) {
        // Another seat made the missing table at the same moment: it is there, as declared. The
        // server names the clash by the table, by its row type, or by the catalogue's key.
        const bool madeByOther = e.sqlState() == QLatin1String("42P07") ||
                                 e.sqlState() == QLatin1String("42710") ||
                                 e.sqlState() == QLatin1String("23505");
        if (replaces || !madeByOther || !tableExists(def.name)) throw;
    }
}

qint64 ServerBackend::replaceTable(const TableDef& def, const DialectStatement& select,
                                   const std::function<void(Statement&)>& bind) {
    const QString source = rendered(select);
    createTable(def);
    Statement insert(connection(),
                     QStringLiteral("INSERT INTO %1 %2").arg(tableSql(def.name), source),
                     select.parameters());
    if (bind) bind(insert);
    const qint64 copied = insert.run();
    connection().exec(QStringLiteral("ANALYZE ") + tableSql(def.name));
    return copied;
}

void ServerBackend::dropTable(const QString& name) {
    connection().exec(QStringLiteral("DROP TABLE ") + pgQuoteIdentifier(store_.storedName(name)));
}

void ServerBackend::addIndex(const QString& table, const IndexDef& index) {
    const QString stored = store_.storedName(table);
    QStringList columns;
    for (const QString& f : index.fields) columns.append(pgQuoteIdentifier(f.toLower()));
    const QString name = stored + u'_' +
                         (index.primary          ? QStringLiteral("primary")
                          : index.name.isEmpty() ? index.fields.join(u'_').toLower()
                                                 : index.name.toLower());
    connection().exec(
        QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 (%4)")
            .arg(index.primary || index.unique ? QStringLiteral("UNIQUE ") : QString(),
                 pgQuoteIdentifier(name), pgQuoteIdentifier(stored), columns.join(u',')));
}

QString ServerBackend::rendered(const DialectStatement& statement) {
    return statement.render(
        [this](const TableRef& ref) {
            const auto bound = bounds_.constFind(ref.name.toLower());
            return ref.use == TableUse::Read && bound != bounds_.constEnd() ? *bound
                                                                            : tableSql(ref.name);
        },
        SqlTarget::Postgres);
}

void ServerBackend::setBound(const QString& key, const QString& source) {
    if (source.isEmpty())
        bounds_.remove(key);
    else
        bounds_.insert(key, source);
}

Statement ServerBackend::prepare(const DialectStatement& statement, const QString& insertTarget,
                                 bool newTemporary) {
    QString sql = rendered(statement);
    if (newTemporary)
        sql = QStringLiteral(
                  "CREATE TEMP TABLE %1 AS SELECT row_number() OVER () AS orv_row, s.* FROM (%2) s")
                  .arg(pgQuoteIdentifier(insertTarget), sql);
    else if (!insertTarget.isEmpty())
        sql = QStringLiteral("INSERT INTO %1 %2").arg(tableSql(insertTarget), sql);
    return Statement(connection(), sql, statement.parameters());
}

bool ServerBackend::inTransaction() const {
    return PQtransactionStatus(const_cast<ServerStore&>(store_).connection().handle()) !=
           PQTRANS_IDLE;
}

}  // namespace orv::db
