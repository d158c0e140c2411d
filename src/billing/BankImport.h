#pragma once
// Payments loaded from a bank statement (BankStatement.h). Each document is sorted into one of
// three heaps before anything is written:
//
// - matched: credited to the operator's settlement account, a positive sum, and one subscriber
//   account found: a 7-digit number of AbTab.DB after "тел.", "телефон", "л/с", "лицевой счет"
//   or "абонент" in НазначениеПлатежа, and its category from AbTab.DB (when the number has
//   several, the one the text names), with a debt row to pay against;
// - duplicates: a document already posted (same Номер, Дата, Сумма and payer account, from this
//   statement or an earlier one), skipped;
// - unmatched: everything else, with the reason (no number, unknown number, several candidates,
//   not to our account, outgoing ...). Unmatched documents are kept in BankDocs.db until they are
//   posted by hand with the number the operator chooses; they are never posted by themselves,
//   and a statement loaded again adds them only once (and posts one that now matches).
//
// Posting takes every matched document through the payment confirmation of the payment dialog
// (Payment.h), all in one transaction with the records of BankDocs.db: the whole statement is
// posted, or nothing is. The journal names the statement file and the document's number and
// date as who entered the payment. Errors are orv::Error; nothing is written when one is thrown.
//
// On a server the writes of a statement or of a payment by hand are one transaction of the
// server under the statement's work lock: a second seat doing either at the same moment is
// refused with a message, and one that comes after finds the documents posted.

#include "billing/BankStatement.h"
#include "billing/Payment.h"
#include "core/ViewColumn.h"

#include <QList>
#include <QString>
#include <functional>

namespace orv::db {
class Database;
class Query;
}  // namespace orv::db

namespace orv::billing {

struct PlannedDocument {
    enum class Heap { Matched, Duplicate, Unmatched };
    BankDocument doc;
    Heap heap = Heap::Unmatched;
    qint64 number = 0;  // the subscriber account of a matched document
    QString category;
    QString reason;  // why a document is unmatched, or what it duplicates
};

struct ImportPlan {
    QString fileName;  // the statement's file name, without its folder
    QList<PlannedDocument> documents;
    int matched = 0;
    int duplicates = 0;
    int unmatched = 0;
    Money matchedTotal;
    Money total;  // of every document of the statement
};

// Sorts the documents against the tables as they are now; writes nothing. ourAccount is the
// operator's settlement account; one that is not set (empty or zeros) is refused.
ImportPlan planBankImport(db::Database& db, const BankStatement& statement,
                          const QString& fileName, const QString& ourAccount);

// Sorts the documents again inside the transaction and posts the matched ones; stores the
// posted and the new unmatched ones in BankDocs.db. progress (done, total) is called after each
// payment. Returns the plan as it was posted.
using PostProgress = std::function<void(int done, int total)>;
ImportPlan postBankImport(db::Database& db, const BankStatement& statement,
                          const QString& fileName, const QString& ourAccount, const QDate& today,
                          const PostProgress& progress = {});

// One line for the operator: "Документов N: к проведению M на сумму S, повторных D, не
// разнесено U" (with posted instead of to be posted once done).
QString planSummary(const ImportPlan& plan, bool posted);

// The unmatched documents kept, oldest first: "Код" (the id to post it by), "Номер", "Дата",
// "Сумма", "Плательщик", "Счет плательщика", "Назначение платежа", "Причина", "Файл".
const QList<core::ViewColumn>& unmatchedViewColumns();
// Sets the statement of the unmatched list on query (creating BankDocs.db when missing) and
// opens it.
void openUnmatchedPayments(db::Query& query);

// Posts an unmatched document by hand to the account chosen, through the payment confirmation,
// and takes it off the list. Refused: no such unmatched document, an outgoing one, no debt row
// for the account. Returns what the confirmation did.
PaymentResult postUnmatchedPayment(db::Database& db, qint64 id, qint64 number,
                                   const QString& category, const QString& ourAccount,
                                   const QDate& today);

// The journal's "entered by" of a document: the file's name, the document's number and date,
// the name shortened to fit the journal's column.
QString enteredByOf(const QString& fileName, const BankDocument& doc);

}  // namespace orv::billing
