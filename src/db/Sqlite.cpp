#include "db/Sqlite.h"

#include "core/Error.h"
#include "db/PgConnection.h"

#include <sqlite3.h>
#include <QRegularExpression>
#include <algorithm>

namespace orv::db {
namespace {

constexpr int kBusyTimeoutMs = 5000;

// The engine's own words for a statement it refuses, each with the program's message; the
// engine's text follows in parentheses. %1 is the pattern's first capture.
struct StatementFault {
    const char* pattern;
    const char* message;
};

constexpr StatementFault kStatementFaults[] = {
    {R"re(^near "(.*)": syntax error$)re", "Синтаксическая ошибка в запросе около «%1»"},
    {R"re(^incomplete input$)re", "Запрос не закончен"},
    {R"re(^unrecognized token: "?(.*?)"?$)re", "Непонятный знак в запросе: %1"},
    {R"re(^no such column: (.*)$)re", "Нет поля %1"},
    {R"re(^no such table: (.*)$)re", "Нет таблицы %1"},
    {R"re(^no such function: (.*)$)re", "Нет функции %1"},
    {R"re(^ambiguous column name: (.*)$)re", "Поле %1 есть в нескольких таблицах; укажите таблицу"},
    {R"re(^parser stack overflow$)re", "Запрос слишком сложен (слишком глубокая вложенность)"},
    {R"re(^too many columns)re", "Слишком много полей в запросе"},
    {R"re(do not have the same number of result columns$)re",
     "Части запроса с UNION (INTERSECT, EXCEPT) выбирают разное число полей"},
    {R"re(^(\d+) values for \d+ columns$)re", "Число значений не совпадает с числом полей"},
    {R"re(^table (.*) already exists$)re", "Таблица %1 уже существует"},
    {R"re(^misuse of aggregate)re", "Неправильное использование итоговой функции"},
    {R"re(^wrong number of arguments to function (.*)\(\)$)re",
     "Неправильное число аргументов функции %1"},
    {R"re(^cannot (?:add|drop|rename|modify|change) )re", "Изменение структуры таблицы отклонено"},
};

QString statementFault(const QString& engineText) {
    for (const StatementFault& fault : kStatementFaults) {
        const QRegularExpression pattern(QString::fromUtf8(fault.pattern));
        const QRegularExpressionMatch match = pattern.match(engineText);
        if (!match.hasMatch()) continue;
        QString message = QString::fromUtf8(fault.message);
        if (message.contains(QLatin1String("%1"))) message = message.arg(match.captured(1));
        return QStringLiteral("%1 (%2)").arg(message, engineText);
    }
    return QStringLiteral("Ошибка в запросе (%1)").arg(engineText);
}

}  // namespace

QString readableEngineMessage(int code, const QString& engineText) {
    switch (code) {
        case SQLITE_CONSTRAINT_UNIQUE:
        case SQLITE_CONSTRAINT_PRIMARYKEY:
            return QStringLiteral("Запись с таким ключом уже есть (key violation): %1")
                .arg(engineText.section(QLatin1String(": "), 1));
        case SQLITE_CONSTRAINT_CHECK:
            return QStringLiteral("Запись отклонена: %1")
                .arg(engineText.section(QLatin1String(": "), 1));
        case SQLITE_CONSTRAINT_NOTNULL:
            return QStringLiteral("Не заполнено обязательное поле %1")
                .arg(engineText.section(QLatin1String(": "), 1));
        default:
            break;
    }
    switch (code & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return QStringLiteral("Таблица занята другой программой (table is locked): %1")
                .arg(engineText);
        case SQLITE_NOTADB:
            return QStringLiteral("Файл не является таблицей базы данных: %1").arg(engineText);
        case SQLITE_CORRUPT:
            return QStringLiteral("Таблица повреждена: %1").arg(engineText);
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_CANTOPEN:
            return QStringLiteral("Нет доступа к файлу таблицы: %1").arg(engineText);
        case SQLITE_FULL:
            return QStringLiteral("Нет места на диске: %1").arg(engineText);
        case SQLITE_ERROR:
            return statementFault(engineText);
        case SQLITE_CONSTRAINT:
            return QStringLiteral("Запись отклонена: %1").arg(engineText);
        case SQLITE_TOOBIG:
            return QStringLiteral("Слишком большое значение или запрос: %1").arg(engineText);
        case SQLITE_MISMATCH:
            return QStringLiteral("Значение не того типа: %1").arg(engineText);
        case SQLITE_IOERR:
            return QStringLiteral("Ошибка чтения или записи файла таблицы: %1").arg(engineText);
        default:
            return QStringLiteral("Ошибка базы данных: %1").arg(engineText);
    }
}

namespace {

// Unicode-aware comparison without regard to case, for locating on text keys.
int compareNoCase(void*, int lengthA, const void* a, int lengthB, const void* b) {
    const QString left = QString::fromRawData(static_cast<const QChar*>(a), lengthA / 2);
    const QString right = QString::fromRawData(static_cast<const QChar*>(b), lengthB / 2);
    return left.compare(right, Qt::CaseInsensitive);
}

}  // namespace

namespace {

int openFlags(Connection::Open mode) {
    switch (mode) {
        case Connection::Open::Existing:
            return SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI;
        case Connection::Open::ReadOnly:
            return SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        case Connection::Open::Create:
            break;
    }
    return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI;
}

bool isBusy(int code) {
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

}  // namespace

Connection::Connection(const QString& path, Open mode) {
    const QByteArray file = path.toUtf8();
    const int rc = sqlite3_open_v2(file.constData(), &db_, openFlags(mode), nullptr);
    if (rc != SQLITE_OK) {
        const QString text = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
        sqlite3_close(db_);
        db_ = nullptr;
        raise(Error::Kind::Engine,
              QStringLiteral("Не удалось открыть базу данных %1: %2").arg(path, text));
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_create_collation(db_, "ORV_NOCASE", SQLITE_UTF16_ALIGNED, nullptr, compareNoCase);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
}

Connection::~Connection() { sqlite3_close_v2(db_); }

void Connection::exec(const QString& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        lastFailureText_ = error ? QString::fromUtf8(error) : QString();
        lastFailureCode_ = sqlite3_extended_errcode(db_);
        sqlite3_free(error);
        raise(Error::Kind::Engine, readableEngineMessage(lastFailureCode_, lastFailureText_));
    }
}

bool Connection::tryExec(const QString& sql) {
    try {
        exec(sql);
        return true;
    } catch (const Error&) {
        if (isBusy(lastFailureCode_)) return false;
        throw;
    }
}

QByteArray Connection::pages() const {
    sqlite3_int64 size = 0;
    unsigned char* data = sqlite3_serialize(db_, "main", &size, 0);
    if (!data) fail(SQLITE_NOMEM);
    const QByteArray image(reinterpret_cast<const char*>(data), qsizetype(size));
    sqlite3_free(data);
    return image;
}

void Connection::openPages(const QByteArray& image) {
    const auto size = sqlite3_int64(image.size());
    auto* buffer = static_cast<unsigned char*>(sqlite3_malloc64(sqlite3_uint64(size)));
    if (!buffer) fail(SQLITE_NOMEM);
    std::copy(image.cbegin(), image.cend(), buffer);
    const int rc = sqlite3_deserialize(db_, "main", buffer, size, size,
                                       SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY);
    if (rc != SQLITE_OK) fail(rc);
}

ProgressHandler::ProgressHandler(Connection& connection, int steps, int (*callback)(void*),
                                 void* context)
    : connection_(connection) {
    sqlite3_progress_handler(connection_.handle(), steps, callback, context);
}

ProgressHandler::~ProgressHandler() {
    sqlite3_progress_handler(connection_.handle(), 0, nullptr, nullptr);
}

ConnectionTransaction::ConnectionTransaction(Connection& connection) : connection_(connection) {
    connection_.exec(QStringLiteral("BEGIN"));
}

ConnectionTransaction::~ConnectionTransaction() {
    if (done_ || !connection_.inTransaction()) return;
    try {
        connection_.exec(QStringLiteral("ROLLBACK"));
    } catch (const Error&) {
        // SQLite rolls back by itself when the connection closes.
    }
}

void ConnectionTransaction::commit() {
    connection_.exec(QStringLiteral("COMMIT"));
    done_ = true;
}

qint64 Connection::changes() const { return sqlite3_changes64(db_); }

qint64 Connection::lastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }

qsizetype Connection::lastErrorOffset(const QString& sql) const {
    const int bytes = sqlite3_error_offset(db_);
    if (bytes < 0) return -1;
    return QString::fromUtf8(sql.toUtf8().left(bytes)).size();
}

void Connection::setBusyTimeout(int milliseconds) { sqlite3_busy_timeout(db_, milliseconds); }

bool Connection::inTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

void replaceFileContents(const QString& source, const QString& target) {
    Connection from(source);
    Connection to(target);
    sqlite3_backup* copy = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!copy) to.fail(sqlite3_errcode(to.handle()), target);
    const int step = sqlite3_backup_step(copy, -1);
    const int finish = sqlite3_backup_finish(copy);
    if (step != SQLITE_DONE) to.fail(step, target);
    if (finish != SQLITE_OK) to.fail(finish, target);
}

bool copyPages(Connection& to, Connection& from, const QString& schema, const QString& context) {
    sqlite3_backup* copy =
        sqlite3_backup_init(to.handle(), "main", from.handle(), schema.toUtf8().constData());
    if (!copy) to.fail(sqlite3_errcode(to.handle()), context);
    const int step = sqlite3_backup_step(copy, -1);
    const int finish = sqlite3_backup_finish(copy);
    const int rc = step == SQLITE_DONE ? finish : step;
    if (isBusy(rc)) return false;
    if (rc != SQLITE_OK) to.fail(rc, context);
    return true;
}

void Connection::fail(int code, const QString& context) const {
    const int extended = sqlite3_extended_errcode(db_);
    lastFailureCode_ = (extended & 0xff) == (code & 0xff) ? extended : code;
    lastFailureText_ = QString::fromUtf8(sqlite3_errmsg(db_));
    QString text = readableEngineMessage(lastFailureCode_, lastFailureText_);
    if (!context.isEmpty()) text = context + QStringLiteral(": ") + text;
    raise(Error::Kind::Engine, text);
}

Statement::Statement(Connection& connection, const QString& sql) : connection_(&connection) {
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(connection.handle(), text.constData(),
                                      static_cast<int>(text.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) connection.fail(rc);
}

Statement::Statement(PgConnection& connection, const QString& sql, const QStringList& names)
    : server_(std::make_unique<PgStatement>(connection, sql, names)) {}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement::Statement(Statement&& other) noexcept
    : connection_(other.connection_), stmt_(other.stmt_), server_(std::move(other.server_)) {
    other.stmt_ = nullptr;
}

void Statement::bind(const QString& name, const QVariant& value) {
    if (server_) return server_->bind(name, value);
    const QString key = name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name;
    const int position = sqlite3_bind_parameter_index(stmt_, key.toUtf8().constData());
    if (position == 0)
        raise(Error::Kind::Engine, QStringLiteral("В запросе нет параметра %1").arg(name));
    bind(position, value);
}

void Statement::bind(int position, const QVariant& value) {
    if (server_) return server_->bind(position, value);
    int rc = SQLITE_OK;
    if (value.isNull() || !value.isValid()) {
        rc = sqlite3_bind_null(stmt_, position);
    } else {
        switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::Short:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(stmt_, position, value.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(stmt_, position, value.toDouble());
                break;
            default: {
                const QByteArray text = value.toString().toUtf8();
                rc = sqlite3_bind_text(stmt_, position, text.constData(),
                                       static_cast<int>(text.size()), SQLITE_TRANSIENT);
            }
        }
    }
    if (rc != SQLITE_OK) connection_->fail(rc);
}

int Statement::parameterCount() const {
    return server_ ? server_->parameterCount() : sqlite3_bind_parameter_count(stmt_);
}

QString Statement::parameterName(int position) const {
    if (server_) return server_->parameterName(position);
    const char* name = sqlite3_bind_parameter_name(stmt_, position);
    const QString text = name ? QString::fromUtf8(name) : QString();
    return text.startsWith(QLatin1Char(':')) ? text.mid(1) : text;
}

bool Statement::step() {
    if (server_) return server_->step();
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(stmt_);
    connection_->fail(rc);
}

qint64 Statement::run() {
    if (server_) return server_->run();
    while (step()) {
    }
    return sqlite3_changes64(connection_->handle());
}

void Statement::reset() {
    if (server_) return server_->reset();
    sqlite3_reset(stmt_);
}

void Statement::clearBindings() {
    if (server_) {
        for (int i = 1; i <= server_->parameterCount(); ++i) server_->bind(i, QVariant());
        return;
    }
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const {
    return server_ ? server_->columnCount() : sqlite3_column_count(stmt_);
}

QString Statement::columnName(int i) const {
    if (server_) return server_->columnName(i);
    return QString::fromUtf8(sqlite3_column_name(stmt_, i));
}

QString Statement::columnDeclType(int i) const {
    if (server_) return server_->columnDeclType(i);
    const char* decl = sqlite3_column_decltype(stmt_, i);
    return decl ? QString::fromUtf8(decl) : QString();
}

QVariant Statement::column(int i) const {
    if (server_) return server_->column(i);
    switch (sqlite3_column_type(stmt_, i)) {
        case SQLITE_INTEGER:
            return QVariant(static_cast<qint64>(sqlite3_column_int64(stmt_, i)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_column_double(stmt_, i));
        case SQLITE_NULL:
            return {};
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
            return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt_, i)));
        }
    }
}

qint64 Statement::columnInt(int i) const {
    return server_ ? server_->column(i).toLongLong() : sqlite3_column_int64(stmt_, i);
}

bool Statement::columnIsNull(int i) const {
    return server_ ? server_->column(i).isNull() : sqlite3_column_type(stmt_, i) == SQLITE_NULL;
}

void Statement::bindBytes(int position, const QByteArray& bytes, Bytes kind) {
    const int size = static_cast<int>(bytes.size());
    int rc = SQLITE_OK;
    switch (kind) {
        case Bytes::Utf8:
            rc = sqlite3_bind_text(stmt_, position, bytes.constData(), size, SQLITE_TRANSIENT);
            break;
        case Bytes::Utf16:
            rc = sqlite3_bind_text16(stmt_, position, bytes.constData(), size, SQLITE_TRANSIENT);
            break;
        case Bytes::Blob:
            rc = sqlite3_bind_blob(stmt_, position, bytes.constData(), size, SQLITE_TRANSIENT);
            break;
    }
    if (rc != SQLITE_OK) connection_->fail(rc);
}

int Statement::runUnlessConstraint() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
        sqlite3_reset(stmt_);
        return 0;
    }
    const int code = sqlite3_extended_errcode(connection_->handle());
    sqlite3_reset(stmt_);
    if ((rc & 0xff) == SQLITE_CONSTRAINT) return code;
    connection_->fail(rc);
}

QString quoteIdentifier(const QString& name) {
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace orv::db
