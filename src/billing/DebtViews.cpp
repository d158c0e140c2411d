#include "billing/DebtViews.h"

#include "billing/DebtStatements.h"
#include "billing/Money.h"
#include "billing/Payment.h"
#include "core/Error.h"

namespace orv::billing {
namespace {

using Display = core::ViewColumn::Display;

core::ViewColumn column(const char* field, const char* title, Display display) {
    return {QString::fromUtf8(field), QString::fromUtf8(title), display};
}

}  // namespace

const QList<core::ViewColumn>& debtViewColumns() {
    static const QList<core::ViewColumn> columns = {
        column("AbNumber", "АбНомер", Display::Plain),
        column("Priznak", "Признак", Display::RightText),
        column("Exist", "Наличие", Display::RightText),
        column("Dolg", "К Оплате", Display::Money),
        column("LastDolg", "ПредДолг", Display::Money),
        column("YearMonth", "ДатаРассчета", Display::RightDate),
        column("LastYearMonth", "ПредДатаРассчета", Display::RightDate),
        column("NDS", "НДС", Display::Money),
        column("MG", "МгОплата", Display::Money),
        column("ByTime", "ПоврОплата", Display::Money),
        column("AbPlata", "АбПлата", Display::Money),
        column("Due", "Итого к оплате", Display::Money),
    };
    return columns;
}

const QList<core::ViewColumn>& paymentViewColumns() {
    static const QList<core::ViewColumn> columns = {
        column("AbNumber", "АбНомер", Display::Plain),
        column("Priznak", "Признак", Display::Plain),
        column("Date_of_pane", "Дата оплаты", Display::Date),
        column("Dolg", "Долг", Display::Money),
        column("Pane", "Оплачено", Display::Money),
        column("Stay", "Остаток", Display::Money),
    };
    return columns;
}

DebtViews::DebtViews(db::Database& db)
    : queryDolg_(db, sql::QueryDolg()), queryShowPane_(db, sql::QueryShowPane()) {
    queryDolg_.setName(QStringLiteral("QueryDolg"));
    queryShowPane_.setName(QStringLiteral("QueryShowPane"));
    // The amount due, Dolg + NDS, as the payment dialog and the invoice show it.
    queryDolg_.addCalcField({QStringLiteral("Due"), db::FieldType::Float});
    queryDolg_.setCalcHandler([](db::RecordValues& record) {
        try {
            record.setValue(QStringLiteral("Due"),
                            amountDue(record.value(QStringLiteral("Dolg")).toDouble(),
                                      record.value(QStringLiteral("NDS")).toDouble())
                                .toDouble());
        } catch (const Error&) {
            record.setValue(QStringLiteral("Due"), QVariant());
        }
    });
    queryShowPane_.addCalcField({QStringLiteral("Stay"), db::FieldType::Float});
    // QueryShowPaneCalcFields: Stay := Pane - Dolg, both as currency values.
    queryShowPane_.setCalcHandler([](db::RecordValues& record) {
        try {
            const Money pane = Money::fromDouble(record.value(QStringLiteral("Pane")).toDouble());
            const Money dolg = Money::fromDouble(record.value(QStringLiteral("Dolg")).toDouble());
            record.setValue(QStringLiteral("Stay"), (pane - dolg).toDouble());
        } catch (const Error&) {
            record.setValue(QStringLiteral("Stay"), QVariant());
        }
    });
}

db::Query& DebtViews::openDolg() {
    queryDolg_.close();
    queryDolg_.open();
    return queryDolg_;
}

db::Query& DebtViews::openShowPane() {
    queryShowPane_.close();
    queryShowPane_.open();
    return queryShowPane_;
}

}  // namespace orv::billing
