#include "billing/Payment.h"

#include "billing/PaymentJournal.h"
#include "core/Error.h"
#include "db/Database.h"
#include "db/Table.h"
#include "db/Transaction.h"

namespace orv::billing {
namespace {

const QString kAccountKey = QStringLiteral("AbNumber;Priznak");

[[noreturn]] void refuse(const QString& message = kPaymentRefused) {
    raise(Error::Kind::Refused, message);
}

Money dueOf(const db::Table& dolg) {
    return amountDue(dolg.asFloat(QStringLiteral("Dolg")), dolg.asFloat(QStringLiteral("NDS")));
}

}  // namespace

Money amountDue(double dolg, double nds) {
    return Money::fromDouble(dolg) + Money::fromDouble(nds);
}

std::optional<Money> amountDue(db::Database& db, qint64 number, const QString& category) {
    db::Table dolg(db, QStringLiteral("DolgTb"));
    dolg.open();
    if (!dolg.locate(kAccountKey, {number, category})) return std::nullopt;
    return dueOf(dolg);
}

std::optional<PaymentResult> confirmPayment(db::Database& db, qint64 number,
                                            const QString& category, const QString& amountText,
                                            const QLocale& locale, const QDate& today) {
    PaymentResult result;
    try {
        result.paid = Money::parse(amountText, locale);
    } catch (const Error&) {
        refuse();
    }
    if (result.paid <= Money()) refuse();
    try {
        ensurePaymentJournal(db);
        db::Transaction transaction(
            db, {QStringLiteral("DolgTb"), QStringLiteral("PaneDate"), kPaymentJournal});
        db::Table dolg(db, QStringLiteral("DolgTb"));
        dolg.open();
        if (!dolg.locate(kAccountKey, {number, category})) return std::nullopt;
        result.due = dueOf(dolg);
        result.remaining = result.due - result.paid;
        if (result.remaining.abs() < Money::fromUnits(Money::kScale / 100)) result.remaining = {};

        db::Table pane(db, QStringLiteral("PaneDate"));
        pane.setIndexFieldNames(QStringLiteral("AbNumber"));
        pane.open();
        if (pane.locate(kAccountKey, {number, category})) {
            pane.edit();
            pane.setField(QStringLiteral("Date_of_pane"), today);
            pane.setField(QStringLiteral("Dolg"), result.due.toDouble());
            pane.setField(QStringLiteral("Pane"), result.paid.toDouble());
            pane.post();
        } else {
            if (pane.locate(QStringLiteral("AbNumber"), {number}))
                refuse(QStringLiteral("Для номера %1 уже записана оплата с признаком %2: у номера "
                                      "может быть только одна запись оплаты")
                           .arg(number)
                           .arg(pane.asString(QStringLiteral("Priznak"))));
            pane.appendRecord(
                {number, category, today, result.due.toDouble(), result.paid.toDouble()});
            result.newPaymentRow = true;
        }
        dolg.edit();
        dolg.setField(QStringLiteral("Dolg"), result.remaining.toDouble());
        dolg.setField(QStringLiteral("NDS"), 0.0);
        dolg.post();
        appendPaymentJournal(db, {number, category, today, QTime::currentTime(),
                                  result.due.toDouble(), result.paid.toDouble(), logOnUserName()});
        transaction.commit();
    } catch (const Error& e) {
        if (e.kind() == Error::Kind::Refused) throw;
        refuse(QStringLiteral("Оплата не записана: %1").arg(e.message()));
    }
    return result;
}

}  // namespace orv::billing
