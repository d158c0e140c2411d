#include "db/TableDdl.h"

#include "core/Error.h"
#include "db/Attachments.h"
#include "db/Sqlite.h"
#include "db/TableFiles.h"

#include <QFile>
#include <QFileInfo>

namespace orv::db {
namespace {

// A CHECK constraint named after the message the operator sees when a value breaks it.
QString namedCheck(const QString& message, const QString& condition) {
    return QStringLiteral(" CONSTRAINT %1 CHECK(%2)").arg(quoteIdentifier(message), condition);
}

QString indexName(const QString& table, const IndexDef& index) {
    if (index.primary) return QStringLiteral("PRIMARY");
    return index.name.isEmpty() ? table + QLatin1Char('_') + index.fields.join(QLatin1Char('_'))
                                : index.name;
}

}  // namespace

QString columnDefinition(const FieldDef& f, bool checkValues) {
    const QString q = quoteIdentifier(f.name);
    QString sql = q + QLatin1Char(' ') + sqlTypeName(f);
    if (f.required) sql += QStringLiteral(" NOT NULL");
    if (!checkValues) return sql;
    switch (f.type) {
        // The engine keeps a text that does not read as a number as it was written ('abc' in
        // an INTEGER column); the table refuses it instead.
        case FieldType::Integer:
        case FieldType::SmallInt:
            sql += namedCheck(QStringLiteral("в поле %1 не целое число").arg(f.name),
                              QStringLiteral("%1 IS NULL OR typeof(%1) = 'integer'").arg(q));
            break;
        case FieldType::Float:
            sql += namedCheck(
                QStringLiteral("в поле %1 не число").arg(f.name),
                QStringLiteral("%1 IS NULL OR typeof(%1) IN ('real', 'integer')").arg(q));
            break;
        case FieldType::String:
            if (f.size > 0)
                sql +=
                    QStringLiteral(" CONSTRAINT %1 CHECK(length(%2) <= %3)")
                        .arg(quoteIdentifier(QStringLiteral("значение поля %1 длиннее %2 символов")
                                                 .arg(f.name)
                                                 .arg(f.size)),
                             q)
                        .arg(f.size);
            break;
        case FieldType::Date:
            sql +=
                QStringLiteral(" CONSTRAINT %1 CHECK(%2 IS NULL OR %2 IS date(julianday(%2)))")
                    .arg(quoteIdentifier(QStringLiteral("в поле %1 неправильная дата").arg(f.name)),
                         q);
            break;
        case FieldType::Time:
            sql +=
                QStringLiteral(" CONSTRAINT %1 CHECK(%2 IS NULL OR %2 IS time(%2))")
                    .arg(
                        quoteIdentifier(QStringLiteral("в поле %1 неправильное время").arg(f.name)),
                        q);
            break;
        default:
            break;
    }
    return sql;
}

QString TableDdl::createFile(const QString& name, const QString& fileName) {
    return attachments_.attachNew(name, files_.newFilePath(name, fileName));
}

void TableDdl::attachForCreate(const TableDef& def) {
    const QString tableName = TableFiles::stripExtension(def.name);
    if (const auto file = files_.find(tableName))
        attachments_.attach(TableFiles::stripExtension(*file), Attachments::Tableless::Allowed);
    else
        createFile(tableName, def.fileName);
}

void TableDdl::createTable(const TableDef& def) {
    attachForCreate(def);
    const QString tableName = files_.canonicalName(def.name);
    const QString schema = attachments_.attach(tableName, Attachments::Tableless::Allowed);
    connection_.exec(QStringLiteral("DROP TABLE IF EXISTS %1.%2")
                         .arg(quoteIdentifier(schema), quoteIdentifier(tableName)));
    QStringList columns;
    for (const FieldDef& f : def.fields) columns.append(columnDefinition(f, def.checkValues));
    connection_.exec(QStringLiteral("CREATE TABLE %1.%2 (%3)")
                         .arg(quoteIdentifier(schema), quoteIdentifier(tableName),
                              columns.join(QStringLiteral(", "))));
    for (const IndexDef& index : def.indexes) addIndex(tableName, index);
}

void TableDdl::addIndex(const QString& table, const IndexDef& index) {
    const QString canonical = files_.canonicalName(table);
    const QString schema = attachments_.attach(canonical);
    QStringList columns;
    for (const QString& f : index.fields) columns.append(quoteIdentifier(f));
    const bool unique = index.primary || index.unique;
    connection_.exec(QStringLiteral("CREATE %1INDEX %2.%3 ON %4 (%5)")
                         .arg(unique ? QStringLiteral("UNIQUE ") : QString(),
                              quoteIdentifier(schema), quoteIdentifier(indexName(canonical, index)),
                              quoteIdentifier(canonical), columns.join(QStringLiteral(", "))));
}

void TableDdl::dropTable(const QString& name) {
    const QString canonical = files_.canonicalName(name);
    const QString path = files_.path(canonical);
    attachments_.release(canonical);
    if (!QFile::remove(path))
        raise(Error::Kind::Engine, QStringLiteral("Не удалось удалить файл %1").arg(path));
    files_.forget();
}

TableDef TableDdl::tableDef(const QString& name) {
    const QString canonical = files_.canonicalName(name);
    const QString schema = quoteIdentifier(attachments_.attach(canonical));
    TableDef def;
    def.name = canonical;
    def.fileName = QFileInfo(files_.path(canonical)).fileName();
    Statement info(
        connection_,
        QStringLiteral("PRAGMA %1.table_info(%2)").arg(schema, quoteIdentifier(canonical)));
    while (info.step()) {
        FieldDef f;
        f.name = info.column(1).toString();
        f.type = fieldTypeFromDecl(info.column(2).toString(), &f.size);
        f.required = info.columnInt(3) != 0;
        def.fields.append(f);
    }
    Statement list(
        connection_,
        QStringLiteral("PRAGMA %1.index_list(%2)").arg(schema, quoteIdentifier(canonical)));
    while (list.step()) {
        IndexDef index;
        index.name = list.column(1).toString();
        index.unique = list.columnInt(2) != 0;
        index.primary = index.name == QLatin1String("PRIMARY");
        Statement cols(
            connection_,
            QStringLiteral("PRAGMA %1.index_info(%2)").arg(schema, quoteIdentifier(index.name)));
        while (cols.step()) index.fields.append(cols.column(2).toString());
        if (index.primary) index.name.clear();
        def.indexes.append(index);
    }
    return def;
}

}  // namespace orv::db
