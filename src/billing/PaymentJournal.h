#pragma once
// The payment journal: every confirmed payment, appended to PaneJournal.db in the payment's own
// transaction (so a payment is journalled exactly when PaneDate.DB and DolgTb.db take it) and
// never overwritten: number, category as typed, date and time of entry, the amount due before
// it, the amount paid and the log-on name of whoever entered it. PaneDate.DB keeps only the last
// payment of a number; the journal keeps them all.
//
// The journal view lists it in the order of entry, optionally narrowed to a number range and a
// date range. Errors are orv::Error (a missing table raised by the engine is avoided by creating
// the journal first).

#include "core/ViewColumn.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QTime>

namespace orv::db {
class Database;
class Query;
}  // namespace orv::db

namespace orv::billing {

inline const QString kPaymentJournal = QStringLiteral("PaneJournal");

struct JournalEntry {
    qint64 number = 0;
    QString category;
    QDate date;
    QTime time;
    double due = 0;   // amount due before the payment
    double paid = 0;  // amount paid
    QString enteredBy;
};

// A payment as the invoice counts it: its place in the journal and the amount paid.
struct JournalPayment {
    qint64 id = 0;  // rowid: the order of entry
    double paid = 0;
};
using AccountPayments = QHash<QPair<qint64, QString>, QList<JournalPayment>>;
// The key of an account in AccountPayments: the number and the case-folded category.
QPair<qint64, QString> paymentAccount(qint64 number, const QString& category);
// Every journalled payment by account, in the order of entry; empty without a journal.
AccountPayments readJournalPayments(db::Database& db);

// Creates PaneJournal.db when missing. Requires: no transaction open.
void ensurePaymentJournal(db::Database& db);
// Requires: the journal exists and, inside a transaction, is attached to it.
void appendPaymentJournal(db::Database& db, const JournalEntry& entry);
// The log-on name of the user, at most 29 characters.
QString logOnUserName();

// Ranges of the journal view; both ends included. An upper number of 0 means 9999999, an
// invalid date an open end.
struct JournalSelection {
    qint64 numberFrom = 0;
    qint64 numberTo = 0;
    QDate dateFrom;
    QDate dateTo;
};

// The view "Журнал оплат" in grid order: АбНомер, Признак, Дата оплаты, Время оплаты, Долг,
// Оплачено, Кто ввел.
const QList<core::ViewColumn>& journalViewColumns();
// Sets the journal statement and its parameters on query (creating the journal when missing)
// and opens it.
void openPaymentJournal(db::Query& query, const JournalSelection& selection);

}  // namespace orv::billing
