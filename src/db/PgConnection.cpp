#include "db/PgConnection.h"

#include <libpq-fe.h>
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <vector>

namespace orv::db {
namespace {

// Type oids of the server's built-in types (pg_type.dat).
enum : Oid {
    kBool = 16,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kFloat4 = 700,
    kFloat8 = 701,
    kNumeric = 1700,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
};

QString readableServerMessage(const QString& state, const QString& serverText) {
    QString words;
    if (state == QLatin1String("23505"))
        words = QStringLiteral("Запись с таким ключом уже есть");
    else if (state == QLatin1String("23502"))
        words = QStringLiteral("Не заполнено обязательное поле");
    else if (state == QLatin1String("22001"))
        words = QStringLiteral("Значение длиннее поля");
    else if (state == QLatin1String("42P01"))
        words = QStringLiteral("Таблица не найдена");
    else if (state == QLatin1String("42703"))
        words = QStringLiteral("Поле не найдено");
    else if (state == QLatin1String("42601"))
        words = QStringLiteral("Ошибка в тексте запроса");
    else if (state == QLatin1String("40001") || state == QLatin1String("40P01"))
        words = QStringLiteral("Таблицу одновременно изменяет другое рабочее место");
    else if (state == QLatin1String("55P03"))
        words = QStringLiteral("Записи заняты незавершённой работой другого рабочего места");
    else if (state.startsWith(QLatin1String("08")))
        words = QStringLiteral("Связь с сервером базы данных потеряна");
    else
        words = QStringLiteral("Ошибка сервера базы данных");
    return words + QStringLiteral(": ") + serverText;
}

}  // namespace

QByteArray pgParameterText(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QDate:
            return value.toDate().toString(Qt::ISODate).toUtf8();
        case QMetaType::QTime:
            return value.toTime().toString(QStringLiteral("HH:mm:ss")).toUtf8();
        case QMetaType::QDateTime:
            return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
        case QMetaType::Double:
        case QMetaType::Float:
            return QByteArray::number(value.toDouble(), 'g', 17);
        case QMetaType::Bool:
            return value.toBool() ? "1" : "0";
        default:
            return value.toString().toUtf8();
    }
}

namespace {

QVariant valueOf(const PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column)) return {};
    const QString text =
        QString::fromUtf8(PQgetvalue(result, row, column), PQgetlength(result, row, column));
    switch (PQftype(result, column)) {
        case kInt2:
        case kInt4:
        case kInt8:
            return text.toLongLong();
        case kBool:
            return qint64(text == QLatin1String("t") ? 1 : 0);
        case kFloat4:
        case kFloat8:
        case kNumeric:
            return text.toDouble();
        case kDate:
            return QDate::fromString(text, Qt::ISODate);
        case kTime:
            return QTime::fromString(text.left(8), QStringLiteral("HH:mm:ss"));
        case kTimestamp:
            return QDateTime::fromString(text.left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        default:
            return text;
    }
}

}  // namespace

bool PgError::retryable() const {
    return sqlState_ == QLatin1String("40001") || sqlState_ == QLatin1String("40P01");
}

QString pgQuoteIdentifier(const QString& name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

PgConnection::PgConnection(const ServerAddress& address) : address_(address) {
    std::vector<QByteArray> keys, values;
    auto add = [&](const char* key, const QString& value) {
        if (value.isEmpty()) return;
        keys.emplace_back(key);
        values.push_back(value.toUtf8());
    };
    add("host", address.host);
    add("port", address.port > 0 ? QString::number(address.port) : QString());
    add("dbname", address.database);
    add("user", address.user);
    add("client_encoding", QStringLiteral("UTF8"));
    add("application_name", QStringLiteral("Orvanta"));
    std::vector<const char*> keyPointers, valuePointers;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        keyPointers.push_back(keys[i].constData());
        valuePointers.push_back(values[i].constData());
    }
    keyPointers.push_back(nullptr);
    valuePointers.push_back(nullptr);
    conn_ = PQconnectdbParams(keyPointers.data(), valuePointers.data(), 0);
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
        const QString reason = conn_ ? QString::fromUtf8(PQerrorMessage(conn_)).trimmed()
                                     : QStringLiteral("нет памяти");
        PQfinish(conn_);
        conn_ = nullptr;
        raise(Error::Kind::Engine, QStringLiteral("Не удалось подключиться к серверу %1: %2")
                                       .arg(address.display(), reason));
    }
    // The program's selections test a call against every priced call (`rowid NOT IN (SELECT
    // ...)`); the server answers that from a hash only when the hash fits in work_mem, and the
    // default 4 MB would have it search the whole subquery for each call of a year's DESTTAR.
    // Compiling a statement to machine code costs more than it saves on statements of seconds,
    // and delays a view by as much (measured on the debt run).
    exec(QStringLiteral("SET client_min_messages TO warning; SET work_mem TO '256MB'; "
                        "SET jit TO off; SET search_path TO ") +
         pgQuoteIdentifier(address.schemaName()));
}

PgConnection::~PgConnection() { PQfinish(conn_); }

void PgConnection::failWith(PGresult* result, const QString& context) const {
    const QString state =
        result ? QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QString();
    QString text =
        result ? QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY)) : QString();
    if (text.isEmpty()) text = QString::fromUtf8(PQerrorMessage(conn_)).trimmed();
    PQclear(result);
    QString message = readableServerMessage(state, text);
    if (!context.isEmpty()) message = context + QStringLiteral(": ") + message;
    throw PgError(message, state);
}

void PgConnection::check(PGresult* result, const QString& context) {
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY ||
        status == PGRES_SINGLE_TUPLE || status == PGRES_COPY_IN)
        return;
    failWith(result, context);
}

void PgConnection::exec(const QString& sql) {
    PGresult* result = PQexec(conn_, sql.toUtf8().constData());
    check(result);
    PQclear(result);
}

qint64 PgConnection::execute(const QString& sql, const QVariantList& values) {
    PgStatement statement(*this, sql);
    for (int i = 0; i < values.size(); ++i) statement.bind(i + 1, values[i]);
    return statement.run();
}

QVariant PgConnection::scalar(const QString& sql, const QVariantList& values) {
    PgStatement statement(*this, sql);
    for (int i = 0; i < values.size(); ++i) statement.bind(i + 1, values[i]);
    QVariant value;
    if (statement.step()) value = statement.column(0);
    statement.run();
    return value;
}

PgStatement::PgStatement(PgConnection& connection, const QString& sql, const QStringList& names)
    : connection_(&connection), sql_(sql), names_(names) {}

PgStatement::~PgStatement() {
    PQclear(row_);
    PQclear(description_);
    drain();
}

void PgStatement::reset() {
    PQclear(row_);
    row_ = nullptr;
    drain();
    sent_ = false;
    done_ = false;
    changes_ = 0;
}

const PGresult* PgStatement::shape() const {
    if (row_) return row_;
    if (!description_) {
        PGconn* conn = connection_->handle();
        connection_->check(PQprepare(conn, "", sql_.toUtf8().constData(), 0, nullptr));
        description_ = PQdescribePrepared(conn, "");
        connection_->check(description_);
    }
    return description_;
}

QString PgStatement::columnDeclType(int i) const {
    const PGresult* result = shape();
    if (PQftable(result, i) == InvalidOid) return {};
    switch (PQftype(result, i)) {
        case kInt2:
            return QStringLiteral("SMALLINT");
        case kBool:
        case kInt4:
        case kInt8:
            return QStringLiteral("INTEGER");
        case kFloat4:
        case kFloat8:
        case kNumeric:
            return QStringLiteral("FLOAT");
        case kDate:
            return QStringLiteral("DATE");
        case kTime:
            return QStringLiteral("TIME");
        case kTimestamp:
            return QStringLiteral("TIMESTAMP");
        default: {
            const int modifier = PQfmod(result, i);
            return modifier > 4 ? QStringLiteral("VARCHAR(%1)").arg(modifier - 4)
                                : QStringLiteral("VARCHAR");
        }
    }
}

void PgStatement::drain() noexcept {
    if (!sent_ || done_) return;
    while (PGresult* rest = PQgetResult(connection_->handle())) PQclear(rest);
    done_ = true;
}

void PgStatement::bind(int position, const QVariant& value) {
    if (position < 1) return;
    while (values_.size() < position) values_.append(QVariant());
    values_[position - 1] = value;
}

void PgStatement::bind(const QString& name, const QVariant& value) {
    const QString bare = name.startsWith(u':') ? name.mid(1) : name;
    for (int i = 0; i < names_.size(); ++i)
        if (names_[i].compare(bare, Qt::CaseInsensitive) == 0) bind(i + 1, value);
}

void PgStatement::send() {
    std::vector<QByteArray> texts;
    std::vector<const char*> pointers;
    texts.reserve(values_.size());
    for (const QVariant& value : values_) {
        texts.push_back(value.isNull() ? QByteArray() : pgParameterText(value));
        pointers.push_back(value.isNull() ? nullptr : texts.back().constData());
    }
    PGconn* conn = connection_->handle();
    if (!PQsendQueryParams(conn, sql_.toUtf8().constData(), int(pointers.size()), nullptr,
                           pointers.data(), nullptr, nullptr, 0))
        connection_->failWith(nullptr, {});
    sent_ = true;
    PQsetSingleRowMode(conn);
}

bool PgStatement::step() {
    if (!sent_) send();
    PQclear(row_);
    row_ = nullptr;
    if (done_) return false;
    PGresult* result = PQgetResult(connection_->handle());
    if (!result) {
        done_ = true;
        return false;
    }
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_SINGLE_TUPLE) {
        row_ = result;
        return true;
    }
    if (status == PGRES_COMMAND_OK) changes_ = QByteArray(PQcmdTuples(result)).toLongLong();
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && status != PGRES_EMPTY_QUERY) {
        while (PGresult* rest = PQgetResult(connection_->handle())) PQclear(rest);
        done_ = true;
        connection_->failWith(result, {});
    }
    PQclear(result);
    return step();
}

qint64 PgStatement::run() {
    while (step()) {
    }
    return changes_;
}

int PgStatement::columnCount() const { return PQnfields(shape()); }

QString PgStatement::columnName(int i) const { return QString::fromUtf8(PQfname(shape(), i)); }

QVariant PgStatement::column(int i) const { return row_ ? valueOf(row_, 0, i) : QVariant(); }

PgTransaction::PgTransaction(PgConnection& connection, Isolation isolation)
    : connection_(connection) {
    switch (isolation) {
        case Isolation::ReadCommitted:
            connection_.exec(QStringLiteral("BEGIN"));
            break;
        case Isolation::RepeatableRead:
            connection_.exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ"));
            break;
        case Isolation::Serializable:
            connection_.exec(QStringLiteral("BEGIN ISOLATION LEVEL SERIALIZABLE"));
            break;
    }
}

PgTransaction::~PgTransaction() {
    if (done_) return;
    PQclear(PQexec(connection_.handle(), "ROLLBACK"));
}

void PgTransaction::commit() {
    done_ = true;
    connection_.exec(QStringLiteral("COMMIT"));
}

PgAdvisoryLock::PgAdvisoryLock(PgConnection& connection, qint64 key, const QString& refusal)
    : connection_(connection), key_(key) {
    if (connection_.scalar(QStringLiteral("SELECT pg_try_advisory_lock($1::bigint)::int"), {key})
            .toLongLong() != 1)
        raise(Error::Kind::Refused, refusal);
}

PgAdvisoryLock::~PgAdvisoryLock() {
    const QByteArray key = QByteArray::number(key_);
    const char* values[] = {key.constData()};
    PQclear(PQexecParams(connection_.handle(), "SELECT pg_advisory_unlock($1::bigint)", 1, nullptr,
                         values, nullptr, nullptr, 0));
}

}  // namespace orv::db
