#pragma once
// Payment entry (the confirmation of the payment dialog without its window): a subscriber's
// payment against the debt the debt run left in DolgTb.db. The amount due is Dolg + NDS of the
// account's debt row in four-decimal fixed point; the payment is stored in PaneDate.DB (one row
// per number: the last payment, a new row keeps the category as typed) and the debt row becomes
// what remains, with NDS 0. Accounts are located on number and category, the category compared
// without regard to case.
//
// Both writes and the payment's line in the payment journal (PaymentJournal.h) are one
// transaction: a payment is recorded with its lowered debt and its journal line or not at all.
//
// Errors: Error(Refused) with the dialog's message kPaymentRefused for an amount that is empty,
// no number, or not above 0. Any other cause is named on the first line instead: another
// category's payment row for the same number, or "Оплата не записана: " and the engine's text (a
// locked or damaged table, a full disk). Nothing is written in either case.

#include "billing/Money.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <optional>

namespace orv::db {
class Database;
}

namespace orv::billing {

inline const QString kPaymentRefused =
    QStringLiteral("Не введена сумма оплаты или введена неправильно");
// What the dialog shows instead of an amount due when the account has no debt row.
inline const QString kDebtNotFound = QStringLiteral("Не найден");

// The amount due of a debt row, Dolg + NDS: the one figure the debt view, the payment dialog,
// the journal and the invoice show as due.
Money amountDue(double dolg, double nds);
// Dolg + NDS of the account's debt row; nothing when there is none.
std::optional<Money> amountDue(db::Database& db, qint64 number, const QString& category);

struct PaymentResult {
    Money due;        // amount due before the payment (stored as Dolg of PaneDate.DB)
    Money paid;       // stored as Pane
    Money remaining;  // the new Dolg of DolgTb.db: 0 when below 0.01 either way
    bool newPaymentRow = false;
};

// The confirmation. Returns nothing, writing nothing, when the account has no debt row (after
// the amount was checked). The amount is read with '.' or the locale's decimal separator.
std::optional<PaymentResult> confirmPayment(db::Database& db, qint64 number,
                                            const QString& category, const QString& amountText,
                                            const QLocale& locale, const QDate& today);

}  // namespace orv::billing
