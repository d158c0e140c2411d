#pragma once
// The itemized statement ("Детализация разговоров") of a number range for one archived month:
// every call the run moved into the archive for those numbers, in the order of number, date and
// time (under each category in turn for a number charged under several), with the number
// dialled, its destination, minutes, tariff and cost, and the totals per service as the run
// charged them: city calls with the free minutes deducted once per number, category and price,
// long-distance calls as priced. The totals are the city and long-distance lines of the invoice
// for that month, for each number (and category) and for the range. Unbilled calls are listed
// with their reason and no cost.
//
// Errors are orv::Error; a month with no archive is refused with the operator's message.

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

namespace orv::db {
class Database;
}

namespace orv::billing {

struct StatementCall {
    qint64 number = 0;
    QString category;
    QDate date;
    QString time;
    QString dialled;
    QString destination;  // the city or country of a long-distance call; empty for city calls
    qint64 minutes = 0;
    std::optional<double> tariff;
    std::optional<double> cost;
    QString reason;  // why an unbilled call was not charged
    bool longDistance = false;
};

struct StatementTotals {
    double city = 0;
    double longDistance = 0;
};

// A number of the range with calls in the month: its subscriber ("FIO, Adress" of AbTab, empty
// for a number without an account), its calls (the next in the statement's list) and its totals,
// the lines of its invoice. A number charged under several categories has one of these for each
// category, with the category named; its unbilled calls are listed under the first.
struct StatementNumber {
    qint64 number = 0;
    QString category;  // empty when the number was charged under one category
    QString subscriber;
    qsizetype calls = 0;
    StatementTotals totals;
};

struct CallStatement {
    QDate month;
    qint64 numberFrom = 0;
    qint64 numberTo = 0;
    QList<StatementCall> calls;
    QList<StatementNumber> numbers;  // in the order of the calls, which they divide
    StatementTotals totals;
};

inline const QString kStatementTitle = QStringLiteral("Детализация разговоров");

// freeMinutes: the setting the run deducted ("NoUchet", "Min").
CallStatement buildCallStatement(db::Database& db, qint64 numberFrom, qint64 numberTo,
                                 const QDate& month, int freeMinutes);

}  // namespace orv::billing
