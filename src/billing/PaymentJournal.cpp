#include "billing/PaymentJournal.h"

#include "db/Database.h"
#include "db/Query.h"
#include "db/Schema.h"
#include "db/Sqlite.h"

#include <pwd.h>
#include <unistd.h>

namespace orv::billing {
namespace {

using Display = core::ViewColumn::Display;

constexpr qint64 kLastNumber = 9999999;
const QDate kOpenFrom(1990, 1, 1);
const QDate kOpenTo(2100, 1, 1);

const QString& journalSql() {
    static const QString text = QStringLiteral(
        "SELECT AbNumber,Priznak,Date_of_pane,Time_of_pane,Dolg,Pane,EnteredBy\n"
        "FROM PaneJournal\n"
        "WHERE (AbNumber BETWEEN :NumberFrom AND :NumberTo)\n"
        "and (Date_of_pane BETWEEN :DateFrom AND :DateTo)\n"
        "ORDER BY rowid;");
    return text;
}

// The number of a journal entry: its row number in the table file; on the server, its place in
// the stored order, which is the row number it had in the file it was copied from.
QString entryNumber(const db::Database& db) {
    return db.isServer() ? QStringLiteral("row_number() OVER (ORDER BY ctid)")
                         : QStringLiteral("rowid");
}

}  // namespace

void ensurePaymentJournal(db::Database& db) {
    if (!db.tableExists(kPaymentJournal)) db.createTable(db::schema::paneJournal());
}

void appendPaymentJournal(db::Database& db, const JournalEntry& entry) {
    db::Statement insert = db.statement(QStringLiteral("INSERT INTO %1 (AbNumber, Priznak, "
                                                       "Date_of_pane, Time_of_pane, Dolg, Pane, "
                                                       "EnteredBy) VALUES (?, ?, ?, ?, ?, ?, ?)")
                                            .arg(db.qualified(kPaymentJournal)));
    insert.bind(1, entry.number);
    insert.bind(2, db::toStorage(entry.category, db::FieldType::String));
    insert.bind(3, db::toStorage(entry.date, db::FieldType::Date));
    insert.bind(4, db::toStorage(entry.time, db::FieldType::Time));
    insert.bind(5, entry.due);
    insert.bind(6, entry.paid);
    insert.bind(7, db::toStorage(entry.enteredBy, db::FieldType::String));
    insert.run();
}

QPair<qint64, QString> paymentAccount(qint64 number, const QString& category) {
    return qMakePair(number, category.toCaseFolded());
}

AccountPayments readJournalPayments(db::Database& db) {
    AccountPayments payments;
    if (!db.tableExists(kPaymentJournal)) return payments;
    db::Statement read = db.statement(
        QStringLiteral("SELECT n, AbNumber, Priznak, Pane FROM (SELECT %1 AS n, AbNumber, "
                       "Priznak, Pane FROM %2) j WHERE AbNumber IS NOT NULL ORDER BY n")
            .arg(entryNumber(db), db.qualified(kPaymentJournal)));
    while (read.step())
        payments[paymentAccount(read.columnInt(1), read.column(2).toString())].append(
            {read.columnInt(0), read.column(3).toDouble()});
    return payments;
}

QString logOnUserName() {
    QString name;
    if (const passwd* user = getpwuid(geteuid()); user && user->pw_name)
        name = QString::fromLocal8Bit(user->pw_name);
    if (name.isEmpty()) name = qEnvironmentVariable("USER");
    return name.left(29);
}

const QList<core::ViewColumn>& journalViewColumns() {
    static const QList<core::ViewColumn> columns = {
        {QStringLiteral("AbNumber"), QStringLiteral("АбНомер"), Display::Plain},
        {QStringLiteral("Priznak"), QStringLiteral("Признак"), Display::Plain},
        {QStringLiteral("Date_of_pane"), QStringLiteral("Дата оплаты"), Display::Date},
        {QStringLiteral("Time_of_pane"), QStringLiteral("Время оплаты"), Display::Time},
        {QStringLiteral("Dolg"), QStringLiteral("Долг"), Display::Money},
        {QStringLiteral("Pane"), QStringLiteral("Оплачено"), Display::Money},
        {QStringLiteral("EnteredBy"), QStringLiteral("Кто ввел"), Display::Plain},
    };
    return columns;
}

void openPaymentJournal(db::Query& query, const JournalSelection& selection) {
    ensurePaymentJournal(query.database());
    if (query.sql() != journalSql()) query.setSql(journalSql());
    query.close();
    query.setInteger(QStringLiteral("NumberFrom"), selection.numberFrom);
    query.setInteger(QStringLiteral("NumberTo"),
                     selection.numberTo == 0 ? kLastNumber : selection.numberTo);
    query.setDate(QStringLiteral("DateFrom"),
                  selection.dateFrom.isValid() ? selection.dateFrom : kOpenFrom);
    query.setDate(QStringLiteral("DateTo"),
                  selection.dateTo.isValid() ? selection.dateTo : kOpenTo);
    query.open();
}

}  // namespace orv::billing
