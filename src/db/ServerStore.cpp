#include "db/ServerStore.h"

#include "core/Error.h"
#include "db/Dialect.h"
#include "db/Schema.h"

#include <libpq-fe.h>
#include <QRegularExpression>
#include <algorithm>

namespace orv::db {
namespace {

QString columnType(const FieldDef& f) {
    switch (f.type) {
        case FieldType::Integer:
            return QStringLiteral("BIGINT");
        case FieldType::SmallInt:
            return QStringLiteral("SMALLINT");
        case FieldType::Float:
            return QStringLiteral("DOUBLE PRECISION");
        case FieldType::String:
            return f.size > 0 ? QStringLiteral("VARCHAR(%1)").arg(f.size) : QStringLiteral("TEXT");
        case FieldType::Date:
            return QStringLiteral("DATE");
        case FieldType::Time:
            return QStringLiteral("TIME");
        case FieldType::DateTime:
            return QStringLiteral("TIMESTAMP");
    }
    return QStringLiteral("TEXT");
}

FieldDef fieldOf(const QString& name, const QString& dataType, const QVariant& length) {
    FieldDef f{name};
    if (dataType == QLatin1String("bigint") || dataType == QLatin1String("integer"))
        f.type = FieldType::Integer;
    else if (dataType == QLatin1String("smallint") || dataType == QLatin1String("boolean"))
        f.type = FieldType::SmallInt;
    else if (dataType == QLatin1String("double precision") || dataType == QLatin1String("real") ||
             dataType == QLatin1String("numeric"))
        f.type = FieldType::Float;
    else if (dataType == QLatin1String("date"))
        f.type = FieldType::Date;
    else if (dataType.startsWith(QLatin1String("time without")))
        f.type = FieldType::Time;
    else if (dataType.startsWith(QLatin1String("timestamp")))
        f.type = FieldType::DateTime;
    else {
        f.type = FieldType::String;
        f.size = length.isNull() ? 0 : int(length.toLongLong());
    }
    return f;
}

// COPY's text form of a value: tabs, line ends and backslashes escaped, \N for empty.
QByteArray copyText(const QVariant& value) {
    if (value.isNull()) return QByteArrayLiteral("\\N");
    QByteArray text = pgParameterText(value);
    text.replace('\\', "\\\\").replace('\t', "\\t").replace('\n', "\\n").replace('\r', "\\r");
    return text;
}

// Loads tables in one transaction; each table's rows go in through COPY, its indexes are built
// after them.
class ServerLoader : public TableStore::Loader {
  public:
    explicit ServerLoader(PgConnection& connection) : connection_(connection) {}

    void createTable(const TableDef& def) override {
        finishTable();
        const QStringList statements = ServerStore::createStatements(def);
        connection_.exec(statements.first());
        indexes_ = statements.mid(1);
        columns_ = def.fields.size();
        connection_.check(PQexec(connection_.handle(), QStringLiteral("COPY %1 FROM STDIN")
                                                           .arg(ServerStore::serverName(def.name))
                                                           .toUtf8()
                                                           .constData()));
        copying_ = true;
    }

    void append(const QVariantList& values) override {
        QByteArray line;
        for (qsizetype i = 0; i < columns_; ++i) {
            if (i > 0) line += '\t';
            line += copyText(values.value(i));
        }
        line += '\n';
        if (PQputCopyData(connection_.handle(), line.constData(), int(line.size())) != 1)
            connection_.failWith(nullptr, {});
    }

    void finishTable() {
        if (!copying_) return;
        copying_ = false;
        if (PQputCopyEnd(connection_.handle(), nullptr) != 1) connection_.failWith(nullptr, {});
        PGresult* result = PQgetResult(connection_.handle());
        connection_.check(result);
        PQclear(result);
        while (PGresult* rest = PQgetResult(connection_.handle())) PQclear(rest);
        for (const QString& index : indexes_) connection_.exec(index);
    }

    // Ends a copy that a failure interrupted, so that the rollback can run.
    void abandon() noexcept {
        if (!copying_) return;
        copying_ = false;
        PQputCopyEnd(connection_.handle(), "abandoned");
        while (PGresult* rest = PQgetResult(connection_.handle())) PQclear(rest);
    }

  private:
    PgConnection& connection_;
    QStringList indexes_;
    qsizetype columns_ = 0;
    bool copying_ = false;
};

}  // namespace

ServerStore::ServerStore(const ServerAddress& address) : connection_(address) {}

ServerStore::~ServerStore() = default;

QString ServerStore::description() const {
    return QStringLiteral("сервер ") + connection_.address().display();
}

QString ServerStore::serverName(const QString& table) {
    QString name = table.toLower();
    if (name.endsWith(QLatin1String(".db"))) name.chop(3);
    static const QRegularExpression plain(QStringLiteral("^[a-z_][a-z0-9_]*$"));
    if (!plain.match(name).hasMatch())
        raise(Error::Kind::Refused,
              QStringLiteral("Имя таблицы %1 не годится для сервера: допускаются латинские "
                             "буквы, цифры и _")
                  .arg(table));
    return name;
}

QStringList ServerStore::createStatements(const TableDef& def) {
    const QString table = serverName(def.name);
    QStringList columns;
    for (const FieldDef& f : def.fields)
        columns.append(pgQuoteIdentifier(f.name.toLower()) + u' ' + columnType(f) +
                       (f.required ? QStringLiteral(" NOT NULL") : QString()));
    QStringList statements{
        QStringLiteral("CREATE TABLE %1 (%2)").arg(table, columns.join(QStringLiteral(", ")))};
    for (const IndexDef& index : def.indexes) {
        QStringList keys;
        for (const QString& field : index.fields) keys.append(pgQuoteIdentifier(field.toLower()));
        const QString name =
            table + u'_' + (index.primary ? QStringLiteral("primary") : index.name.toLower());
        statements.append(
            QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                .arg(index.primary || index.unique ? QStringLiteral("UNIQUE ") : QString(),
                     pgQuoteIdentifier(name), table, keys.join(u',')));
    }
    return statements;
}

QStringList ServerStore::tableNames() {
    PgStatement list(connection_,
                     QStringLiteral("SELECT table_name FROM information_schema.tables WHERE "
                                    "table_schema = $1 AND table_type = 'BASE TABLE'"));
    list.bind(1, connection_.address().schemaName());
    QStringList names;
    while (list.step()) {
        const QString name = list.column(0).toString();
        const TableDef* known = schema::findProgramTable(name);
        names.append(known ? known->name : name);
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QString ServerStore::addRowNumbersSql(const QString& serverTable) {
    return QStringLiteral("ALTER TABLE %1 ADD COLUMN IF NOT EXISTS %2 BIGINT GENERATED BY DEFAULT "
                          "AS IDENTITY UNIQUE")
        .arg(serverTable, rowNumberColumn());
}

bool ServerStore::exists(const QString& name) {
    return connection_
               .scalar(QStringLiteral("SELECT count(*) FROM information_schema.tables WHERE "
                                      "table_schema = $1 AND table_name = $2"),
                       {connection_.address().schemaName(), serverName(name)})
               .toLongLong() > 0;
}

QString ServerStore::storedName(const QString& name) {
    const QString wanted =
        name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) ? name.chopped(3) : name;
    const QVariant found = connection_.scalar(
        QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = "
                       "$1 AND lower(table_name) = lower($2) ORDER BY table_name <> lower($2) "
                       "LIMIT 1"),
        {connection_.address().schemaName(), wanted});
    if (found.isNull())
        raise(Error::Kind::Engine,
              QStringLiteral("Таблица %1 не найдена: %2").arg(wanted, description()));
    return found.toString();
}

TableDef ServerStore::tableDef(const QString& name) {
    PgStatement columns(connection_,
                        QStringLiteral("SELECT column_name, data_type, character_maximum_length, "
                                       "is_nullable FROM information_schema.columns WHERE "
                                       "table_schema = $1 AND table_name = $2 ORDER BY "
                                       "ordinal_position"));
    TableDef def;
    def.name = storedName(name);
    columns.bind(1, connection_.address().schemaName());
    columns.bind(2, def.name);
    while (columns.step()) {
        if (columns.column(0).toString() == rowNumberColumn()) continue;
        FieldDef f =
            fieldOf(columns.column(0).toString(), columns.column(1).toString(), columns.column(2));
        f.required = columns.column(3).toString() == QLatin1String("NO");
        def.fields.append(f);
    }
    // A program table keeps its spelling, file name and indexes when its columns are the
    // declared ones.
    if (const TableDef* known = schema::findProgramTable(name)) {
        bool same = known->fields.size() == def.fields.size();
        for (qsizetype i = 0; same && i < def.fields.size(); ++i)
            same = known->fields[i].name.compare(def.fields[i].name, Qt::CaseInsensitive) == 0 &&
                   known->fields[i].type == def.fields[i].type;
        if (same) return *known;
        def.name = known->name;
    }
    return def;
}

void ServerStore::readRows(const QString& name,
                           const std::function<void(const QVariantList&)>& row) {
    if (!snapshot_)
        snapshot_ =
            std::make_unique<PgTransaction>(connection_, PgTransaction::Isolation::RepeatableRead);
    const int columns = int(tableDef(name).fields.size());
    const QString stored = storedName(name);
    const bool numbered =
        connection_
            .scalar(QStringLiteral("SELECT count(*) FROM information_schema.columns WHERE "
                                   "table_schema = $1 AND table_name = $2 AND column_name = $3"),
                    {connection_.address().schemaName(), stored, rowNumberColumn()})
            .toLongLong() > 0;
    PgStatement select(connection_,
                       QStringLiteral("SELECT * FROM ") + pgQuoteIdentifier(stored) +
                           (numbered ? QStringLiteral(" ORDER BY ") + rowNumberColumn() : QString()));
    QVariantList values;
    while (select.step()) {
        values.clear();
        for (int i = 0; i < columns; ++i) values.append(select.column(i));
        row(values);
    }
}

void ServerStore::load(const QStringList& names, const std::function<void(Loader&)>& load) {
    connection_.ensureSchema(connection_.address().schemaName());
    connection_.ensureNocaseCollation();
    PgTransaction transaction(connection_);
    for (const QString& name : names)
        if (exists(name))
            raise(Error::Kind::Refused,
                  QStringLiteral("Таблица %1 уже есть: %2").arg(name, description()));
    ServerLoader loader(connection_);
    try {
        load(loader);
        loader.finishTable();
    } catch (...) {
        loader.abandon();
        throw;
    }
    transaction.commit();
}

std::unique_ptr<PgStatement> ServerStore::prepare(const DialectStatement& statement) {
    const QString sql = statement.render([](const TableRef& ref) { return serverName(ref.name); },
                                         SqlTarget::Postgres);
    return std::make_unique<PgStatement>(connection_, sql, statement.parameters());
}

}  // namespace orv::db
