#include "db/Table.h"

#include "core/Error.h"

#include <algorithm>

namespace orv::db {
namespace {

QString lookupKey(const QVariant& v) {
    return v.typeId() == QMetaType::QString ? v.toString().toLower() : displayText(v);
}

QStringList splitFields(const QString& fields) {
    QStringList result;
    for (const QString& f : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        result.append(f.trimmed());
    return result;
}

}  // namespace

Table::Table(Database& db, const QString& tableName) : db_(&db), name_(tableName) {}

void Table::setTableName(const QString& name) {
    close();
    name_ = name;
}

void Table::setIndexName(const QString& index) {
    indexName_ = index;
    indexFields_.clear();
    if (isOpen()) loadRowids();
}

void Table::setIndexFieldNames(const QString& fields) {
    indexFields_ = fields;
    indexName_.clear();
    if (isOpen()) loadRowids();
}

bool Table::exists() const { return db_->tableExists(name_); }

void Table::requireOpen() const {
    if (state_ == State::Inactive)
        raise(Error::Kind::Engine, QStringLiteral("Таблица %1 не открыта").arg(name_));
}

int Table::indexOf(const QString& name) const {
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

int Table::requireField(const QString& name) const {
    const int i = indexOf(name);
    if (i < 0) raise(Error::Kind::Engine, QStringLiteral("Поле %1 не найдено").arg(name));
    return i;
}

QString Table::orderClause() const {
    QStringList order;
    if (!indexName_.isEmpty()) {
        const TableDef def = db_->tableDef(name_);
        bool found = false;
        for (const IndexDef& index : def.indexes) {
            if (index.name.compare(indexName_, Qt::CaseInsensitive) == 0) {
                order = index.fields;
                found = true;
            }
        }
        if (!found)
            raise(Error::Kind::Engine,
                  QStringLiteral("У таблицы %1 нет индекса %2").arg(name_, indexName_));
    } else {
        order = splitFields(indexFields_);
    }
    QStringList quoted;
    for (const QString& f : order) {
        requireField(f);
        quoted.append(quoteIdentifier(f));
    }
    quoted.append(QStringLiteral("rowid"));
    return quoted.join(QStringLiteral(", "));
}

void Table::open() {
    if (isOpen()) return;
    fields_ = db_->fields(name_);
    state_ = State::Browse;
    try {
        loadRowids();
        for (Lookup& lookup : lookups_) {
            lookup.values.clear();
            Statement read(db_->connection(),
                           QStringLiteral("SELECT %1, %2 FROM %3")
                               .arg(quoteIdentifier(lookup.key), quoteIdentifier(lookup.result),
                                    db_->qualified(lookup.table)));
            while (read.step()) {
                const QString k = lookupKey(read.column(0));
                if (!lookup.values.contains(k)) lookup.values.insert(k, read.column(1));
            }
        }
    } catch (...) {
        close();
        throw;
    }
}

void Table::close() {
    state_ = State::Inactive;
    rowids_.clear();
    current_.clear();
    currentRowid_ = -1;
    position_ = 0;
}

void Table::loadRowids() {
    rowids_.clear();
    Statement read(db_->connection(), QStringLiteral("SELECT rowid FROM %1 ORDER BY %2")
                                          .arg(db_->qualified(name_), orderClause()));
    while (read.step()) rowids_.push_back(read.columnInt(0));
    position_ = 0;
    loadCurrent();
}

void Table::loadCurrent() {
    current_ = QVector<QVariant>(fields_.size());
    currentRowid_ = -1;
    if (position_ >= static_cast<qint64>(rowids_.size())) return;
    currentRowid_ = rowids_[position_];
    Statement read(db_->connection(),
                   QStringLiteral("SELECT * FROM %1 WHERE rowid = ?").arg(db_->qualified(name_)));
    read.bind(1, currentRowid_);
    if (!read.step()) return;
    for (int i = 0; i < fields_.size() && i < read.columnCount(); ++i)
        current_[i] = fromStorage(read.column(i), fields_[i].type);
}

void Table::first() {
    requireOpen();
    if (state_ != State::Browse) cancel();
    position_ = 0;
    loadCurrent();
}

void Table::next() {
    requireOpen();
    if (state_ != State::Browse) post();
    if (position_ < static_cast<qint64>(rowids_.size())) ++position_;
    loadCurrent();
}

bool Table::eof() const { return !isOpen() || position_ >= static_cast<qint64>(rowids_.size()); }

qint64 Table::recordCount() const {
    if (isOpen()) return static_cast<qint64>(rowids_.size());
    Statement count(db_->connection(),
                    QStringLiteral("SELECT count(*) FROM %1").arg(db_->qualified(name_)));
    count.step();
    return count.columnInt(0);
}

QVariant Table::field(const QString& name) const {
    requireOpen();
    const int i = indexOf(name);
    if (i >= 0) return current_.value(i);
    for (const Lookup& lookup : lookups_) {
        if (lookup.field.name.compare(name, Qt::CaseInsensitive) != 0) continue;
        return lookup.values.value(lookupKey(field(lookup.keyField)));
    }
    raise(Error::Kind::Engine, QStringLiteral("Поле %1 не найдено").arg(name));
}

void Table::setField(const QString& name, const QVariant& value) {
    requireOpen();
    if (state_ == State::Browse)
        raise(Error::Kind::Engine, QStringLiteral("Таблица %1 не в режиме правки").arg(name_));
    const int i = requireField(name);
    const QVariant stored = toStorage(value, fields_[i].type);
    checkValue(fields_[i], stored);
    current_[i] = fromStorage(stored, fields_[i].type);
}

void Table::checkValue(const FieldDef& field, const QVariant& stored) const {
    if (field.type == FieldType::String && field.size > 0 && stored.toString().size() > field.size)
        raise(Error::Kind::Engine,
              QStringLiteral("Запись отклонена: значение поля %1 длиннее %2 символов")
                  .arg(field.name)
                  .arg(field.size));
}

void Table::append() {
    requireOpen();
    if (state_ != State::Browse) post();
    current_ = QVector<QVariant>(fields_.size());
    state_ = State::Insert;
}

void Table::appendRecord(const QVariantList& values) {
    append();
    try {
        for (int i = 0; i < values.size() && i < fields_.size(); ++i)
            setField(fields_[i].name, values[i]);
        post();
    } catch (...) {
        cancel();
        throw;
    }
}

void Table::edit() {
    requireOpen();
    if (state_ == State::Insert || state_ == State::Edit) return;
    if (eof())
        raise(Error::Kind::Engine, QStringLiteral("Нет текущей записи в таблице %1").arg(name_));
    state_ = State::Edit;
}

void Table::post() {
    requireOpen();
    if (state_ == State::Browse) return;
    QStringList columns;
    for (const FieldDef& f : fields_) columns.append(quoteIdentifier(f.name));
    if (state_ == State::Insert) {
        QStringList marks;
        for (int i = 0; i < fields_.size(); ++i) marks.append(QStringLiteral("?"));
        Statement insert(db_->connection(),
                         QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                             .arg(db_->qualified(name_), columns.join(QLatin1Char(',')),
                                  marks.join(QLatin1Char(','))));
        for (int i = 0; i < fields_.size(); ++i)
            insert.bind(i + 1, toStorage(current_[i], fields_[i].type));
        insert.run();
        const qint64 rowid = db_->connection().lastInsertRowid();
        if (indexName_.isEmpty() && indexFields_.isEmpty()) {
            rowids_.push_back(rowid);
            position_ = static_cast<qint64>(rowids_.size()) - 1;
        } else {
            state_ = State::Browse;
            loadRowids();
            position_ = std::find(rowids_.begin(), rowids_.end(), rowid) - rowids_.begin();
        }
    } else {
        QStringList sets;
        for (const QString& c : columns) sets.append(c + QStringLiteral(" = ?"));
        Statement update(db_->connection(),
                         QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                             .arg(db_->qualified(name_), sets.join(QLatin1Char(','))));
        for (int i = 0; i < fields_.size(); ++i)
            update.bind(i + 1, toStorage(current_[i], fields_[i].type));
        update.bind(static_cast<int>(fields_.size()) + 1, currentRowid_);
        update.run();
    }
    state_ = State::Browse;
    loadCurrent();
}

void Table::cancel() {
    if (state_ == State::Inactive) return;
    state_ = State::Browse;
    loadCurrent();
}

void Table::deleteRecord() {
    requireOpen();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (eof())
        raise(Error::Kind::Engine, QStringLiteral("Нет текущей записи в таблице %1").arg(name_));
    Statement remove(db_->connection(),
                     QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(db_->qualified(name_)));
    remove.bind(1, currentRowid_);
    remove.run();
    rowids_.erase(rowids_.begin() + position_);
    state_ = State::Browse;
    loadCurrent();
}

bool Table::locate(const QString& keyFields, const QVariantList& values) {
    requireOpen();
    if (state_ != State::Browse) post();
    const QStringList keys = splitFields(keyFields);
    if (keys.size() != values.size())
        raise(Error::Kind::Engine,
              QStringLiteral("Число значений не совпадает с числом полей ключа %1").arg(keyFields));
    QStringList conditions;
    QVariantList bound;
    for (int k = 0; k < keys.size(); ++k) {
        const FieldDef& f = fields_[requireField(keys[k])];
        const QString column = quoteIdentifier(f.name);
        QVariant stored;
        try {
            stored = toStorage(values[k], f.type);
        } catch (const Error&) {
            return false;  // a value that cannot be of the field's type equals no record
        }
        if (stored.isNull()) {
            conditions.append(column + QStringLiteral(" IS NULL"));
        } else {
            conditions.append(column + (f.type == FieldType::String
                                            ? QStringLiteral(" = ? COLLATE ORV_NOCASE")
                                            : QStringLiteral(" = ?")));
            bound.append(stored);
        }
    }
    Statement find(
        db_->connection(),
        QStringLiteral("SELECT rowid FROM %1 WHERE %2 ORDER BY %3")
            .arg(db_->qualified(name_), conditions.join(QStringLiteral(" AND ")), orderClause()));
    for (int i = 0; i < bound.size(); ++i) find.bind(i + 1, bound[i]);
    while (find.step()) {
        const auto it = std::find(rowids_.begin(), rowids_.end(), find.columnInt(0));
        if (it == rowids_.end()) continue;
        position_ = it - rowids_.begin();
        loadCurrent();
        return true;
    }
    return false;
}

void Table::createTable(const TableDef& def) {
    close();
    db_->createTable(def);
    name_ = def.name;
}

void Table::addPrimaryIndex(const QStringList& fields) {
    db_->addIndex(name_, IndexDef{{}, fields, true, true});
}

void Table::emptyTable() {
    db_->execute(QStringLiteral("DELETE FROM %1").arg(db_->qualified(name_)));
    if (isOpen()) loadRowids();
}

void Table::addLookupField(const FieldDef& field, const QString& lookupTable,
                           const QString& lookupKey, const QString& lookupResult,
                           const QString& keyField) {
    close();
    lookups_.append(Lookup{field, lookupTable, lookupKey, lookupResult, keyField, {}});
}

}  // namespace orv::db
