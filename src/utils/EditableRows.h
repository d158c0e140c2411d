#pragma once
// The rows of one table as the table editor reads and writes them: the key of every row in
// stored order, the values of a run of rows by their keys, and one row at a time updated,
// inserted or deleted.
//
// In a folder a key is the row's rowid. On a server it is the row's address (ctid) and version
// (xmin): both change whenever any seat writes the row, so a write by a key read before another
// seat changed or deleted the row finds no row, and is reported as such instead of overwriting
// that seat's change. Each write on a server is one transaction of its own, and waits a few
// seconds at most for a row that another seat's transaction holds (a debt run): then it is
// refused with a message, and nothing is written.
//
// Values are the program's (FieldType.h); one that cannot be stored in its field raises
// orv::Error naming the field. Errors are orv::Error.

#include "db/Database.h"
#include "db/FieldType.h"

#include <QList>
#include <QStringList>
#include <QVector>
#include <optional>
#include <vector>

namespace orv::utils {

struct RowKey {
    qint64 id = 0;       // the rowid, or on a server the address as block * 65536 + item
    qint64 version = 0;  // the server's version of the row; 0 in a folder
};

// "Поле NAME: reason".
QString fieldMessage(const db::FieldDef& field, const QString& reason);

class EditableRows {
  public:
    using Row = QVector<QVariant>;

    // Requires: table is the canonical name of a table of database with these fields; the
    // database outlives this object.
    EditableRows(db::Database& database, const QString& table, const QList<db::FieldDef>& fields);

    // Every row's key, in stored order.
    std::vector<RowKey> keys();
    // The rows of keys[first..last], in that order. A row that is gone since its key was read
    // (deleted, or on a server changed by another seat) is left with every value null; in a
    // folder keys must ascend.
    QVector<Row> read(const std::vector<RowKey>& keys, qint64 first, qint64 last);

    // Writes the row and returns its key now; nothing when the row is gone since its key was
    // read, which writes nothing.
    std::optional<RowKey> update(const RowKey& key, const Row& values);
    RowKey insert(const Row& values);
    // False when the row is gone since its key was read; nothing is deleted then.
    bool remove(const RowKey& key);

  private:
    // The values bound from position first on, converted to their fields' stored forms.
    void bindValues(db::Statement& statement, const Row& values, int first) const;
    std::vector<RowKey> serverKeys();
    QVector<Row> readFromServer(const std::vector<RowKey>& keys, qint64 first, qint64 last);
    // Runs a write returning the written row's address and version, in a transaction of its
    // own that waits for a held row a few seconds at most.
    std::optional<RowKey> writeOnServer(const QString& sql, const Row& values,
                                        const std::optional<RowKey>& key);

    db::Database& database_;
    QString table_;
    QList<db::FieldDef> fields_;
    QStringList columns_;  // the fields' names quoted for the engine's statements
};

}  // namespace orv::utils
