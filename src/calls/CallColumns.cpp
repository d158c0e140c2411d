#include "calls/CallColumns.h"

#include <QHash>

namespace orv::calls {
namespace {

const QHash<QString, QString>& captions() {
    static const QHash<QString, QString> table = {
        {QStringLiteral("AbNumber"), QStringLiteral("АбНомер")},
        {QStringLiteral("Date_of_call"), QStringLiteral("Дата звонка")},
        {QStringLiteral("Time_of_call"), QStringLiteral("Время звонка")},
        {QStringLiteral("Cat"), QStringLiteral("КНС")},
        {QStringLiteral("Longivity"), QStringLiteral("Продолжит")},
        {QStringLiteral("Number_of_call"), QStringLiteral("Наб Номер")},
        {QStringLiteral("TRF"), QStringLiteral("Тариф")},
        {QStringLiteral("Code"), QStringLiteral("Код МГ")},
        {QStringLiteral("CodeForeign"), QStringLiteral("Код МН")},
        {QStringLiteral("Sng"), QStringLiteral("СНГ")},
        {QStringLiteral("Foren"), QStringLiteral("Другие страны")},
        {QStringLiteral("Reason"), QStringLiteral("Причина")},
    };
    return table;
}

}  // namespace

core::ViewColumn callColumn(const QString& field, core::ViewColumn::Display display) {
    Q_ASSERT(captions().contains(field));
    return {field, captions().value(field), display};
}

QList<core::ViewColumn> callColumns(const QStringList& fields) {
    QList<core::ViewColumn> columns;
    for (const QString& field : fields) columns.append(callColumn(field));
    return columns;
}

}  // namespace orv::calls
