#include "ui/QueryModel.h"

#include "core/Error.h"
#include "core/Selection.h"
#include "core/Settings.h"

#include <algorithm>
#include <limits>

namespace orv::ui {

QueryModel::QueryModel(db::Query& query, QList<core::ViewColumn> columns, const QLocale& locale,
                       QObject* parent)
    : QAbstractTableModel(parent), query_(&query), columns_(std::move(columns)), locale_(locale) {
    refresh();
}

void QueryModel::refresh() {
    QList<int> indexes;
    QList<bool> numeric;
    int rows = 0;
    if (query_->isOpen()) {
        for (const core::ViewColumn& column : columns_) {
            const int i = query_->fieldIndex(column.field);
            if (i < 0) {
                beginResetModel();
                fieldIndexes_.clear();
                rows_ = 0;
                endResetModel();
                raise(Error::Kind::Engine, QStringLiteral("Поле %1 не найдено").arg(column.field));
            }
            indexes.append(i);
            const db::FieldType type = query_->fields()[i].type;
            numeric.append(type == db::FieldType::Integer || type == db::FieldType::SmallInt ||
                           type == db::FieldType::Float);
        }
        // A view cannot show more rows than an int counts; a call table never comes near that.
        rows = static_cast<int>(
            std::min<qint64>(query_->recordCount(), std::numeric_limits<int>::max()));
    }
    beginResetModel();
    fieldIndexes_ = indexes;
    numericFields_ = numeric;
    rows_ = rows;
    endResetModel();
}

int QueryModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int QueryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString QueryModel::text(const QVariant& value, core::ViewColumn::Display format) const {
    if (value.isNull()) return {};
    switch (format) {
        case core::ViewColumn::Display::Money:
            return locale_.toCurrencyString(value.toDouble());
        case core::ViewColumn::Display::Date:
        case core::ViewColumn::Display::RightDate:
            return value.typeId() == QMetaType::QDate ? core::dateText(value.toDate())
                                                      : value.toString();
        case core::ViewColumn::Display::Time:
            return value.typeId() == QMetaType::QTime ? core::timeText(value.toTime())
                                                      : value.toString();
        case core::ViewColumn::Display::Plain:
        case core::ViewColumn::Display::RightText:
            break;
    }
    switch (value.typeId()) {
        case QMetaType::Double:
            return core::floatToText(value.toDouble(), locale_);
        case QMetaType::QDate:
            return core::dateText(value.toDate());
        case QMetaType::QTime:
            return core::timeText(value.toTime());
        default:
            return value.toString();
    }
}

QVariant QueryModel::data(const QModelIndex& index, int role) const {
    // A statement closed without a refresh() yet shows empty cells rather than failing a paint.
    if (!index.isValid() || index.row() >= rows_ || index.column() >= fieldIndexes_.size() ||
        !query_->isOpen())
        return {};
    const core::ViewColumn& column = columns_[index.column()];
    if (role == Qt::DisplayRole) {
        return text(query_->value(index.row(), fieldIndexes_[index.column()]), column.display);
    }
    if (role == Qt::TextAlignmentRole) {
        using Display = core::ViewColumn::Display;
        const bool right = column.display == Display::Plain
                               ? numericFields_[index.column()]
                               : column.display == Display::Money ||
                                     column.display == Display::RightText ||
                                     column.display == Display::RightDate;
        return QVariant::fromValue(
            Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    }
    return {};
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) return {};
    if (role == Qt::DisplayRole) return columns_[section].title;
    return {};
}

}  // namespace orv::ui
