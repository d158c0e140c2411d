#include "utils/TableEditModel.h"

#include "core/Error.h"

namespace orv::utils {
namespace {

constexpr int kWindowRows = 256;  // rows fetched at a time
constexpr int kKeptWindows = 16;  // windows held; about a screenful of rows many times over

}  // namespace

TableEditModel::TableEditModel(QObject* parent) : QAbstractTableModel(parent) {}

void TableEditModel::open(db::Database& database, const QString& tableName) {
    const QString canonical = database.canonicalName(tableName);
    const QList<db::FieldDef> fields = database.fields(canonical);
    auto rows = std::make_unique<EditableRows>(database, canonical, fields);
    std::vector<RowKey> keys = rows->keys();
    beginResetModel();
    database_ = &database;
    table_ = canonical;
    fields_ = fields;
    rows_ = std::move(rows);
    keys_ = std::move(keys);
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
    rows_.reset();
    keys_.clear();
    keys_.shrink_to_fit();
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
    QVector<Row> rows = rows_->read(keys_, first, last);
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
    const int row = editRow_;
    if (state_ == State::Insert) {
        keys_.push_back(rows_->insert(buffer_));
    } else if (const std::optional<RowKey> key = rows_->update(keys_[row], buffer_)) {
        keys_[row] = *key;
    } else {
        refuseGoneRow(QStringLiteral("изменение не записано"));
    }
    dropWindowsFrom(row);
    buffer_.clear();
    setState(State::Browse, -1);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void TableEditModel::refuseGoneRow(const QString& what) {
    refresh();
    raise(Error::Kind::Refused,
          QStringLiteral("Запись изменена или удалена на другом рабочем месте, пока была открыта "
                         "здесь: %1. Таблица %2 перечитана")
              .arg(what, table_));
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
    if (!rows_->remove(keys_[row])) refuseGoneRow(QStringLiteral("запись не удалена"));
    beginRemoveRows({}, row, row);
    if (state_ != State::Browse) {
        state_ = State::Browse;
        editRow_ = -1;
        buffer_.clear();
    }
    keys_.erase(keys_.begin() + row);
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
