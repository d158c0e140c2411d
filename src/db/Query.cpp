#include "db/Query.h"

#include "core/Error.h"
#include "db/Dialect.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <algorithm>

namespace orv::db {
namespace {

constexpr qint64 kPageRows = 256;

int indexOfField(const QList<FieldDef>& fields, const QString& name) {
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

[[noreturn]] void noSuchField(const QString& name) {
    raise(Error::Kind::Engine, QStringLiteral("Поле %1 не найдено").arg(name));
}

QString lookupKey(const QVariant& v) {
    return v.typeId() == QMetaType::QString ? v.toString().toLower() : displayText(v);
}

FieldType typeOfStorage(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::LongLong:
            return FieldType::Integer;
        case QMetaType::Double:
            return FieldType::Float;
        // A server gives dates and times typed; table files keep them as text.
        case QMetaType::QDate:
            return FieldType::Date;
        case QMetaType::QTime:
            return FieldType::Time;
        case QMetaType::QDateTime:
            return FieldType::DateTime;
        default:
            return FieldType::String;
    }
}

// Type of a result column whose expression says nothing: that of its first non-empty value.
FieldType storedType(Database& db, const QString& table, const QString& column) {
    Statement probe = db.statement(QStringLiteral("SELECT %1 FROM %2 WHERE %1 IS NOT NULL LIMIT 1")
                                       .arg(column, db.temporaryTable(table)));
    if (!probe.step()) return FieldType::String;
    const FieldType type = typeOfStorage(probe.column(0));
    probe.run();
    return type;
}

int resultCounter() {
    static int counter = 0;
    return ++counter;
}

}  // namespace

QVariant RecordValues::value(const QString& field) const { return (*values_)[index(field)]; }

void RecordValues::setValue(const QString& field, const QVariant& value) {
    (*values_)[index(field)] = value;
}

int RecordValues::index(const QString& field) const {
    const int i = indexOfField(*fields_, field);
    if (i < 0) noSuchField(field);
    return i;
}

// The materialised result of an open statement.
struct Query::Result {
    QString table;           // temporary table holding the rows, numbered 1..total
    QStringList columns;     // its column names, quoted
    QList<FieldDef> fields;  // data fields, then calculated and lookup fields
    int dataFields = 0;
    qint64 total = 0;             // rows of the statement
    std::vector<qint64> visible;  // rowids passing the filter, when filtered
    bool useVisible = false;
    std::unique_ptr<Statement> fetch;
    mutable qint64 pageStart = -1;  // first visible row of the cached page
    mutable std::vector<QVector<QVariant>> page;
};

Query::Query(Database& db, const QString& sql) : db_(&db) { setSql(sql); }

Query::~Query() { close(); }

void Query::setSql(const QString& sql) {
    close();
    unprepare();
    sql_ = sql;
    dialect_.reset();
}

const DialectStatement& Query::dialect() {
    if (!dialect_) dialect_ = std::make_unique<DialectStatement>(sql_);
    return *dialect_;
}

QStringList Query::parameterNames() { return dialect().parameters(); }

void Query::setParameter(const QString& name, const QVariant& stored) {
    QString key = name.startsWith(QLatin1Char(':')) ? name.mid(1) : name;
    parameters_.insert(key.toLower(), stored);
}

void Query::setInteger(const QString& name, qint64 value) { setParameter(name, value); }
void Query::setFloat(const QString& name, double value) { setParameter(name, value); }
void Query::setString(const QString& name, const QString& value) { setParameter(name, value); }

void Query::setDate(const QString& name, const QDate& value) {
    setParameter(name, toStorage(value, FieldType::Date));
}

void Query::setTime(const QString& name, const QTime& value) {
    setParameter(name, toStorage(value, FieldType::Time));
}

void Query::setDateTime(const QString& name, const QDateTime& value) {
    if (value.time() == QTime(0, 0))
        setParameter(name, toStorage(value.date(), FieldType::Date));
    else
        setParameter(name, toStorage(value, FieldType::DateTime));
}

void Query::clearParameters() { parameters_.clear(); }

void Query::checkParametersBound() {
    for (const QString& name : dialect().parameters())
        if (!parameters_.contains(name.toLower()))
            raise(Error::Kind::Engine,
                  QStringLiteral("Не задано значение параметра :%1").arg(name));
}

void Query::bindParameters(Statement& statement) const {
    for (int i = 1; i <= statement.parameterCount(); ++i) {
        const QString name = statement.parameterName(i).toLower();
        const auto it = parameters_.constFind(name);
        if (it == parameters_.constEnd())
            raise(Error::Kind::Engine,
                  QStringLiteral("Не задано значение параметра :%1").arg(name));
        statement.bind(i, *it);
    }
}

void Query::prepare() {
    if (prepared_) return;
    prepared_ = std::make_unique<PreparedSql>(db_->prepare(dialect()));
}

void Query::unprepare() { prepared_.reset(); }

std::optional<FieldType> Query::declaredTypeOf(const QString& qualifier, const QString& column) {
    for (const auto& [alias, table] : dialect().fromAliases()) {
        if (!qualifier.isEmpty() && alias.compare(qualifier, Qt::CaseInsensitive) != 0) continue;
        if (!db_->tableExists(table)) continue;
        const QList<FieldDef> fields = db_->fields(table);
        const int i = indexOfField(fields, column);
        if (i >= 0) return fields[i].type;
    }
    return std::nullopt;
}

FieldType Query::typeOfColumnRef(const QString& qualifier, const QString& column) {
    return declaredTypeOf(qualifier, column).value_or(FieldType::String);
}

QString Query::columnSpelling(const QString& name, const SelectColumn* written) {
    if (!db_->isServer() || name != name.toLower()) return name;
    if (written && !written->star && written->alias.isEmpty())
        return written->column.compare(name, Qt::CaseInsensitive) == 0 ? written->column : name;
    for (const auto& [alias, table] : dialect().fromAliases()) {
        if (!db_->tableExists(table)) continue;
        const QList<FieldDef> fields = db_->fields(table);
        const int i = indexOfField(fields, name);
        if (i >= 0) return fields[i].name;
    }
    return name;
}

// Field names and types of the statement's result: a column taken from a table keeps that
// column's type, Count is an integer, Sum, Avg and arithmetic are floats, Max and Min keep the
// type of their argument. Other expressions take the type of their first non-empty value.
QList<FieldDef> Query::inferFields(Statement& statement, QList<int>* unknownOut) {
    const QList<SelectColumn>& columns = dialect().selectColumns();
    const bool parallel = columns.size() == statement.columnCount();
    QList<FieldDef> fields;
    QList<int> unknown;
    for (int i = 0; i < statement.columnCount(); ++i) {
        FieldDef f;
        const QString name =
            columnSpelling(statement.columnName(i), parallel ? &columns[i] : nullptr);
        f.name = name;
        for (int n = 1; indexOfField(fields, f.name) >= 0; ++n)
            f.name = name + QLatin1Char('_') + QString::number(n);
        const QString decl = statement.columnDeclType(i);
        if (!decl.isEmpty()) {
            f.type = fieldTypeFromDecl(decl, &f.size);
        } else if (parallel && !columns[i].star) {
            const SelectColumn& c = columns[i];
            // The server names no table for the columns of a UNION, where SQLite gives the
            // first select's; its table columns are typed from their declaration rather than by
            // running the whole statement for a row.
            const std::optional<FieldType> declared =
                db_->isServer() && c.function.isEmpty() && !c.arithmetic && !c.column.isEmpty()
                    ? declaredTypeOf(c.qualifier, c.column)
                    : std::nullopt;
            if (declared)
                f.type = *declared;
            else if (c.function == QLatin1String("COUNT"))
                f.type = FieldType::Integer;
            else if (c.function == QLatin1String("SUM") || c.function == QLatin1String("AVG") ||
                     c.arithmetic)
                f.type = FieldType::Float;
            else if ((c.function == QLatin1String("MAX") || c.function == QLatin1String("MIN")) &&
                     !c.column.isEmpty())
                f.type = typeOfColumnRef(c.qualifier, c.column);
            else
                unknown.append(i);
        } else {
            unknown.append(i);
        }
        fields.append(f);
    }
    if (unknownOut) {
        *unknownOut = unknown;
    } else if (!unknown.isEmpty()) {
        bindParameters(statement);
        const bool row = statement.step();
        for (int i : unknown)
            fields[i].type = typeOfStorage(row ? statement.column(i) : QVariant());
        statement.reset();
    }
    return fields;
}

QList<FieldDef> Query::resultFields() {
    if (!dialect().isSelecting())
        raise(Error::Kind::Engine, QStringLiteral("Запрос не выбирает записей"));
    prepare();
    checkParametersBound();
    return inferFields(prepared_->statement());
}

void Query::open() {
    close();
    if (!dialect().isSelecting()) {
        // A text the engine cannot read is an error in it, not a statement to execute.
        prepare();
        prepared_.reset();
        raise(Error::Kind::Engine,
              QStringLiteral("Запрос не выбирает записей; его нужно выполнить"));
    }
    checkParametersBound();
    auto result = std::make_unique<Result>();
    result->table = QStringLiteral("orv_rs_%1").arg(resultCounter());
    Database& db = *db_;
    const QString table = db.temporaryTable(result->table);
    const QString number = db.resultRowNumber();
    try {
        {
            // The rows go into the temporary table first; the statement is then prepared again
            // for the result's metadata, against the schema as the copy saw it.
            prepared_.reset();
            PreparedSql copy =
                db_->prepare(dialect(), result->table, Database::Target::NewTemporary);
            bindParameters(copy.statement());
            copy.statement().run();
        }
        // The server numbers the rows in a column of its own; pages are read by that number.
        if (db.isServer()) db.execute(QStringLiteral("CREATE INDEX ON %1 (%2)").arg(table, number));
        {
            Statement count = db.statement(QStringLiteral("SELECT count(*) FROM %1").arg(table));
            count.step();
            result->total = count.columnInt(0);
            count.run();
        }
        prepare();
        QList<int> unknown;
        result->fields = inferFields(prepared_->statement(), &unknown);
        result->dataFields = static_cast<int>(result->fields.size());
        {
            Statement shape = db.statement(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(table));
            for (int i = 0; i < shape.columnCount(); ++i)
                if (!db.isServer() || shape.columnName(i) != number)
                    result->columns.append(quoteIdentifier(shape.columnName(i)));
            shape.run();
        }
        if (result->columns.size() != result->dataFields)
            raise(Error::Kind::Engine,
                  QStringLiteral("Структура таблиц изменилась во время запроса; повторите его"));
        for (int i : unknown)
            result->fields[i].type = storedType(db, result->table, result->columns[i]);
        // The rows are in the temporary table: the statement's attachments are not needed while
        // the result is open, and other statements may need their room.
        prepared_.reset();
        result->fetch = std::make_unique<Statement>(db.statement(
            QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 BETWEEN %4 AND %5 ORDER BY %1")
                .arg(number, result->columns.join(QStringLiteral(", ")), table,
                     db.parameterMarker(1), db.parameterMarker(2))));
    } catch (...) {
        dropResultTable(result->table);
        throw;
    }
    result_ = std::move(result);
    try {
        loadLookups();
    } catch (...) {
        close();  // a missing lookup table leaves no open result behind
        throw;
    }
    result_->fields += calcFields_;
    applyFilter();
}

void Query::loadLookups() {
    for (Lookup& lookup : lookups_) {
        lookup.values.clear();
        const QList<FieldDef> fields = db_->fields(lookup.table);
        const int key = indexOfField(fields, lookup.key);
        const int value = indexOfField(fields, lookup.result);
        if (key < 0) noSuchField(lookup.key);
        if (value < 0) noSuchField(lookup.result);
        // The first row of a key in the table's order gives its value.
        Statement read = db_->statement(QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %4")
                                            .arg(fields[key].name, fields[value].name,
                                                 db_->qualified(lookup.table), db_->rowIdentity()));
        while (read.step()) {
            const QString k = lookupKey(fromStorage(read.column(0), fields[key].type));
            if (!lookup.values.contains(k))
                lookup.values.insert(k, fromStorage(read.column(1), fields[value].type));
        }
        result_->fields.append(lookup.field);
    }
}

qint64 Query::execute() {
    close();
    const DialectStatement& statement = dialect();
    if (statement.kind() == StatementKind::DropTable) {
        for (const TableRef& ref : statement.tables())
            if (ref.use == TableUse::Drop) db_->dropTable(ref.name);
        return 0;
    }
    prepare();
    checkParametersBound();
    Statement& s = prepared_->statement();
    s.reset();
    bindParameters(s);
    qint64 changed = 0;
    try {
        changed = s.run();
    } catch (...) {
        s.reset();
        throw;
    }
    s.reset();
    return changed;
}

void Query::dropResultTable(const QString& table) noexcept {
    try {
        db_->execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(db_->temporaryTable(table)));
    } catch (const Error&) {
        // Dropped with the connection at the latest.
    }
}

void Query::close() {
    if (!result_) return;
    const QString table = result_->table;
    result_.reset();
    // open() prepares afresh anyway; releasing the statement now lets its table files be
    // detached, so that a closed view does not hold attachment slots a transaction needs.
    prepared_.reset();
    cursor_ = 0;
    dropResultTable(table);
}

}  // namespace orv::db

namespace orv::db {

const QList<FieldDef>& Query::fields() const {
    if (!result_) raise(Error::Kind::Engine, QStringLiteral("Запрос не открыт"));
    return result_->fields;
}

int Query::fieldIndex(const QString& name) const { return indexOfField(fields(), name); }

QList<FieldDef> Query::dataFields() const {
    const QList<FieldDef>& all = fields();
    return all.mid(0, all.size() - calcFields_.size() - lookups_.size());
}

qint64 Query::recordCount() const {
    if (!result_) return 0;
    return result_->useVisible ? static_cast<qint64>(result_->visible.size()) : result_->total;
}

void Query::loadPage(qint64 row) const {
    Result& r = *result_;
    const qint64 start = row - row % kPageRows;
    const qint64 end = std::min(start + kPageRows, recordCount());
    const qint64 fromRowid = r.useVisible ? r.visible[start] : start + 1;
    const qint64 toRowid = r.useVisible ? r.visible[end - 1] : end;
    r.page.clear();
    r.page.reserve(end - start);
    Statement& fetch = *r.fetch;
    fetch.reset();
    fetch.bind(1, fromRowid);
    fetch.bind(2, toRowid);
    qint64 next = start;
    while (fetch.step() && next < end) {
        const qint64 rowid = fetch.columnInt(0);
        if (r.useVisible && rowid != r.visible[next]) continue;
        QVector<QVariant> values(r.fields.size());
        for (int i = 0; i < r.dataFields; ++i)
            values[i] = fromStorage(fetch.column(i + 1), r.fields[i].type);
        int at = r.dataFields;
        for (const Lookup& lookup : lookups_) {
            const int keyIndex = indexOfField(r.fields, lookup.keyField);
            values[at++] =
                keyIndex < 0 ? QVariant() : lookup.values.value(lookupKey(values[keyIndex]));
        }
        if (calcHandler_) {
            RecordValues record(&r.fields, &values);
            calcHandler_(record);
        }
        r.page.push_back(std::move(values));
        ++next;
    }
    fetch.reset();
    r.pageStart = start;
}

QVariant Query::value(qint64 row, int field) const {
    if (!result_ || row < 0 || row >= recordCount() || field < 0 || field >= result_->fields.size())
        return {};
    if (result_->pageStart < 0 || row < result_->pageStart ||
        row >= result_->pageStart + static_cast<qint64>(result_->page.size()))
        loadPage(row);
    return result_->page[row - result_->pageStart][field];
}

QVariant Query::value(qint64 row, const QString& field) const {
    const int i = fieldIndex(field);
    if (i < 0) noSuchField(field);
    return value(row, i);
}

void Query::first() { cursor_ = 0; }
void Query::next() {
    if (cursor_ < recordCount()) ++cursor_;
}
bool Query::eof() const { return cursor_ >= recordCount(); }

QVariant Query::field(const QString& name) const {
    if (eof()) raise(Error::Kind::Engine, QStringLiteral("Нет текущей записи"));
    return value(cursor_, name);
}

qint64 Query::asInteger(const QString& name) const { return field(name).toLongLong(); }
double Query::asFloat(const QString& name) const { return field(name).toDouble(); }
QString Query::asString(const QString& name) const { return displayText(field(name)); }
QDate Query::asDate(const QString& name) const { return field(name).toDate(); }
QTime Query::asTime(const QString& name) const { return field(name).toTime(); }

void Query::setFilter(const QString& text) { setFilter(RecordFilter::parse(text)); }

void Query::setFilter(const RecordFilter& filter) {
    filter_ = filter;
    applyFilter();
}

void Query::setFiltered(bool on) {
    filtered_ = on;
    applyFilter();
}

void Query::applyFilter() {
    if (!result_) return;
    Result& r = *result_;
    r.pageStart = -1;
    r.page.clear();
    cursor_ = 0;
    r.visible.clear();
    r.useVisible = filtered_ && !filter_.isEmpty();
    if (!r.useVisible) return;
    const int numberField = indexOfField(r.fields, QStringLiteral("AbNumber"));
    if (numberField < 0 || numberField >= r.dataFields)
        raise(Error::Kind::Engine, QStringLiteral("Поле AbNumber не найдено"));
    Statement scan = db_->statement(
        QStringLiteral("SELECT %1, %2 FROM %3 ORDER BY %1")
            .arg(db_->resultRowNumber(), r.columns[numberField], db_->temporaryTable(r.table)));
    while (scan.step())
        if (filter_.accepts(scan.columnInt(1))) r.visible.push_back(scan.columnInt(0));
}

void Query::addCalcField(const FieldDef& field) {
    close();
    calcFields_.append(field);
}

void Query::setCalcHandler(std::function<void(RecordValues&)> handler) {
    calcHandler_ = std::move(handler);
    if (result_) {
        result_->pageStart = -1;
        result_->page.clear();
    }
}

void Query::addLookupField(const FieldDef& field, const QString& lookupTable,
                           const QString& lookupKey, const QString& lookupResult,
                           const QString& keyField) {
    close();
    lookups_.append(Lookup{field, lookupTable, lookupKey, lookupResult, keyField, {}});
}

}  // namespace orv::db
