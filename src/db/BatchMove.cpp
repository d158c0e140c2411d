#include "db/BatchMove.h"

#include "db/Database.h"
#include "db/Dialect.h"
#include "db/Query.h"
#include "db/Transaction.h"

namespace orv::db {

qint64 batchMove(Query& source, const QString& target, ValueChecks checks) {
    Database& db = source.database();
    TableDef def;
    def.name = target;
    def.fields = source.resultFields();
    def.checkValues = checks == ValueChecks::On;
    db.createTable(def);
    // Prepared before the transaction begins: attaching files is only possible outside it.
    PreparedSql insert = db.prepare(source.dialect(), target);
    source.bindParameters(insert.statement());
    Transaction transaction(db, {});
    insert.statement().run();
    const qint64 copied = db.connection().changes();
    transaction.commit();
    return copied;
}

}  // namespace orv::db
