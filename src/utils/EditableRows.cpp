#include "utils/EditableRows.h"

#include "core/Error.h"
#include "db/PgConnection.h"
#include "db/Sqlite.h"

#include <QHash>
#include <QStringList>

namespace orv::utils {
namespace {

// How long a write on a server waits for a row that another seat's transaction holds.
const QString kRowWait = QStringLiteral("5s");
const QString kLockTimeout = QStringLiteral("55P03");

// The row address "(block,item)" as one number, and back.
qint64 packedAddress(const QString& ctid) {
    const QStringList parts = ctid.mid(1, ctid.size() - 2).split(u',');
    return parts.value(0).toLongLong() * 65536 + parts.value(1).toLongLong();
}

QString addressText(qint64 id) { return QStringLiteral("(%1,%2)").arg(id / 65536).arg(id % 65536); }

RowKey serverKey(const db::Statement& read) {
    return {packedAddress(read.column(0).toString()), read.column(1).toLongLong()};
}

}  // namespace

QString fieldMessage(const db::FieldDef& field, const QString& reason) {
    return QStringLiteral("Поле %1: %2").arg(field.name, reason);
}

EditableRows::EditableRows(db::Database& database, const QString& table,
                           const QList<db::FieldDef>& fields)
    : database_(database), table_(table), fields_(fields) {
    if (!database_.isServer()) {
        for (const db::FieldDef& f : fields_) columns_.append(db::quoteIdentifier(f.name));
        return;
    }
    // A server keeps a program table's columns in lower case: they are named as it reports them.
    const db::Statement shape(
        database_.serverConnection(),
        QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(database_.qualified(table_)));
    for (int i = 0; i < shape.columnCount(); ++i)
        columns_.append(db::pgQuoteIdentifier(shape.columnName(i)));
}

void EditableRows::bindValues(db::Statement& statement, const Row& values, int first) const {
    for (int i = 0; i < fields_.size(); ++i) {
        try {
            statement.bind(first + i, db::toStorage(values.value(i), fields_[i].type));
        } catch (const Error& e) {
            raise(Error::Kind::Conversion, fieldMessage(fields_[i], e.message()));
        }
    }
}

std::vector<RowKey> EditableRows::keys() {
    if (database_.isServer()) return serverKeys();
    std::vector<RowKey> keys;
    db::Statement read(
        database_.connection(),
        QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(database_.qualified(table_)));
    while (read.step()) keys.push_back({read.columnInt(0), 0});
    return keys;
}

std::vector<RowKey> EditableRows::serverKeys() {
    std::vector<RowKey> keys;
    db::Statement read(database_.serverConnection(),
                       QStringLiteral("SELECT ctid::text AS orv_address, xmin::text AS orv_version "
                                      "FROM %1 ORDER BY ctid")
                           .arg(database_.qualified(table_)));
    while (read.step()) keys.push_back(serverKey(read));
    return keys;
}

QVector<EditableRows::Row> EditableRows::read(const std::vector<RowKey>& keys, qint64 first,
                                              qint64 last) {
    if (database_.isServer()) return readFromServer(keys, first, last);
    QVector<Row> rows(static_cast<int>(last - first + 1), Row(fields_.size()));
    db::Statement read(database_.connection(),
                       QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid BETWEEN ? AND ? "
                                      "ORDER BY rowid")
                           .arg(database_.qualified(table_)));
    read.bind(1, keys[first].id);
    read.bind(2, keys[last].id);
    qint64 at = first;
    // Rows deleted by another program stay empty; rows it appended are skipped.
    while (read.step() && at <= last) {
        const qint64 rowid = read.columnInt(0);
        while (at <= last && keys[at].id < rowid) ++at;
        if (at > last || keys[at].id != rowid) continue;
        Row& row = rows[static_cast<int>(at - first)];
        for (int i = 0; i < fields_.size() && i + 1 < read.columnCount(); ++i)
            row[i] = db::fromStorage(read.column(i + 1), fields_[i].type);
        ++at;
    }
    return rows;
}

QVector<EditableRows::Row> EditableRows::readFromServer(const std::vector<RowKey>& keys,
                                                        qint64 first, qint64 last) {
    QVector<Row> rows(static_cast<int>(last - first + 1), Row(fields_.size()));
    QHash<qint64, qint64> positions;  // address -> index in keys
    QStringList addresses;
    for (qint64 at = first; at <= last; ++at) {
        positions.insert(keys[at].id, at);
        addresses.append(u'"' + addressText(keys[at].id) + u'"');
    }
    db::Statement read(
        database_.serverConnection(),
        QStringLiteral("SELECT ctid::text, xmin::text, * FROM %1 WHERE ctid = ANY($1::tid[])")
            .arg(database_.qualified(table_)));
    read.bind(1, u'{' + addresses.join(u',') + u'}');
    // A row another seat changed since is at another address or of another version: it stays
    // empty, as a deleted one does.
    while (read.step()) {
        const RowKey key = serverKey(read);
        const auto found = positions.constFind(key.id);
        if (found == positions.constEnd() || keys[*found].version != key.version) continue;
        Row& row = rows[static_cast<int>(*found - first)];
        for (int i = 0; i < fields_.size() && i + 2 < read.columnCount(); ++i)
            row[i] = db::fromStorage(read.column(i + 2), fields_[i].type);
    }
    return rows;
}

std::optional<RowKey> EditableRows::update(const RowKey& key, const Row& values) {
    QStringList sets;
    for (const QString& column : columns_) sets.append(column + QStringLiteral("=?"));
    if (database_.isServer())
        return writeOnServer(QStringLiteral("UPDATE %1 SET %2 WHERE ctid = ?::tid AND xmin = "
                                            "?::xid RETURNING ctid::text, xmin::text")
                                 .arg(database_.qualified(table_), sets.join(u',')),
                             values, key);
    db::Statement write(database_.connection(),
                        QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                            .arg(database_.qualified(table_), sets.join(u',')));
    bindValues(write, values, 1);
    write.bind(static_cast<int>(fields_.size()) + 1, key.id);
    if (write.run() == 0) return std::nullopt;
    return key;
}

RowKey EditableRows::insert(const Row& values) {
    const QStringList marks(fields_.size(), QStringLiteral("?"));
    const QString sql =
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(database_.qualified(table_), columns_.join(u','), marks.join(u','));
    if (database_.isServer())
        return *writeOnServer(sql + QStringLiteral(" RETURNING ctid::text, xmin::text"), values,
                              std::nullopt);
    db::Statement write(database_.connection(), sql);
    bindValues(write, values, 1);
    write.run();
    return {database_.connection().lastInsertRowid(), 0};
}

bool EditableRows::remove(const RowKey& key) {
    if (database_.isServer())
        return writeOnServer(QStringLiteral("DELETE FROM %1 WHERE ctid = ?::tid AND xmin = ?::xid "
                                            "RETURNING ctid::text, xmin::text")
                                 .arg(database_.qualified(table_)),
                             {}, key)
            .has_value();
    db::Statement remove(
        database_.connection(),
        QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(database_.qualified(table_)));
    remove.bind(1, key.id);
    return remove.run() > 0;
}

std::optional<RowKey> EditableRows::writeOnServer(const QString& sql, const Row& values,
                                                  const std::optional<RowKey>& key) {
    db::PgConnection& connection = database_.serverConnection();
    try {
        db::PgTransaction transaction(connection);
        connection.exec(QStringLiteral("SET LOCAL lock_timeout = '%1'").arg(kRowWait));
        std::optional<RowKey> written;
        {
            db::Statement write = database_.statement(sql);
            const int valueCount = values.isEmpty() ? 0 : static_cast<int>(fields_.size());
            if (valueCount > 0) bindValues(write, values, 1);
            if (key) {
                write.bind(valueCount + 1, addressText(key->id));
                write.bind(valueCount + 2, QString::number(key->version));
            }
            if (write.step()) written = serverKey(write);
            write.run();
        }
        transaction.commit();
        return written;
    } catch (const db::PgError& e) {
        if (e.sqlState() != kLockTimeout) throw;
        raise(Error::Kind::Refused,
              QStringLiteral("Запись сейчас изменяет другое рабочее место (например, идёт расчет "
                             "долга): изменение не записано, повторите его позже"));
    }
}

}  // namespace orv::utils
