#include "billing/CallStatement.h"

#include "billing/CallArchive.h"
#include "core/Error.h"
#include "db/Database.h"

#include <QHash>
#include <QMap>
#include <tuple>

namespace orv::billing {
namespace {

using db::Statement;

// KOD -> CITY of a destination table; none when the table is missing.
QHash<QString, QString> destinations(db::Database& db, const QString& table) {
    QHash<QString, QString> names;
    if (!db.tableExists(table)) return names;
    Statement read(db.connection(),
                   QStringLiteral("SELECT KOD, CITY FROM %1").arg(db.qualified(table)));
    while (read.step()) names.insert(read.column(0).toString(), read.column(1).toString());
    return names;
}

std::optional<double> optionalReal(const Statement& s, int i) {
    return s.columnIsNull(i) ? std::nullopt : std::optional<double>(s.column(i).toDouble());
}

// "FIO, Adress" of the number's first account row; empty when it has none.
QString subscriberOf(db::Database& db, qint64 number) {
    if (!db.tableExists(QStringLiteral("AbTab"))) return {};
    Statement read(db.connection(),
                   QStringLiteral("SELECT FIO, Adress FROM %1 WHERE AbNumber = ?1 ORDER BY rowid "
                                  "LIMIT 1")
                       .arg(db.qualified(QStringLiteral("AbTab"))));
    read.bind(1, number);
    if (!read.step()) return {};
    QStringList parts;
    for (int i = 0; i < 2; ++i)
        if (const QString part = read.column(i).toString().trimmed(); !part.isEmpty())
            parts.append(part);
    return parts.join(QStringLiteral(", "));
}

// City totals per number as the run forms them: per number, category and price, the free
// minutes deducted once when the minutes exceed them, nothing charged otherwise.
QMap<qint64, double> cityTotals(const QList<StatementCall>& calls, int freeMinutes) {
    struct Group {
        double minutes = 0;
        double cost = 0;
    };
    QMap<std::tuple<qint64, QString, double>, Group> groups;
    for (const StatementCall& c : calls) {
        if (c.longDistance || !c.cost) continue;
        Group& g = groups[{c.number, c.category.toCaseFolded(), c.tariff.value_or(0)}];
        g.minutes += double(c.minutes);
        g.cost += *c.cost;
    }
    QMap<qint64, double> totals;
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        totals[std::get<0>(it.key())] +=
            it->minutes > freeMinutes ? it->cost - freeMinutes * std::get<2>(it.key()) : 0.0;
    return totals;
}

// The numbers of the calls in order, with their subscribers and totals.
QList<StatementNumber> numbersOf(db::Database& db, const QList<StatementCall>& calls,
                                 int freeMinutes) {
    const QMap<qint64, double> city = cityTotals(calls, freeMinutes);
    QList<StatementNumber> numbers;
    for (const StatementCall& c : calls) {
        if (numbers.isEmpty() || numbers.last().number != c.number)
            numbers.append({c.number, subscriberOf(db, c.number), {city.value(c.number), 0}});
        if (c.longDistance && c.cost) numbers.last().totals.longDistance += *c.cost;
    }
    return numbers;
}

}  // namespace

CallStatement buildCallStatement(db::Database& db, qint64 numberFrom, qint64 numberTo,
                                 const QDate& month, int freeMinutes) {
    CallStatement statement;
    statement.month = QDate(month.year(), month.month(), 1);
    statement.numberFrom = numberFrom;
    statement.numberTo = numberTo;
    const ArchiveAttachment archive(db);
    if (!archive.holdsMonth(statement.month))
        raise(Error::Kind::Refused, QStringLiteral("В архиве разговоров нет месяца %1")
                                        .arg(statement.month.toString(QStringLiteral("MM.yyyy"))));
    const QHash<QString, QString> domestic = destinations(db, QStringLiteral("Sng"));
    const QHash<QString, QString> foreign = destinations(db, QStringLiteral("Foren"));
    Statement read(db.connection(),
                   QStringLiteral("SELECT AbNumber, Priznak, Date_of_call, Time_of_call, "
                                  "Number_of_call, Cat, Code, CodeForeign, Longivity, Tariff, "
                                  "Cost, Reason FROM %1 WHERE AbNumber BETWEEN ?1 AND ?2 "
                                  "ORDER BY AbNumber, Date_of_call, Time_of_call, CallRowid")
                       .arg(archive.table(statement.month)));
    read.bind(1, numberFrom);
    read.bind(2, numberTo);
    while (read.step()) {
        StatementCall c;
        c.number = read.columnInt(0);
        c.category = read.column(1).toString();
        c.date = QDate::fromString(read.column(2).toString(), Qt::ISODate);
        c.time = read.column(3).toString();
        c.dialled = read.column(4).toString();
        c.longDistance = !read.columnIsNull(5) && read.columnInt(5) > 7;
        const QString foreignCode = read.column(7).toString();
        if (c.longDistance)
            c.destination = foreignCode.isEmpty() ? domestic.value(read.column(6).toString())
                                                  : foreign.value(foreignCode);
        c.minutes = read.columnInt(8);
        c.tariff = optionalReal(read, 9);
        c.cost = optionalReal(read, 10);
        c.reason = read.column(11).toString();
        statement.calls.append(c);
    }
    statement.numbers = numbersOf(db, statement.calls, freeMinutes);
    for (const StatementNumber& n : statement.numbers) {
        statement.totals.city += n.totals.city;
        statement.totals.longDistance += n.totals.longDistance;
    }
    return statement;
}

}  // namespace orv::billing
