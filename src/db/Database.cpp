#include "db/Database.h"

#include "core/Error.h"
#include "db/Aliases.h"
#include "db/Attachments.h"
#include "db/Dialect.h"
#include "db/ScratchFolder.h"
#include "db/ServerBackend.h"
#include "db/SqlitePreparer.h"
#include "db/SurplusCopies.h"
#include "db/TableDdl.h"
#include "db/TableFiles.h"
#include "db/Transaction.h"

#include <QDir>
#include <QFileInfo>

namespace orv::db {
namespace {

const QString kMainFile = QStringLiteral(".orvanta-main");

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

// The connection's main database: a private file of the folder, or of the temporary folder
// when the folder cannot be written.
QString mainPath(const QString& folder) {
    if (!QFileInfo(folder).isWritable())
        return QDir::tempPath() + QStringLiteral("/orvanta-main-") +
               QString::number(qHash(folder), 16);
    return folder + QLatin1Char('/') + kMainFile;
}

}  // namespace

// The jobs of a Database on a folder, each over the one SQLite connection.
struct Database::FolderParts {
    explicit FolderParts(const QString& folder) : files(folder), connection(mainPath(folder)) {
        connection.exec(QStringLiteral("PRAGMA temp_store=MEMORY; PRAGMA journal_mode=DELETE;"));
    }

    TableFiles files;
    Connection connection;
    Attachments attachments{connection, files};
    TableDdl ddl{connection, files, attachments};
    SurplusCopies copies{connection, files, attachments, ddl};
    SqlitePreparer preparer{connection, files, attachments, ddl, copies};
};

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
    if (!db_ || !db_->local_) return;
    for (const QString& name : pinned_) db_->local_->attachments.unpin(name);
    if (!temps_.isEmpty()) {
        statement_.reset();
        for (const QString& temp : temps_) {
            try {
                db_->local_->copies.drop(temp);
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
    return local_->connection;
}

PgConnection& Database::serverConnection() {
    if (!server_)
        raise(Error::Kind::Engine,
              QStringLiteral("Псевдоним %1 указывает на папку, а не на сервер").arg(name_));
    return server_->connection();
}

Statement Database::statement(const QString& engineSql) {
    return server_ ? Statement(server_->connection(), numberedParameters(engineSql))
                   : Statement(local_->connection, engineSql);
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
        local_->connection.exec(engineSql);
}

bool Database::inTransaction() const {
    return server_ ? server_->inTransaction() : local_->connection.inTransaction();
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
    const auto refuseInTransaction = [this] {
        if (local_ && local_->connection.inTransaction())
            raise(Error::Kind::Engine,
                  QStringLiteral("Нельзя сменить папку базы данных во время транзакции"));
    };
    if (ServerAddress::isAddress(folder)) {
        refuseInTransaction();
        local_.reset();
        server_ = std::make_unique<ServerBackend>(ServerAddress::parse(folder));
        folder_ = folder;
        return;
    }
    server_.reset();
    const QFileInfo info(folder);
    if (!info.isDir())
        raise(Error::Kind::Engine, QStringLiteral("Папка %1 не найдена").arg(folder));
    refuseInTransaction();
    local_.reset();
    folder_ = info.absoluteFilePath();
    local_ = std::make_unique<FolderParts>(folder_);
}

QStringList Database::tableFileNames() const {
    requireFolder();
    return local_->files.fileNames();
}

QStringList Database::tableNames() const {
    if (server_) return server_->tableNames();
    QStringList result;
    for (const QString& file : tableFileNames()) result.append(TableFiles::stripExtension(file));
    return result;
}

bool Database::tableExists(const QString& name) const {
    if (server_) return server_->tableExists(name);
    return local_->files.find(name).has_value();
}

QString Database::canonicalName(const QString& name) const {
    if (server_) return server_->canonicalName(name);
    return local_->files.canonicalName(name);
}

QString Database::tableFilePath(const QString& name) const {
    requireFolder();
    return local_->files.path(name);
}

bool Database::holdsTable(const QString& name) {
    if (server_) return server_->tableExists(name);
    const auto file = local_->files.find(name);
    if (!file) return false;
    const QString canonical = TableFiles::stripExtension(*file);
    const QString schema = local_->attachments.attach(canonical, Attachments::Tableless::Allowed);
    return local_->attachments.holdsTable(schema, canonical);
}

QString Database::qualified(const QString& table) {
    if (server_) return server_->tableSql(table);
    const QString canonical = canonicalName(table);
    return quoteIdentifier(local_->attachments.attach(canonical)) + QLatin1Char('.') +
           quoteIdentifier(canonical);
}

void Database::attachForCreate(const TableDef& def) {
    if (server_) return;
    local_->ddl.attachForCreate(def);
}

void Database::createTable(const TableDef& def) {
    if (server_) return server_->createTable(def);
    local_->ddl.createTable(def);
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
    const bool isNew = !local_->files.find(def.name);
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
    Attachments& attachments = local_->attachments;
    attachments.pin(canonical);
    struct Unpin {
        Attachments& attachments;
        QString name;
        ~Unpin() { attachments.unpin(name); }
    } unpinTarget{attachments, canonical};
    Transaction transaction(*this, {});
    createTable(def);
    Statement insert(local_->connection, QStringLiteral("INSERT INTO %1.%2 %3")
                                             .arg(quoteIdentifier(attachments.attach(canonical)),
                                                  quoteIdentifier(canonical), source.sql()));
    if (bind) bind(insert);
    insert.run();
    const qint64 copied = local_->connection.changes();
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
    local_->ddl.addIndex(table, index);
}

void Database::attachFile(const QString& path, const QString& schema) {
    requireFolder();
    local_->attachments.attachFile(path, schema);
}

void Database::detachFile(const QString& schema) {
    if (local_) local_->attachments.detachFile(schema);
}

void Database::detachUnused() {
    if (server_) return;
    local_->attachments.detachUnused();
}

void Database::dropTable(const QString& name) {
    if (server_) return server_->dropTable(name);
    local_->ddl.dropTable(name);
}

TableDef Database::tableDef(const QString& name) {
    if (server_) return server_->tableDef(name);
    return local_->ddl.tableDef(name);
}

void Database::setBound(const QString& canonical, const QString& source) {
    const QString k = TableFiles::key(canonical);
    if (server_) return server_->setBound(k, source);
    if (source.isEmpty()) {
        if (bounds_.remove(k) > 0) local_->attachments.unpin(canonical);
        return;
    }
    bounds_.insert(k, source);
    local_->attachments.pin(canonical);
}

PreparedSql Database::prepare(const QString& localSql) {
    return prepare(DialectStatement(localSql));
}

PreparedSql Database::prepare(const DialectStatement& statement, const QString& insertTarget,
                              Target targetKind, int reserve) {
    const bool newTemporary = !insertTarget.isEmpty() && targetKind == Target::NewTemporary;
    if (server_)
        return PreparedSql(this, server_->prepare(statement, insertTarget, newTemporary),
                           server_->rendered(statement), {}, {}, statement.parameters());
    auto prepared =
        local_->preparer.prepare(statement, insertTarget, newTemporary, reserve, bounds_);
    return PreparedSql(this, std::move(prepared.statement), prepared.sql, prepared.pinned,
                       prepared.temps, statement.parameters());
}

}  // namespace orv::db
