#include "reports/QueryData.h"

#include "core/Selection.h"
#include "db/FieldType.h"

namespace orv::reports {

QueryData::QueryData(const db::Query& query, const QList<core::ViewColumn>& columns,
                     const QLocale& locale)
    : query_(query), locale_(locale) {
    for (const core::ViewColumn& column : columns)
        displays_.insert(column.field.toLower(), column.display);
}

qint64 QueryData::rowCount() const { return query_.isOpen() ? query_.recordCount() : 0; }

QString QueryData::text(qint64 row, const QString& field) const {
    if (query_.fieldIndex(field) < 0) return {};
    const QVariant value = query_.value(row, field);
    if (value.isNull()) return {};
    using Display = core::ViewColumn::Display;
    switch (displays_.value(field.toLower(), Display::Plain)) {
        case Display::Money:
            return locale_.toCurrencyString(value.toDouble());
        case Display::Date:
        case Display::RightDate:
            return value.typeId() == QMetaType::QDate ? core::dateText(value.toDate())
                                                      : value.toString();
        case Display::Time:
            return value.typeId() == QMetaType::QTime ? core::timeText(value.toTime())
                                                      : value.toString();
        case Display::Plain:
        case Display::RightText:
            break;
    }
    return db::displayText(value);
}

}  // namespace orv::reports
