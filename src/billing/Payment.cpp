#include "billing/Payment.h"

#include "billing/PaymentJournal.h"
#include "core/Error.h"
#include "core/TestHooks.h"
#include "db/Database.h"
#include "db/Table.h"
#include "db/Transaction.h"

namespace orv::billing {
namespace {

const QString kAccountKey = QStringLiteral("AbNumber;Priznak");
// The work lock of a number's payment is this plus the number.
constexpr qint64 kPaymentLock = qint64(0x4F5250) << 32;

[[noreturn]] void refuse(const QString& message = kPaymentRefused) {
    raise(Error::Kind::Refused, message);
}

Money dueOf(const db::Table& dolg) {
    return amountDue(dolg.asFloat(QStringLiteral("Dolg")), dolg.asFloat(QStringLiteral("NDS")));
}

struct AccountRow {
    QVariant row;  // the row's identity
    QVariantList values;
};

enum class RowLock { None, UntilCommit };

// The account's row as a table cursor locates it: the first one in the table's order (by
// AbNumber for PaneDate.DB, stored order for DolgTb.db) whose number is equal and whose category
// is equal without regard to case; with the named columns. UntilCommit locks the row on a server
// for the rest of the transaction, so that it is read as another seat's transaction holding it
// (a debt run) leaves it, once that one ends; a transaction of table files locks the file anyway.
std::optional<AccountRow> findAccountRow(db::Database& db, const QString& table, qint64 number,
                                         const QString& category, const QString& columns = {},
                                         RowLock lock = RowLock::None) {
    const bool forUpdate = lock == RowLock::UntilCommit && db.isServer();
    db::Statement find = db.statement(
        QStringLiteral("SELECT %1%2 FROM %3 WHERE AbNumber = ? AND Priznak = ? "
                       "COLLATE ORV_NOCASE ORDER BY AbNumber, %1 LIMIT 1%4")
            .arg(db.rowIdentity(), columns.isEmpty() ? QString() : QStringLiteral(", ") + columns,
                 db.qualified(table), forUpdate ? QStringLiteral(" FOR UPDATE") : QString()));
    find.bind(1, number);
    find.bind(2, db::toStorage(category, db::FieldType::String));
    if (!find.step()) return std::nullopt;
    AccountRow row{find.column(0), {}};
    for (int i = 1; i < find.columnCount(); ++i) row.values.append(find.column(i));
    find.run();
    return row;
}

// Runs the update of a row found and locked before; a row that is not there any more fails the
// payment rather than leaving it half-written.
void updateFoundRow(db::Statement& update, qint64 number) {
    if (update.run() != 1)
        raise(Error::Kind::Engine,
              QStringLiteral("запись номера %1 изменилась во время записи").arg(number));
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
                                            const QLocale& locale, const QDate& today,
                                            const QString& enteredBy) {
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
        db.lockWork(kPaymentLock + number,
                    QStringLiteral("Оплата для номера %1 уже вводится").arg(number));
        // A debt run holds the debt rows it writes until its commit: the payment waits for that
        // a minute at the most, then is refused and writes nothing.
        if (db.isServer()) db.execute(QStringLiteral("SET LOCAL lock_timeout = '60s'"));
        const std::optional<AccountRow> debt =
            findAccountRow(db, QStringLiteral("DolgTb"), number, category,
                           QStringLiteral("Dolg, NDS"), RowLock::UntilCommit);
        if (!debt) return std::nullopt;
        result.due = amountDue(debt->values[0].toDouble(), debt->values[1].toDouble());
        result.remaining = result.due - result.paid;
        if (result.remaining.abs() < Money::fromUnits(Money::kScale / 100)) result.remaining = {};

        const QString pane = db.qualified(QStringLiteral("PaneDate"));
        const QVariant day = db::toStorage(today, db::FieldType::Date);
        if (const auto row = findAccountRow(db, QStringLiteral("PaneDate"), number, category, {},
                                            RowLock::UntilCommit)) {
            db::Statement update = db.statement(QStringLiteral("UPDATE %1 SET Date_of_pane = ?, "
                                                               "Dolg = ?, Pane = ? WHERE %2 = ?")
                                                    .arg(pane, db.rowIdentity()));
            update.bind(1, day);
            update.bind(2, result.due.toDouble());
            update.bind(3, result.paid.toDouble());
            update.bind(4, row->row);
            updateFoundRow(update, number);
        } else {
            db::Statement other = db.statement(QStringLiteral("SELECT Priznak FROM %1 WHERE "
                                                              "AbNumber = ? ORDER BY AbNumber, "
                                                              "%2 LIMIT 1")
                                                   .arg(pane, db.rowIdentity()));
            other.bind(1, number);
            if (other.step())
                refuse(QStringLiteral("Для номера %1 уже записана оплата с признаком %2: у номера "
                                      "может быть только одна запись оплаты")
                           .arg(number)
                           .arg(other.column(0).toString()));
            db::Statement insert = db.statement(
                QStringLiteral("INSERT INTO %1 (AbNumber, Priznak, Date_of_pane, Dolg, Pane) "
                               "VALUES (?, ?, ?, ?, ?)")
                    .arg(pane));
            insert.bind(1, number);
            insert.bind(2, db::toStorage(category, db::FieldType::String));
            insert.bind(3, day);
            insert.bind(4, result.due.toDouble());
            insert.bind(5, result.paid.toDouble());
            insert.run();
            result.newPaymentRow = true;
        }
        db::Statement lower =
            db.statement(QStringLiteral("UPDATE %1 SET Dolg = ?, NDS = 0 WHERE %2 = ?")
                             .arg(db.qualified(QStringLiteral("DolgTb")), db.rowIdentity()));
        lower.bind(1, result.remaining.toDouble());
        lower.bind(2, debt->row);
        updateFoundRow(lower, number);
        appendPaymentJournal(
            db, {number, category, today, QTime::currentTime(), result.due.toDouble(),
                 result.paid.toDouble(), enteredBy.isEmpty() ? logOnUserName() : enteredBy});
        TEST_pausePoint("payment-before-commit");
        transaction.commit();
    } catch (const Error& e) {
        if (e.kind() == Error::Kind::Refused) throw;
        refuse(QStringLiteral("Оплата не записана: %1").arg(e.message()));
    }
    return result;
}

}  // namespace orv::billing
