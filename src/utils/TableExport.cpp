#include "utils/TableExport.h"

#include "core/Error.h"
#include "core/TestHooks.h"
#include "db/Database.h"
#include "db/PgConnection.h"
#include "db/Query.h"
#include "db/ScratchFolder.h"
#include "db/ServerAddress.h"
#include "db/Sqlite.h"
#include "db/Table.h"
#include "db/Transaction.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <functional>

namespace orv::utils {
namespace {

const QString kSourceSchema = QStringLiteral("orv_export_source");

bool sameFolder(const db::Database& a, const db::Database& b) {
    if (a.isServer() || b.isServer()) return a.folder() == b.folder();
    return QDir(a.folder()).canonicalPath() == QDir(b.folder()).canonicalPath();
}

// The source table's file attached read-only to the writing connection for the length of one
// copy, under a schema name of its own.
class AttachedSource {
  public:
    AttachedSource(db::Connection& connection, const QString& path) : connection_(connection) {
        db::Statement attach(
            connection_,
            QStringLiteral("ATTACH DATABASE ? AS %1").arg(db::quoteIdentifier(kSourceSchema)));
        attach.bind(
            1, QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=ro"));
        attach.run();
    }
    ~AttachedSource() {
        try {
            connection_.exec(
                QStringLiteral("DETACH DATABASE %1").arg(db::quoteIdentifier(kSourceSchema)));
        } catch (const Error&) {
            // The attachment goes with the connection, which the copy closes next.
        }
    }
    AttachedSource(const AttachedSource&) = delete;
    AttachedSource& operator=(const AttachedSource&) = delete;

  private:
    db::Connection& connection_;
};

db::TableDef targetDef(const QString& name, QList<db::FieldDef> fields) {
    db::TableDef def;
    def.name = name;
    def.fields = std::move(fields);
    return def;
}

// The index as the table store names it: PRIMARY for the primary index, else its own name.
QString indexSql(const QString& table, const db::IndexDef& index) {
    QStringList columns;
    for (const QString& f : index.fields) columns.append(db::quoteIdentifier(f));
    const bool unique = index.primary || index.unique;
    const QString name = index.primary ? QStringLiteral("PRIMARY") : index.name;
    return QStringLiteral("CREATE %1INDEX main.%2 ON %3 (%4)")
        .arg(unique ? QStringLiteral("UNIQUE ") : QString(), db::quoteIdentifier(name),
             db::quoteIdentifier(table), columns.join(QStringLiteral(", ")));
}

// The checked name of the target, spelled as the existing table of that name is, if there is one.
QString targetName(db::Database& to, const QString& typed) {
    const QString name = newTableName(typed);
    return to.tableExists(name) ? to.canonicalName(name) : name;
}

// Builds the table of def in a scratch folder beside the folder of `to` (build fills it and
// returns its rows), then puts it in place: a new table's file is moved in, an existing file is
// given the new contents in one transaction of its own. Until then the target is not touched, so
// a failure, a full disk or a kill at any moment leaves it as it was. On a server the table is
// replaced and filled in one transaction of the server, with the same outcome.
qint64 buildBeside(db::Database& to, const db::TableDef& def,
                   const std::function<qint64(db::Database&)>& build) {
    if (to.isServer()) {
        db::Transaction transaction(to, {});
        to.createTable(def);
        const qint64 rows = build(to);
        transaction.commit();
        return rows;
    }
    const db::ScratchFolder scratch(to.folder(), QStringLiteral("copy-") + def.name);
    QString built;
    qint64 rows = 0;
    {
        db::Database builder(to.name(), scratch.path());
        builder.createTable(def);
        built = builder.tableFilePath(def.name);
        rows = build(builder);
    }
    TEST_crashPoint("copy-built");
    if (to.tableExists(def.name)) {
        db::replaceFileContents(built, to.tableFilePath(def.name));
    } else {
        db::moveFile(built, to.folder() + QLatin1Char('/') + def.name + QStringLiteral(".db"));
    }
    return rows;
}

// Every row of source, field by field in order, appended to target through statements of each
// side's engine: the copy between a folder and a server, or between two servers.
qint64 copyRows(db::Database& from, const QString& source, db::Database& to, const QString& target,
                const QList<db::FieldDef>& fields) {
    if (from.isServer() && to.isServer() && from.folder() == to.folder()) {
        // The declared columns by name: a server table may have a column of its own beside them.
        QStringList columns;
        for (const db::FieldDef& field : fields)
            columns.append(db::pgQuoteIdentifier(field.name.toLower()));
        return to
            .statement(QStringLiteral("INSERT INTO %1 SELECT %3 FROM %2")
                           .arg(to.qualified(target), to.qualified(source), columns.join(u',')))
            .run();
    }
    db::Transaction transaction(to, {target});
    db::Statement read =
        from.statement(QStringLiteral("SELECT * FROM %1").arg(from.qualified(source)));
    const QStringList marks(fields.size(), QStringLiteral("?"));
    db::Statement insert = to.statement(
        QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(to.qualified(target), marks.join(u',')));
    qint64 rows = 0;
    while (read.step()) {
        for (int i = 0; i < fields.size(); ++i)
            insert.bind(i + 1, db::toStorage(read.column(i), fields[i].type));
        insert.run();
        insert.reset();
        ++rows;
    }
    transaction.commit();
    return rows;
}

}  // namespace

QString existingTable(db::Database& database, const QString& typed) {
    const QString name = typed.trimmed();
    if (name.isEmpty()) raise(Error::Kind::Refused, QStringLiteral("Не задано имя таблицы"));
    if (!database.tableExists(name) && database.isServer())
        raise(Error::Kind::Refused,
              QStringLiteral("Таблица %1 не найдена на сервере %2")
                  .arg(name, db::ServerAddress::parse(database.folder()).display()));
    if (!database.tableExists(name))
        raise(Error::Kind::Refused, QStringLiteral("Таблица %1 не найдена в папке %2")
                                        .arg(name, QDir::toNativeSeparators(database.folder())));
    return database.canonicalName(name);
}

QString newTableName(const QString& typed) {
    static const QRegularExpression valid(
        QStringLiteral(R"(^[\p{L}_][\p{L}\p{N}_]{0,63}(\.[dD][bB])?$)"));
    const QString name = typed.trimmed();
    if (name.isEmpty()) raise(Error::Kind::Refused, QStringLiteral("Не задано имя таблицы"));
    if (!valid.match(name).hasMatch())
        raise(Error::Kind::Refused,
              QStringLiteral("Недопустимое имя таблицы: %1 (допустимы буквы, цифры и «_»)")
                  .arg(name));
    return name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) ? name.chopped(3) : name;
}

bool targetExists(db::Database& database, const QString& typed) {
    return database.holdsTable(newTableName(typed));
}

void clearTable(db::Database& database, const QString& typed) {
    db::Table table(database, existingTable(database, typed));
    table.emptyTable();
}

qint64 copyTable(db::Database& from, const QString& source, db::Database& to, const QString& target,
                 Indexes indexes) {
    const QString sourceName = existingTable(from, source);
    const QString name = targetName(to, target);
    if (sameFolder(from, to) && sourceName.compare(name, Qt::CaseInsensitive) == 0)
        raise(Error::Kind::Refused,
              QStringLiteral("Таблицу %1 нельзя экспортировать в саму себя").arg(sourceName));
    const db::TableDef sourceDef = from.tableDef(sourceName);
    return buildBeside(to, targetDef(name, sourceDef.fields), [&](db::Database& builder) {
        if (builder.isServer() || from.isServer()) {
            const qint64 copied = copyRows(from, sourceName, builder, name, sourceDef.fields);
            if (indexes == Indexes::Copy)
                for (const db::IndexDef& index : sourceDef.indexes) builder.addIndex(name, index);
            return copied;
        }
        // The rows go in on a connection whose main database is the new file, where SQLite
        // moves whole records from file to file; the indexes are built after them.
        db::Connection file(builder.tableFilePath(name));
        const AttachedSource attached(file, from.tableFilePath(sourceName));
        db::ConnectionTransaction transaction(file);
        file.exec(QStringLiteral("INSERT INTO main.%1 SELECT * FROM %2.%3")
                      .arg(db::quoteIdentifier(name), db::quoteIdentifier(kSourceSchema),
                           db::quoteIdentifier(sourceName)));
        const qint64 copied = file.changes();
        TEST_crashPoint("copy-rows");
        if (indexes == Indexes::Copy)
            for (const db::IndexDef& index : sourceDef.indexes) file.exec(indexSql(name, index));
        transaction.commit();
        return copied;
    });
}

qint64 exportResult(db::Query& result, db::Database& to, const QString& target) {
    if (!result.isOpen())
        raise(Error::Kind::Refused, QStringLiteral("Нет открытого набора данных"));
    const QString name = targetName(to, target);
    const QList<db::FieldDef> fields = result.fields();
    return buildBeside(to, targetDef(name, fields), [&](db::Database& builder) {
        db::Transaction transaction(builder, {name});
        QStringList marks;
        for (int i = 0; i < fields.size(); ++i) marks.append(QStringLiteral("?"));
        db::Statement insert =
            builder.statement(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                  .arg(builder.qualified(name), marks.join(QLatin1Char(','))));
        const qint64 rows = result.recordCount();
        for (qint64 row = 0; row < rows; ++row) {
            for (int i = 0; i < fields.size(); ++i)
                insert.bind(i + 1, db::toStorage(result.value(row, i), fields[i].type));
            insert.run();
            insert.reset();
        }
        transaction.commit();
        return rows;
    });
}

}  // namespace orv::utils
