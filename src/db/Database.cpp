#include "db/Database.h"

#include "core/Error.h"
#include "db/Aliases.h"
#include "db/Dialect.h"
#include "db/ScratchFolder.h"
#include "db/ServerBackend.h"
#include "db/Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <optional>

namespace orv::db {
namespace {

constexpr int kMaxAttached = 10;  // SQLite's compiled-in limit on attached files
const QString kMainFile = QStringLiteral(".orvanta-main");

QString key(const QString& name) { return name.toLower(); }

QString stripExtension(const QString& name) {
    return name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) ? name.left(name.size() - 3)
                                                                    : name;
}

QString fileUri(const QString& path, const char* mode) {
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=") +
           QLatin1String(mode);
}

[[noreturn]] void missingTable(const QString& name) {
    raise(Error::Kind::Engine, QStringLiteral("Таблица %1 не найдена").arg(name));
}

// "?" markers outside quotes become $1, $2 ... for the server.
QString numberedParameters(const QString& sql) {
    QString out;
    out.reserve(sql.size() + 8);
    QChar quote;
    int n = 0;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            out += u'$' + QString::number(++n);
            continue;
        }
        out += c;
    }
    return out;
}

// A CHECK constraint named after the message the operator sees when a value breaks it.
QString namedCheck(const QString& message, const QString& condition) {
    return QStringLiteral(" CONSTRAINT %1 CHECK(%2)").arg(quoteIdentifier(message), condition);
}

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

// The engine's refusal of a statement, pointing at the place in the statement as the operator
// wrote it. A statement the engine found unfinished points at its end; an error the engine
// places nowhere is passed on as it is.
[[noreturn]] void raiseAtPosition(const Error& e, const DialectStatement& statement,
                                  qsizetype offset,
                                  const std::function<QString(const TableRef&)>& tableSql) {
    const bool unfinished = e.message().endsWith(QLatin1String("(incomplete input)"));
    if (offset < 0 && !unfinished) throw e;
    const auto [line, column] = statement.sourcePosition(unfinished ? -1 : offset, tableSql);
    raise(e.kind(),
          QStringLiteral("%1; строка %2, позиция %3").arg(e.message()).arg(line).arg(column));
}

QString indexName(const QString& table, const IndexDef& index) {
    if (index.primary) return QStringLiteral("PRIMARY");
    return index.name.isEmpty() ? table + QLatin1Char('_') + index.fields.join(QLatin1Char('_'))
                                : index.name;
}

}  // namespace

PreparedSql::PreparedSql(Database* db, Statement statement, QString sql, QStringList pinned,
                         QStringList temps, QStringList parameters)
    : db_(db),
      statement_(std::move(statement)),
      sql_(std::move(sql)),
      pinned_(std::move(pinned)),
      temps_(std::move(temps)),
      parameters_(std::move(parameters)) {}

PreparedSql::PreparedSql(PreparedSql&& other) noexcept
    : db_(other.db_),
      statement_(std::move(other.statement_)),
      sql_(std::move(other.sql_)),
      pinned_(std::move(other.pinned_)),
      temps_(std::move(other.temps_)),
      parameters_(std::move(other.parameters_)) {
    other.db_ = nullptr;
}

PreparedSql::~PreparedSql() {
    if (!db_) return;
    for (const QString& name : pinned_) db_->unpin(name);
    if (!temps_.isEmpty()) {
        statement_.reset();
        for (const QString& temp : temps_) {
            try {
                db_->connection().exec(
                    QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(quoteIdentifier(temp)));
            } catch (const Error&) {
                // A temporary copy that cannot be dropped now goes with the connection.
            }
        }
    }
}

Database::Database(const QString& name, const QString& folder) : name_(name) { rebind(folder); }

Database::~Database() = default;

std::unique_ptr<Database> Database::openAlias(const Aliases& aliases, const QString& alias,
                                              const QString& name) {
    const QString folder = aliases.path(alias);
    if (ServerAddress::isAddress(folder)) return std::make_unique<Database>(alias, folder);
    if (!QFileInfo(folder).isDir())
        raise(Error::Kind::Engine, QStringLiteral("Папка псевдонима %1 не найдена").arg(folder));
    // What a killed command left: its half-built tables beside the alias's and its copies of
    // tables in the temporary folder.
    removeAbandonedScratch(folder);
    removeAbandonedScratch(QDir::tempPath());
    return std::make_unique<Database>(name.isEmpty() ? alias : name, folder);
}

void Database::requireFolder(const QString& alias, const QString& location) {
    if (ServerAddress::isAddress(location))
        raise(Error::Kind::Refused,
              QStringLiteral("Псевдоним %1 указывает на сервер PostgreSQL (%2), а эта работа "
                             "выполняется только с таблицами в папке")
                  .arg(alias, ServerAddress::parse(location).display()));
}

Connection& Database::connection() {
    requireFolder();
    return *connection_;
}

PgConnection& Database::serverConnection() {
    if (!server_)
        raise(Error::Kind::Engine,
              QStringLiteral("Псевдоним %1 указывает на папку, а не на сервер").arg(name_));
    return server_->connection();
}

Statement Database::statement(const QString& engineSql) {
    return server_ ? Statement(server_->connection(), numberedParameters(engineSql))
                   : Statement(*connection_, engineSql);
}

QString Database::rowIdentity() const {
    return server_ ? QStringLiteral("ctid") : QStringLiteral("rowid");
}

void Database::lockWork(qint64 key, const QString& refusal) {
    if (!server_) return;
    if (server_->connection()
            .scalar(QStringLiteral("SELECT pg_try_advisory_xact_lock($1::bigint)::int"), {key})
            .toLongLong() != 1)
        raise(Error::Kind::Refused, refusal);
}

void Database::execute(const QString& engineSql) {
    if (server_)
        server_->connection().exec(engineSql);
    else
        connection_->exec(engineSql);
}

bool Database::inTransaction() const {
    return server_ ? server_->inTransaction() : connection_->inTransaction();
}

QString Database::temporaryTable(const QString& name) const {
    return (server_ ? QStringLiteral("pg_temp.") : QStringLiteral("temp.")) + quoteIdentifier(name);
}

QString Database::resultRowNumber() const {
    return server_ ? QStringLiteral("orv_row") : QStringLiteral("rowid");
}

QString Database::parameterMarker(int n) const {
    return (server_ ? QStringLiteral("$") : QStringLiteral("?")) + QString::number(n);
}

void Database::rebind(const QString& folder) {
    if (ServerAddress::isAddress(folder)) {
        if (connection_ && connection_->inTransaction())
            raise(Error::Kind::Engine,
                  QStringLiteral("Нельзя сменить папку базы данных во время транзакции"));
        attached_.clear();
        connection_.reset();
        server_ = std::make_unique<ServerBackend>(ServerAddress::parse(folder));
        folder_ = folder;
        return;
    }
    server_.reset();
    const QFileInfo info(folder);
    if (!info.isDir())
        raise(Error::Kind::Engine, QStringLiteral("Папка %1 не найдена").arg(folder));
    if (connection_ && connection_->inTransaction())
        raise(Error::Kind::Engine,
              QStringLiteral("Нельзя сменить папку базы данных во время транзакции"));
    attached_.clear();
    connection_.reset();
    folder_ = info.absoluteFilePath();
    files_.clear();
    scannedAt_ = {};
    QString mainPath = folder_ + QLatin1Char('/') + kMainFile;
    if (!QFileInfo(folder_).isWritable())
        mainPath = QDir::tempPath() + QStringLiteral("/orvanta-main-") +
                   QString::number(qHash(folder_), 16);
    connection_ = std::make_unique<Connection>(mainPath);
    connection_->exec(QStringLiteral("PRAGMA temp_store=MEMORY; PRAGMA journal_mode=DELETE;"));
}

void Database::scanFolder() const {
    const QDateTime modified = QFileInfo(folder_).lastModified();
    if (scannedAt_.isValid() && modified == scannedAt_ && !files_.isEmpty()) return;
    files_.clear();
    const QStringList entries = QDir(folder_).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& file : entries) {
        if (!file.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) ||
            file.startsWith(QLatin1Char('.')))
            continue;
        files_[key(stripExtension(file))].append(file);
    }
    scannedAt_ = modified;
}

std::optional<QString> Database::findFile(const QString& name) const {
    const QString k = key(stripExtension(name));
    scanFolder();
    auto it = files_.constFind(k);
    if (it == files_.constEnd()) {
        scannedAt_ = {};
        scanFolder();
        it = files_.constFind(k);
        if (it == files_.constEnd()) return std::nullopt;
    }
    if (it->size() > 1)
        raise(Error::Kind::Engine, QStringLiteral("В папке %1 два файла одной таблицы: %2")
                                       .arg(folder_, it->join(QStringLiteral(" и "))));
    return it->first();
}

QStringList Database::tableFileNames() const {
    requireFolder();
    scannedAt_ = {};
    scanFolder();
    QStringList result;
    for (const QStringList& files : std::as_const(files_)) result += files;
    std::sort(result.begin(), result.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return result;
}

QStringList Database::tableNames() const {
    if (server_) return server_->tableNames();
    QStringList result;
    for (const QString& file : tableFileNames()) result.append(stripExtension(file));
    return result;
}

bool Database::tableExists(const QString& name) const {
    if (server_) return server_->tableExists(name);
    return findFile(name).has_value();
}

QString Database::canonicalName(const QString& name) const {
    if (server_) return server_->canonicalName(name);
    const auto file = findFile(name);
    if (!file) missingTable(stripExtension(name));
    return stripExtension(*file);
}

QString Database::tableFilePath(const QString& name) const {
    requireFolder();
    const auto file = findFile(name);
    if (!file) missingTable(stripExtension(name));
    return folder_ + QLatin1Char('/') + *file;
}

void Database::checkSingleTable(const QString& canonical, const QString& schema) {
    Statement check(*connection_,
                    QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type='table' AND "
                                   "name = ? COLLATE NOCASE")
                        .arg(quoteIdentifier(schema)));
    check.bind(1, canonical);
    if (!check.step())
        raise(Error::Kind::Engine, QStringLiteral("Файл %1 не содержит таблицы %2")
                                       .arg(tableFilePath(canonical), canonical));
}

bool Database::holdsTable(const QString& name) {
    if (server_) return server_->tableExists(name);
    const auto file = findFile(name);
    if (!file) return false;
    const QString canonical = stripExtension(*file);
    const QString schema = attach(canonical, Tableless::Allowed);
    Statement check(*connection_,
                    QStringLiteral("SELECT 1 FROM %1.sqlite_master WHERE type='table' AND "
                                   "name = ? COLLATE NOCASE")
                        .arg(quoteIdentifier(schema)));
    check.bind(1, canonical);
    return check.step();
}

QString Database::attach(const QString& canonical, Tableless tableless) {
    const QString k = key(canonical);
    if (auto it = attached_.find(k); it != attached_.end()) {
        it->lastUse = ++useCounter_;
        return it->schema;
    }
    makeRoom(1, {k});
    const QString path = tableFilePath(canonical);
    QString schema = canonical;
    if (k == QLatin1String("main") || k == QLatin1String("temp"))
        schema = QStringLiteral("t_") + canonical;
    Statement attachStatement(
        *connection_, QStringLiteral("ATTACH DATABASE ? AS %1").arg(quoteIdentifier(schema)));
    attachStatement.bind(1, fileUri(path, "rw"));
    try {
        attachStatement.run();
    } catch (const Error& e) {
        raise(Error::Kind::Engine,
              QStringLiteral("Таблица %1 (%2): %3").arg(canonical, path, e.message()));
    }
    attached_.insert(k, Attached{schema, 0, ++useCounter_});
    try {
        if (tableless == Tableless::Allowed)
            connection_->exec(
                QStringLiteral("SELECT 1 FROM %1.sqlite_master").arg(quoteIdentifier(schema)));
        else
            checkSingleTable(canonical, schema);
    } catch (const Error&) {
        attached_.remove(k);
        connection_->exec(QStringLiteral("DETACH DATABASE %1").arg(quoteIdentifier(schema)));
        throw;
    }
    return schema;
}

void Database::makeRoom(int needed, const QStringList& keep) {
    while (attached_.size() + needed > kMaxAttached) {
        if (connection_->inTransaction()) return;
        auto victim = attached_.end();
        for (auto it = attached_.begin(); it != attached_.end(); ++it) {
            if (it->pins > 0 || keep.contains(it.key())) continue;
            if (victim == attached_.end() || it->lastUse < victim->lastUse) victim = it;
        }
        if (victim == attached_.end()) return;
        connection_->exec(
            QStringLiteral("DETACH DATABASE %1").arg(quoteIdentifier(victim->schema)));
        attached_.erase(victim);
    }
}

void Database::detachIfUnused(const QString& canonical) {
    const auto it = attached_.find(key(canonical));
    if (it == attached_.end() || it->pins > 0 || connection_->inTransaction()) return;
    connection_->exec(QStringLiteral("DETACH DATABASE %1").arg(quoteIdentifier(it->schema)));
    attached_.erase(it);
}

void Database::pin(const QString& canonical) {
    if (auto it = attached_.find(key(canonical)); it != attached_.end()) ++it->pins;
}

void Database::unpin(const QString& canonical) {
    if (auto it = attached_.find(key(canonical)); it != attached_.end() && it->pins > 0) --it->pins;
}

QString Database::qualified(const QString& table) {
    if (server_) return server_->tableSql(table);
    const QString canonical = canonicalName(table);
    return quoteIdentifier(attach(canonical)) + QLatin1Char('.') + quoteIdentifier(canonical);
}

QString Database::createFile(const QString& name, const QString& fileName) {
    const QString file = fileName.isEmpty() ? name + QStringLiteral(".db") : fileName;
    // A table is a file of this folder: a name that would make a path elsewhere is refused.
    if (file.contains(QLatin1Char('/')) || file.contains(QLatin1Char('\\')) ||
        file.startsWith(QLatin1Char('.')) || file.contains(QChar(0)))
        raise(Error::Kind::Refused,
              QStringLiteral("Имя таблицы «%1» не может быть путем к файлу").arg(name));
    const QString path = folder_ + QLatin1Char('/') + file;
    makeRoom(1, {});
    const QString schema = name;
    Statement attachStatement(
        *connection_, QStringLiteral("ATTACH DATABASE ? AS %1").arg(quoteIdentifier(schema)));
    attachStatement.bind(1, fileUri(path, "rwc"));
    attachStatement.run();
    attached_.insert(key(name), Attached{schema, 0, ++useCounter_});
    scannedAt_ = {};
    return schema;
}

void Database::attachForCreate(const TableDef& def) {
    if (server_) return;
    const QString tableName = stripExtension(def.name);
    if (const auto file = findFile(tableName))
        attach(stripExtension(*file), Tableless::Allowed);
    else
        createFile(tableName, def.fileName);
}

void Database::createTable(const TableDef& def) {
    if (server_) return server_->createTable(def);
    attachForCreate(def);
    const QString tableName = canonicalName(def.name);
    const QString schema = attach(tableName, Tableless::Allowed);
    connection_->exec(QStringLiteral("DROP TABLE IF EXISTS %1.%2")
                          .arg(quoteIdentifier(schema), quoteIdentifier(tableName)));
    QStringList columns;
    for (const FieldDef& f : def.fields) columns.append(columnDefinition(f, def.checkValues));
    connection_->exec(QStringLiteral("CREATE TABLE %1.%2 (%3)")
                          .arg(quoteIdentifier(schema), quoteIdentifier(tableName),
                               columns.join(QStringLiteral(", "))));
    for (const IndexDef& index : def.indexes) addIndex(tableName, index);
}

qint64 Database::replaceTable(const TableDef& def, const DialectStatement& select,
                              const std::function<void(Statement&)>& bind) {
    if (server_) {
        Transaction transaction(*this, {});
        const qint64 copied = server_->replaceTable(def, select, bind);
        transaction.commit();
        return copied;
    }
    // The source is prepared and the target attached first: neither can be done once the
    // transaction has begun. The insert then reads the source as that statement renders it.
    PreparedSql source = prepare(select, {}, Target::TableFile, 1);
    const bool isNew = !findFile(def.name);
    attachForCreate(def);
    const QString canonical = canonicalName(def.name);
    try {
        return fillTable(def, canonical, source, bind);
    } catch (const Error&) {
        // A new table that could not be filled (a full disk) leaves no empty file behind.
        if (isNew) removeFileOf(canonical);
        throw;
    }
}

qint64 Database::fillTable(const TableDef& def, const QString& canonical, PreparedSql& source,
                           const std::function<void(Statement&)>& bind) {
    pin(canonical);
    struct Unpin {
        Database& db;
        QString name;
        ~Unpin() { db.unpin(name); }
    } unpinTarget{*this, canonical};
    Transaction transaction(*this, {});
    createTable(def);
    Statement insert(*connection_, QStringLiteral("INSERT INTO %1.%2 %3")
                                       .arg(quoteIdentifier(attach(canonical)),
                                            quoteIdentifier(canonical), source.sql()));
    if (bind) bind(insert);
    insert.run();
    const qint64 copied = connection_->changes();
    transaction.commit();
    return copied;
}

void Database::removeFileOf(const QString& canonical) noexcept {
    try {
        dropTable(canonical);
    } catch (const Error&) {
        // The error that made the table fail is the one to report; an empty file left here is
        // taken over by the next creation of the table.
    }
}

void Database::addIndex(const QString& table, const IndexDef& index) {
    if (server_) return server_->addIndex(table, index);
    const QString canonical = canonicalName(table);
    const QString schema = attach(canonical);
    QStringList columns;
    for (const QString& f : index.fields) columns.append(quoteIdentifier(f));
    const bool unique = index.primary || index.unique;
    connection_->exec(QStringLiteral("CREATE %1INDEX %2.%3 ON %4 (%5)")
                          .arg(unique ? QStringLiteral("UNIQUE ") : QString(),
                               quoteIdentifier(schema),
                               quoteIdentifier(indexName(canonical, index)),
                               quoteIdentifier(canonical), columns.join(QStringLiteral(", "))));
}

void Database::attachFile(const QString& path, const QString& schema) {
    requireFolder();
    const QString k = QStringLiteral("file:") + schema.toLower();
    if (attached_.contains(k))
        raise(Error::Kind::Engine, QStringLiteral("Файл %1 уже подключен").arg(path));
    makeRoom(1, {});
    Statement attachStatement(
        *connection_, QStringLiteral("ATTACH DATABASE ? AS %1").arg(quoteIdentifier(schema)));
    attachStatement.bind(1, fileUri(path, "rwc"));
    attachStatement.run();
    attached_.insert(k, Attached{schema, 1, ++useCounter_});
}

void Database::detachFile(const QString& schema) {
    const QString k = QStringLiteral("file:") + schema.toLower();
    if (!attached_.contains(k)) return;
    attached_.remove(k);
    connection_->exec(QStringLiteral("DETACH DATABASE %1").arg(quoteIdentifier(schema)));
}

void Database::detachUnused() {
    if (server_ || connection_->inTransaction()) return;
    for (auto it = attached_.begin(); it != attached_.end();) {
        if (it->pins > 0) {
            ++it;
            continue;
        }
        connection_->exec(QStringLiteral("DETACH DATABASE %1").arg(quoteIdentifier(it->schema)));
        it = attached_.erase(it);
    }
}

void Database::dropTable(const QString& name) {
    if (server_) return server_->dropTable(name);
    const QString canonical = canonicalName(name);
    const QString path = tableFilePath(canonical);
    const QString k = key(canonical);
    if (auto it = attached_.find(k); it != attached_.end()) {
        if (it->pins > 0 || connection_->inTransaction())
            raise(Error::Kind::Engine, QStringLiteral("Таблица %1 используется").arg(canonical));
        connection_->exec(QStringLiteral("DETACH DATABASE %1").arg(quoteIdentifier(it->schema)));
        attached_.erase(it);
    }
    if (!QFile::remove(path))
        raise(Error::Kind::Engine, QStringLiteral("Не удалось удалить файл %1").arg(path));
    scannedAt_ = {};
}

TableDef Database::tableDef(const QString& name) {
    if (server_) return server_->tableDef(name);
    const QString canonical = canonicalName(name);
    const QString schema = quoteIdentifier(attach(canonical));
    TableDef def;
    def.name = canonical;
    def.fileName = QFileInfo(tableFilePath(canonical)).fileName();
    Statement info(
        *connection_,
        QStringLiteral("PRAGMA %1.table_info(%2)").arg(schema, quoteIdentifier(canonical)));
    while (info.step()) {
        FieldDef f;
        f.name = info.column(1).toString();
        f.type = fieldTypeFromDecl(info.column(2).toString(), &f.size);
        f.required = info.columnInt(3) != 0;
        def.fields.append(f);
    }
    Statement list(
        *connection_,
        QStringLiteral("PRAGMA %1.index_list(%2)").arg(schema, quoteIdentifier(canonical)));
    while (list.step()) {
        IndexDef index;
        index.name = list.column(1).toString();
        index.unique = list.columnInt(2) != 0;
        index.primary = index.name == QLatin1String("PRIMARY");
        Statement cols(
            *connection_,
            QStringLiteral("PRAGMA %1.index_info(%2)").arg(schema, quoteIdentifier(index.name)));
        while (cols.step()) index.fields.append(cols.column(2).toString());
        if (index.primary) index.name.clear();
        def.indexes.append(index);
    }
    return def;
}

QString Database::tempCopy(const QString& canonical) {
    const QString copy = QStringLiteral("orv_copy_%1").arg(++tempCounter_);
    // Declared as the table is, so that the statement's result keeps the columns' types.
    QStringList columns;
    for (const FieldDef& f : fields(canonical)) columns.append(columnDefinition(f, false));
    const QString schema = attach(canonical);
    connection_->exec(
        QStringLiteral("CREATE TEMP TABLE %1 (%2); INSERT INTO %1 SELECT * FROM %3.%4")
            .arg(quoteIdentifier(copy), columns.join(QStringLiteral(", ")), quoteIdentifier(schema),
                 quoteIdentifier(canonical)));
    detachIfUnused(canonical);
    return copy;
}

PreparedSql Database::prepare(const QString& localSql) {
    return prepare(DialectStatement(localSql));
}

void Database::setBound(const QString& canonical, const QString& source) {
    if (source.isEmpty()) {
        if (bounds_.remove(key(canonical)) > 0) unpin(canonical);
        return;
    }
    bounds_.insert(key(canonical), source);
    pin(canonical);
}

// When a statement reads more tables than can be attached at once, the ones beyond that are
// copied into temporary tables first, each through the one free slot, before the others are
// attached and pinned; tables it writes are always attached.
void Database::copySurplus(const QList<TableRef>& refs, int room, QHash<QString, QString>& rendered,
                           QStringList& temps) {
    QStringList direct;
    QStringList reads;
    for (const TableRef& ref : refs) {
        if (ref.use == TableUse::Create) continue;
        const QString k = key(canonicalName(ref.name));
        if (ref.use != TableUse::Read || bounds_.contains(k)) {
            if (!direct.contains(k)) direct.append(k);
        } else if (!reads.contains(k)) {
            reads.append(k);
        }
    }
    for (const QString& k : std::as_const(direct)) reads.removeAll(k);
    if (direct.size() + reads.size() <= room) return;
    if (connection_->inTransaction() || direct.size() >= room)
        raise(Error::Kind::Engine,
              QStringLiteral("Слишком много таблиц в одной операции (не более %1)").arg(room));
    // Tables attached already stay so; the rest of the room goes to the first tables named.
    std::stable_partition(reads.begin(), reads.end(),
                          [&](const QString& k) { return attached_.contains(k); });
    const QStringList copies = reads.mid(room - direct.size());
    for (const TableRef& ref : refs) {
        const QString lower = key(ref.name);
        if (ref.use != TableUse::Read || rendered.contains(lower)) continue;
        const QString canonical = canonicalName(ref.name);
        if (!copies.contains(key(canonical))) continue;
        const QString copy = tempCopy(canonical);
        temps.append(copy);
        rendered.insert(lower, QStringLiteral("temp.") + quoteIdentifier(copy));
    }
}

PreparedSql Database::prepare(const DialectStatement& statement, const QString& insertTarget,
                              Target targetKind, int reserve) {
    if (server_)
        return PreparedSql(
            this,
            server_->prepare(statement, insertTarget,
                             !insertTarget.isEmpty() && targetKind == Target::NewTemporary),
            server_->rendered(statement), {}, {}, statement.parameters());
    QHash<QString, QString> rendered;  // lower-case name as written -> SQL text
    QStringList pinned;
    QStringList temps;
    QString createdFile;
    auto release = [&] {
        for (const QString& p : pinned) unpin(p);
    };
    try {
        QList<TableRef> refs = statement.tables();
        const bool intoFile = !insertTarget.isEmpty() && targetKind == Target::TableFile;
        if (intoFile) refs.prepend(TableRef{insertTarget, TableUse::Write});
        int creates = reserve;
        for (const TableRef& ref : refs)
            if (ref.use == TableUse::Create) ++creates;
        copySurplus(refs, kMaxAttached - creates, rendered, temps);
        QStringList needed;
        for (const TableRef& ref : refs) {
            if (ref.use == TableUse::Create || rendered.contains(key(ref.name))) continue;
            const QString canonical = canonicalName(ref.name);
            if (!needed.contains(key(canonical))) needed.append(key(canonical));
        }
        int missing = creates;
        for (const QString& k : needed)
            if (!attached_.contains(k)) ++missing;
        makeRoom(missing, needed);
        for (const TableRef& ref : refs) {
            const QString lower = key(ref.name);
            if (rendered.contains(lower)) continue;
            if (ref.use == TableUse::Create) {
                if (tableExists(ref.name))
                    raise(Error::Kind::Engine,
                          QStringLiteral("Таблица %1 уже существует").arg(ref.name));
                const QString schema = createFile(ref.name, {});
                createdFile = ref.name;
                pin(ref.name);
                pinned.append(ref.name);
                rendered.insert(
                    lower, quoteIdentifier(schema) + QLatin1Char('.') + quoteIdentifier(ref.name));
                continue;
            }
            const QString canonical = canonicalName(ref.name);
            const QString schema = attach(canonical);
            pin(canonical);
            pinned.append(canonical);
            const auto bound = bounds_.constFind(key(canonical));
            rendered.insert(lower, ref.use == TableUse::Read && bound != bounds_.constEnd()
                                       ? *bound
                                       : quoteIdentifier(schema) + QLatin1Char('.') +
                                             quoteIdentifier(canonical));
        }
        const auto tableSql = [&](const TableRef& ref) { return rendered.value(key(ref.name)); };
        QString sql = statement.render(tableSql);
        const qsizetype statementLength = sql.size();
        if (intoFile)
            sql = QStringLiteral("INSERT INTO %1 %2").arg(rendered.value(key(insertTarget)), sql);
        else if (!insertTarget.isEmpty())
            sql = QStringLiteral("CREATE TEMP TABLE %1 AS %2")
                      .arg(quoteIdentifier(insertTarget), sql);
        std::optional<Statement> prepared;
        try {
            prepared.emplace(*connection_, sql);
        } catch (const Error& e) {
            const qsizetype offset = connection_->lastErrorOffset(sql);
            const qsizetype prefix = sql.size() - statementLength;
            raiseAtPosition(e, statement, offset < 0 ? -1 : std::max<qsizetype>(0, offset - prefix),
                            tableSql);
        }
        return PreparedSql(this, std::move(*prepared), sql, pinned, temps, statement.parameters());
    } catch (...) {
        release();
        for (const QString& temp : temps)
            connection_->exec(
                QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(quoteIdentifier(temp)));
        if (!createdFile.isEmpty()) {
            try {
                dropTable(createdFile);
            } catch (const Error&) {
                // The empty file stays; it holds no table and is refused as one on next use.
            }
        }
        throw;
    }
}

}  // namespace orv::db
