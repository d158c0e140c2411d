#include "db/SurplusCopies.h"

#include "core/Error.h"
#include "db/Attachments.h"
#include "db/Dialect.h"
#include "db/Sqlite.h"
#include "db/TableDdl.h"
#include "db/TableFiles.h"

#include <algorithm>

namespace orv::db {

QString SurplusCopies::copyOf(const QString& canonical) {
    const QString copy = QStringLiteral("orv_copy_%1").arg(++counter_);
    // Declared as the table is, so that the statement's result keeps the columns' types.
    QStringList columns;
    for (const FieldDef& f : ddl_.tableDef(canonical).fields)
        columns.append(columnDefinition(f, false));
    const QString schema = attachments_.attach(canonical);
    connection_.exec(QStringLiteral("CREATE TEMP TABLE %1 (%2); INSERT INTO %1 SELECT * FROM %3.%4")
                         .arg(quoteIdentifier(copy), columns.join(QStringLiteral(", ")),
                              quoteIdentifier(schema), quoteIdentifier(canonical)));
    attachments_.detachIfUnused(canonical);
    return copy;
}

void SurplusCopies::drop(const QString& copy) {
    connection_.exec(QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(quoteIdentifier(copy)));
}

void SurplusCopies::copy(const QList<TableRef>& refs, int room,
                         const QHash<QString, QString>& bounds, QHash<QString, QString>& rendered,
                         QStringList& temps) {
    QStringList direct;
    QStringList reads;
    for (const TableRef& ref : refs) {
        if (ref.use == TableUse::Create) continue;
        const QString k = TableFiles::key(files_.canonicalName(ref.name));
        if (ref.use != TableUse::Read || bounds.contains(k)) {
            if (!direct.contains(k)) direct.append(k);
        } else if (!reads.contains(k)) {
            reads.append(k);
        }
    }
    for (const QString& k : std::as_const(direct)) reads.removeAll(k);
    if (direct.size() + reads.size() <= room) return;
    if (connection_.inTransaction() || direct.size() >= room)
        raise(Error::Kind::Engine,
              QStringLiteral("Слишком много таблиц в одной операции (не более %1)").arg(room));
    // Tables attached already stay so; the rest of the room goes to the first tables named.
    std::stable_partition(reads.begin(), reads.end(),
                          [&](const QString& k) { return attachments_.isAttached(k); });
    const QStringList copies = reads.mid(room - direct.size());
    for (const TableRef& ref : refs) {
        const QString lower = TableFiles::key(ref.name);
        if (ref.use != TableUse::Read || rendered.contains(lower)) continue;
        const QString canonical = files_.canonicalName(ref.name);
        if (!copies.contains(TableFiles::key(canonical))) continue;
        const QString copy = copyOf(canonical);
        temps.append(copy);
        rendered.insert(lower, QStringLiteral("temp.") + quoteIdentifier(copy));
    }
}

}  // namespace orv::db
