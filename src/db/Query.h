#pragma once
// A named statement of the local dialect on a Database, the way the program's windows hold
// them (QueryCity, QueryDolgCT ...): its text, typed named parameters, and, once opened, a
// result that can be read from any row.
//
// open() runs a selecting statement and keeps its whole result in a temporary table of the
// connection, so that the exact record count is known, any row can be fetched as a grid scrolls
// to it, and a million calls do not sit in memory as objects. A record filter (the number-list
// filter) narrows the visible rows of the open result without running the statement again.
// Calculated fields are filled by a handler each time a row is fetched; lookup fields take a
// value from another table by key.
//
// Parameters are always bound, never spliced; every parameter must have a value before the
// statement runs ("Не задано значение параметра"). Errors are orv::Error.

#include "db/Database.h"
#include "db/FieldType.h"
#include "db/RecordFilter.h"

#include <QHash>
#include <QMap>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace orv::db {

class DialectStatement;
struct SelectColumn;

// The values of one fetched row by field index, with named access for calculated fields.
class RecordValues {
  public:
    RecordValues(const QList<FieldDef>* fields, QVector<QVariant>* values)
        : fields_(fields), values_(values) {}
    QVariant value(const QString& field) const;
    void setValue(const QString& field, const QVariant& value);

  private:
    int index(const QString& field) const;
    const QList<FieldDef>* fields_;
    QVector<QVariant>* values_;
};

class Query {
  public:
    explicit Query(Database& db, const QString& sql = {});
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Database& database() { return *db_; }

    // The component name of the statement ("QueryCity"), empty unless set; printouts title by it.
    void setName(const QString& name) { name_ = name; }
    const QString& name() const { return name_; }

    // Replaces the text (closing and unpreparing the statement). Lines are joined with "\n".
    void setSql(const QString& sql);
    void setSql(const QStringList& lines) { setSql(lines.join(QLatin1Char('\n'))); }
    const QString& sql() const { return sql_; }

    // Names of the statement's parameters, in order of first use.
    QStringList parameterNames();
    void setInteger(const QString& name, qint64 value);
    void setFloat(const QString& name, double value);
    void setString(const QString& name, const QString& value);
    void setDate(const QString& name, const QDate& value);
    void setTime(const QString& name, const QTime& value);
    // A date-time at midnight compares as the date alone.
    void setDateTime(const QString& name, const QDateTime& value);
    void clearParameters();

    void prepare();
    void unprepare();
    bool isPrepared() const { return prepared_ != nullptr; }

    // Runs a selecting statement and makes its result current; the first row is current.
    void open();
    // Runs a statement that selects nothing (DELETE, INSERT ...) and returns the rows changed.
    qint64 execute();
    void close();
    bool isOpen() const { return result_ != nullptr; }

    // Fields of the open result (data fields, then calculated and lookup fields).
    const QList<FieldDef>& fields() const;
    int fieldIndex(const QString& name) const;  // -1 when there is none; case-insensitive
    // The fields the statement itself selects, without the calculated and lookup fields.
    QList<FieldDef> dataFields() const;
    // Result fields of the statement without opening it (prepares it); used by the result copy.
    QList<FieldDef> resultFields();

    // Exact number of visible rows of the open result (after the record filter).
    qint64 recordCount() const;
    // Value of a visible row; rows counted from 0.
    QVariant value(qint64 row, int field) const;
    QVariant value(qint64 row, const QString& field) const;

    // Record-cursor navigation over the open result.
    void first();
    void next();
    bool eof() const;
    bool isEmpty() const { return recordCount() == 0; }
    qint64 position() const { return cursor_; }
    QVariant field(const QString& name) const;
    qint64 asInteger(const QString& name) const;
    double asFloat(const QString& name) const;
    QString asString(const QString& name) const;
    QDate asDate(const QString& name) const;
    QTime asTime(const QString& name) const;

    // Record filter: set its text (parsed at once, refused when malformed) and switch it on or
    // off; both act on an open result immediately. The result must have an AbNumber field.
    void setFilter(const QString& text);
    void setFilter(const RecordFilter& filter);
    void setFiltered(bool on);
    bool isFiltered() const { return filtered_; }
    const RecordFilter& filter() const { return filter_; }

    // Calculated fields, filled by the handler for every fetched row.
    void addCalcField(const FieldDef& field);
    void setCalcHandler(std::function<void(RecordValues&)> handler);
    // A lookup field: the value of resultField in the row of lookupTable whose lookupKey equals
    // this result's keyField (empty when there is none). The lookup table is read at open.
    void addLookupField(const FieldDef& field, const QString& lookupTable, const QString& lookupKey,
                        const QString& lookupResult, const QString& keyField);

    // Binds this query's parameters on another statement that uses the same names; used by
    // the result copy to run the statement as INSERT ... SELECT.
    void bindParameters(Statement& statement) const;
    const DialectStatement& dialect();

  private:
    struct Result;
    struct Lookup {
        FieldDef field;
        QString table, key, result, keyField;
        QHash<QString, QVariant> values;
    };

    void setParameter(const QString& name, const QVariant& stored);
    void checkParametersBound();
    void loadLookups();
    void applyFilter();
    void loadPage(qint64 row) const;
    void dropResultTable(const QString& table) noexcept;
    QList<FieldDef> inferFields(Statement& statement, QList<int>* unknownOut = nullptr);
    FieldType typeOfColumnRef(const QString& qualifier, const QString& column);
    std::optional<FieldType> declaredTypeOf(const QString& qualifier, const QString& column);
    // The name of a result column as the table files give it: the server folds unquoted names to
    // lower case, so a column read from a table takes the spelling written in the statement or
    // declared in the table.
    QString columnSpelling(const QString& name, const SelectColumn* written);

    Database* db_;
    QString name_;
    QString sql_;
    std::unique_ptr<DialectStatement> dialect_;
    std::unique_ptr<PreparedSql> prepared_;
    QMap<QString, QVariant> parameters_;  // lower-case name -> stored value
    std::unique_ptr<Result> result_;
    RecordFilter filter_;
    bool filtered_ = false;
    QList<FieldDef> calcFields_;
    std::function<void(RecordValues&)> calcHandler_;
    QList<Lookup> lookups_;
    qint64 cursor_ = 0;
};

}  // namespace orv::db
