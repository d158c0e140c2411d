#pragma once
// A table cursor: one table of a Database read and written record by record, the way the
// program's windows hold them (TableDolg, TableAbTab ...).
//
// open() takes the table's rows in the chosen order (stored order, an index's fields, or given
// field names); first/next/eof walk them; fields are read and written by name; append, edit,
// post and cancel change one record at a time; locate finds the first record, in the cursor's
// order, whose key fields equal the values given, strings compared without regard to case.
// Rows appended by others after open() are seen after the next open(). Errors are orv::Error:
// a missing table names it; a value that does not fit its field is refused before writing.

#include "db/Database.h"
#include "db/FieldType.h"

#include <QDate>
#include <QHash>
#include <QTime>
#include <QVariant>
#include <vector>

namespace orv::db {

class Table {
  public:
    enum class State { Inactive, Browse, Edit, Insert };

    Table(Database& db, const QString& tableName = {});
    ~Table() = default;
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    void setTableName(const QString& name);
    const QString& tableName() const { return name_; }
    // Order by the fields of a named index ("TRF") or by field names ("AbNumber;Priznak").
    void setIndexName(const QString& index);
    void setIndexFieldNames(const QString& fields);

    void open();
    void close();
    bool isOpen() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    bool exists() const;

    void first();
    void next();
    bool eof() const;
    qint64 recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    qint64 position() const { return position_; }

    const QList<FieldDef>& fields() const { return fields_; }
    bool hasField(const QString& name) const { return indexOf(name) >= 0; }
    QVariant field(const QString& name) const;
    qint64 asInteger(const QString& name) const { return field(name).toLongLong(); }
    double asFloat(const QString& name) const { return field(name).toDouble(); }
    QString asString(const QString& name) const { return displayText(field(name)); }
    QDate asDate(const QString& name) const { return field(name).toDate(); }
    QTime asTime(const QString& name) const { return field(name).toTime(); }
    // Requires: Edit or Insert state.
    void setField(const QString& name, const QVariant& value);

    void append();
    // Appends and posts a record from values in field order (missing trailing values empty).
    void appendRecord(const QVariantList& values);
    void edit();
    void post();
    void cancel();
    void deleteRecord();

    // keyFields "AbNumber;Priznak"; values in the same order. Moves to the record found.
    bool locate(const QString& keyFields, const QVariantList& values);

    // Creates the table from a declaration, replacing one of that name.
    void createTable(const TableDef& def);
    void addPrimaryIndex(const QStringList& fields);
    void emptyTable();

    // A lookup field: value of lookupResult in the row of lookupTable whose lookupKey equals
    // this table's keyField; read-only, loaded at open.
    void addLookupField(const FieldDef& field, const QString& lookupTable, const QString& lookupKey,
                        const QString& lookupResult, const QString& keyField);

  private:
    struct Lookup {
        FieldDef field;
        QString table, key, result, keyField;
        QHash<QString, QVariant> values;
    };

    int indexOf(const QString& name) const;
    int requireField(const QString& name) const;
    void requireOpen() const;
    QString orderClause() const;
    void loadRowids();
    void loadCurrent();
    void checkValue(const FieldDef& field, const QVariant& stored) const;

    Database* db_;
    QString name_;
    QString indexName_;
    QString indexFields_;
    State state_ = State::Inactive;
    QList<FieldDef> fields_;
    std::vector<qint64> rowids_;
    qint64 position_ = 0;
    QVector<QVariant> current_;  // current record (stored values converted to field types)
    qint64 currentRowid_ = -1;
    QList<Lookup> lookups_;
};

}  // namespace orv::db
