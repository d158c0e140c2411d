#include "utils/TableEditModel.h"

#include "core/Error.h"
#include "db/Sqlite.h"

#include <QStringList>

namespace orv::utils {
namespace {

constexpr int kWindowRows = 256;  // rows fetched at a time
constexpr int kKeptWindows = 16;  // windows held; about a screenful of rows many times over

QString fieldMessage(const db::FieldDef& field, const QString& reason) {
    return QStringLiteral("Поле %1: %2").arg(field.name, reason);
}

}  // namespace

TableEditModel::TableEditModel(QObject* parent) : QAbstractTableModel(parent) {}

void TableEditModel::open(db::Database& database, const QString& tableName) {
    const QString canonical = database.canonicalName(tableName);
    const QList<db::FieldDef> fields = database.fields(canonical);
    std::vector<qint64> rowids;
    db::Statement read(
        database.connection(),
        QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid").arg(database.qualified(canonical)));
    while (read.step()) rowids.push_back(read.columnInt(0));
    beginResetModel();
    database_ = &database;
    table_ = canonical;
    fields_ = fields;
    rowids_ = std::move(rowids);
    windows_.clear();
    windowOrder_.clear();
    buffer_.clear();
    editRow_ = -1;
    state_ = State::Browse;
    endResetModel();
    emit stateChanged();
}

void TableEditModel::close() {
    if (state_ == State::Inactive) return;
    beginResetModel();
    state_ = State::Inactive;
    database_ = nullptr;
    fields_.clear();
    rowids_.clear();
    rowids_.shrink_to_fit();
    windows_.clear();
    windowOrder_.clear();
    buffer_.clear();
    editRow_ = -1;
    endResetModel();
    emit stateChanged();
}

void TableEditModel::refresh() {
    if (!isOpen()) return;
    db::Database& database = *database_;
    const QString table = table_;
    open(database, table);
}

void TableEditModel::loadWindow(qint64 window) const {
    const qint64 first = window * kWindowRows;
    const qint64 last = std::min<qint64>(first + kWindowRows, recordCount()) - 1;
    QVector<Row> rows(static_cast<int>(last - first + 1), Row(fields_.size()));
    db::Statement read(database_->connection(),
                       QStringLiteral("SELECT rowid, * FROM %1 WHERE rowid BETWEEN ? AND ? "
                                      "ORDER BY rowid")
                           .arg(database_->qualified(table_)));
    read.bind(1, rowids_[first]);
    read.bind(2, rowids_[last]);
    qint64 at = first;
    // Rows deleted by another program since opening stay empty; rows it appended are skipped.
    while (read.step() && at <= last) {
        const qint64 rowid = read.columnInt(0);
        while (at <= last && rowids_[at] < rowid) ++at;
        if (at > last || rowids_[at] != rowid) continue;
        Row& row = rows[static_cast<int>(at - first)];
        for (int i = 0; i < fields_.size() && i + 1 < read.columnCount(); ++i)
            row[i] = db::fromStorage(read.column(i + 1), fields_[i].type);
        ++at;
    }
    if (windows_.size() >= kKeptWindows) windows_.remove(windowOrder_.takeFirst());
    windows_.insert(window, rows);
    windowOrder_.append(window);
}

const TableEditModel::Row& TableEditModel::rowValues(int row) const {
    const qint64 window = row / kWindowRows;
    if (!windows_.contains(window)) loadWindow(window);
    return windows_[window][row % kWindowRows];
}

void TableEditModel::dropWindowsFrom(int row) {
    const qint64 from = row / kWindowRows;
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (it.key() >= from) {
            windowOrder_.removeAll(it.key());
            it = windows_.erase(it);
        } else {
            ++it;
        }
    }
}

QVariant TableEditModel::value(int row, int column) const {
    if (!isOpen() || column < 0 || column >= fields_.size() || row < 0 || row >= rowCount())
        return {};
    if (row == editRow()) return buffer_.value(column);
    return rowValues(row).value(column);
}

bool TableEditModel::insertIsEmpty() const {
    if (state_ != State::Insert) return false;
    for (const QVariant& v : buffer_)
        if (!v.isNull()) return false;
    return true;
}

void TableEditModel::setState(State state, int row) {
    const int before = editRow();
    state_ = state;
    editRow_ = row;
    if (before >= 0 && before < rowCount()) emit headerDataChanged(Qt::Vertical, before, before);
    if (editRow() >= 0) emit headerDataChanged(Qt::Vertical, editRow(), editRow());
    emit stateChanged();
}

void TableEditModel::edit(int row) {
    if (!isOpen() || row == editRow()) return;
    if (row < 0 || row >= recordCount())
        raise(Error::Kind::Engine, QStringLiteral("Нет текущей записи в таблице %1").arg(table_));
    post();
    buffer_ = rowValues(row);
    setState(State::Edit, row);
}

int TableEditModel::insertRecord() {
    if (!isOpen()) raise(Error::Kind::Engine, QStringLiteral("Таблица не открыта"));
    post();
    const int row = static_cast<int>(recordCount());
    beginInsertRows({}, row, row);
    buffer_ = Row(fields_.size());
    state_ = State::Insert;
    editRow_ = row;
    endInsertRows();
    emit headerDataChanged(Qt::Vertical, row, row);
    emit stateChanged();
    return row;
}

QVariant TableEditModel::checkedValue(int column, const QVariant& value) const {
    const db::FieldDef& field = fields_[column];
    QVariant typed = value;
    if (typed.typeId() == QMetaType::QString && typed.toString().trimmed().isEmpty() &&
        field.type != db::FieldType::String)
        typed = QVariant();
    QVariant stored;
    try {
        stored = db::toStorage(typed, field.type);
    } catch (const Error& e) {
        raise(Error::Kind::Conversion, fieldMessage(field, e.message()));
    }
    if (field.type == db::FieldType::String && field.size > 0 &&
        stored.toString().size() > field.size)
        raise(Error::Kind::Conversion,
              fieldMessage(field, QStringLiteral("значение длиннее %1 символов").arg(field.size)));
    return db::fromStorage(stored, field.type);
}

void TableEditModel::setValue(int row, int column, const QVariant& value) {
    if (column < 0 || column >= fields_.size()) return;
    if (row != editRow()) edit(row);
    buffer_[column] = checkedValue(column, value);
    emit dataChanged(index(row, column), index(row, column));
}

void TableEditModel::post() {
    if (state_ != State::Edit && state_ != State::Insert) return;
    QStringList columns;
    for (const db::FieldDef& f : fields_) columns.append(db::quoteIdentifier(f.name));
    const QString target = database_->qualified(table_);
    const bool inserting = state_ == State::Insert;
    QString sql;
    if (inserting) {
        QStringList marks;
        for (int i = 0; i < fields_.size(); ++i) marks.append(QStringLiteral("?"));
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(target, columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    } else {
        QStringList sets;
        for (const QString& c : columns) sets.append(c + QStringLiteral(" = ?"));
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                  .arg(target, sets.join(QLatin1Char(',')));
    }
    db::Statement write(database_->connection(), sql);
    for (int i = 0; i < fields_.size(); ++i) {
        try {
            write.bind(i + 1, db::toStorage(buffer_[i], fields_[i].type));
        } catch (const Error& e) {
            raise(Error::Kind::Conversion, fieldMessage(fields_[i], e.message()));
        }
    }
    if (!inserting) write.bind(static_cast<int>(fields_.size()) + 1, rowids_[editRow_]);
    write.run();
    const int row = editRow_;
    if (inserting) rowids_.push_back(database_->connection().lastInsertRowid());
    dropWindowsFrom(row);
    buffer_.clear();
    setState(State::Browse, -1);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void TableEditModel::cancel() {
    if (state_ == State::Insert) {
        const int row = editRow_;
        beginRemoveRows({}, row, row);
        state_ = State::Browse;
        editRow_ = -1;
        buffer_.clear();
        endRemoveRows();
        emit stateChanged();
    } else if (state_ == State::Edit) {
        const int row = editRow_;
        buffer_.clear();
        setState(State::Browse, -1);
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
}

void TableEditModel::deleteRecord(int row) {
    if (!isOpen()) return;
    if (state_ == State::Insert && row == editRow_) {
        cancel();
        return;
    }
    if (row < 0 || row >= recordCount())
        raise(Error::Kind::Engine, QStringLiteral("Нет текущей записи в таблице %1").arg(table_));
    if (state_ == State::Edit && row != editRow_) post();
    db::Statement remove(
        database_->connection(),
        QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(database_->qualified(table_)));
    remove.bind(1, rowids_[row]);
    remove.run();
    beginRemoveRows({}, row, row);
    if (state_ != State::Browse) {
        state_ = State::Browse;
        editRow_ = -1;
        buffer_.clear();
    }
    rowids_.erase(rowids_.begin() + row);
    dropWindowsFrom(row);
    endRemoveRows();
    emit stateChanged();
}

int TableEditModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !isOpen()) return 0;
    return static_cast<int>(recordCount()) + (state_ == State::Insert ? 1 : 0);
}

int TableEditModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(fields_.size());
}

QVariant TableEditModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return db::displayText(value(index.row(), index.column()));
    if (role == Qt::TextAlignmentRole) {
        const db::FieldType type = fields_[index.column()].type;
        const bool number = type == db::FieldType::Integer || type == db::FieldType::SmallInt ||
                            type == db::FieldType::Float;
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    return {};
}

bool TableEditModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    if (db::displayText(this->value(index.row(), index.column())) == value.toString()) return true;
    try {
        setValue(index.row(), index.column(), value);
        return true;
    } catch (const Error& e) {
        emit refused(e.message());
        return false;
    }
}

Qt::ItemFlags TableEditModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant TableEditModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return section < fields_.size() ? fields_[section].name : QString();
    if (section != editRow()) return QString();
    return state_ == State::Insert ? QStringLiteral("*") : QStringLiteral("I");
}

}  // namespace orv::utils
