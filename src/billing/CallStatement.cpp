#include "billing/CallStatement.h"

#include "billing/CallArchive.h"
#include "core/Error.h"
#include "db/Database.h"

#include <QHash>
#include <QMap>
#include <utility>

namespace orv::billing {
namespace {

using db::Statement;

// KOD -> CITY of a destination table; none when the table is missing.
QHash<QString, QString> destinations(db::Database& db, const QString& table) {
    QHash<QString, QString> names;
    if (!db.tableExists(table)) return names;
    Statement read =
        db.statement(QStringLiteral("SELECT KOD, CITY FROM %1").arg(db.qualified(table)));
    while (read.step()) names.insert(read.column(0).toString(), read.column(1).toString());
    return names;
}

// The time of a call as the table files keep it ("HH:MM:SS"); a server gives it as a time.
QString timeText(const QVariant& stored) {
    return stored.typeId() == QMetaType::QTime
               ? stored.toTime().toString(QStringLiteral("HH:mm:ss"))
               : stored.toString();
}

std::optional<double> optionalReal(const Statement& s, int i) {
    return s.columnIsNull(i) ? std::nullopt : std::optional<double>(s.column(i).toDouble());
}

// "FIO, Adress" of the number's first account row (of the category when one is given); empty
// when it has none.
QString subscriberOf(db::Database& db, qint64 number, const QString& category) {
    if (!db.tableExists(QStringLiteral("AbTab"))) return {};
    Statement read =
        db.statement(QStringLiteral("SELECT FIO, Adress, Priznak FROM %1 WHERE "
                                    "AbNumber = ? ORDER BY %2")
                         .arg(db.qualified(QStringLiteral("AbTab")), db.rowIdentity()));
    read.bind(1, number);
    std::optional<QStringList> found;
    while (read.step()) {
        const bool ofCategory = category.isEmpty() ||
                                read.column(2).toString().toCaseFolded() == category.toCaseFolded();
        if (found && !ofCategory) continue;
        found = QStringList();
        for (int i = 0; i < 2; ++i)
            if (const QString part = read.column(i).toString().trimmed(); !part.isEmpty())
                found->append(part);
        if (ofCategory) break;
    }
    return found ? found->join(QStringLiteral(", ")) : QString();
}

// The totals of one number's calls (of one category, or of all when it has one) as the run
// forms them: city calls per category and price, the free minutes deducted once when the
// minutes exceed them, nothing charged otherwise; long-distance calls as priced.
StatementTotals totalsOf(const QList<StatementCall>& calls, int freeMinutes) {
    struct Group {
        double minutes = 0;
        double cost = 0;
    };
    QMap<std::pair<QString, double>, Group> groups;
    StatementTotals totals;
    for (const StatementCall& c : calls) {
        if (!c.cost) continue;
        if (c.longDistance) {
            totals.longDistance += *c.cost;
            continue;
        }
        Group& g = groups[{c.category.toCaseFolded(), c.tariff.value_or(0)}];
        g.minutes += double(c.minutes);
        g.cost += *c.cost;
    }
    for (auto it = groups.cbegin(); it != groups.cend(); ++it)
        totals.city += it->minutes > freeMinutes ? it->cost - freeMinutes * it.key().second : 0.0;
    return totals;
}

// The categories a number's calls were charged under, without regard to case, in order; the
// first spelling of each.
QStringList categoriesOf(const QList<StatementCall>& calls) {
    QMap<QString, QString> spelled;
    for (const StatementCall& c : calls)
        if (!c.category.isEmpty() && !spelled.contains(c.category.toCaseFolded()))
            spelled.insert(c.category.toCaseFolded(), c.category);
    return spelled.values();
}

// One number's calls into the statement, under each category in turn when there are several.
void addNumber(db::Database& db, CallStatement& statement, const QList<StatementCall>& calls,
               int freeMinutes) {
    const qint64 number = calls.first().number;
    const QStringList categories = categoriesOf(calls);
    if (categories.size() < 2) {
        statement.calls.append(calls);
        statement.numbers.append({number, QString(), subscriberOf(db, number, QString()),
                                  calls.size(), totalsOf(calls, freeMinutes)});
        return;
    }
    for (const QString& category : categories) {
        const bool first = category == categories.first();
        QList<StatementCall> under;
        for (const StatementCall& c : calls)
            if (c.category.toCaseFolded() == category.toCaseFolded() ||
                (first && c.category.isEmpty()))
                under.append(c);
        statement.calls.append(under);
        statement.numbers.append({number, category, subscriberOf(db, number, category),
                                  under.size(), totalsOf(under, freeMinutes)});
    }
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
    Statement read =
        db.statement(QStringLiteral("SELECT AbNumber, Priznak, Date_of_call, Time_of_call, "
                                    "Number_of_call, Cat, Code, CodeForeign, Longivity, Tariff, "
                                    "Cost, Reason FROM %1 WHERE AbNumber BETWEEN ? AND ? "
                                    "ORDER BY AbNumber, Date_of_call, Time_of_call, CallRowid")
                         .arg(archive.table(statement.month)));
    read.bind(1, numberFrom);
    read.bind(2, numberTo);
    QList<StatementCall> ofNumber;
    while (read.step()) {
        StatementCall c;
        c.number = read.columnInt(0);
        c.category = read.column(1).toString();
        c.date = QDate::fromString(read.column(2).toString(), Qt::ISODate);
        c.time = timeText(read.column(3));
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
        if (!ofNumber.isEmpty() && ofNumber.first().number != c.number) {
            addNumber(db, statement, ofNumber, freeMinutes);
            ofNumber.clear();
        }
        ofNumber.append(c);
    }
    if (!ofNumber.isEmpty()) addNumber(db, statement, ofNumber, freeMinutes);
    for (const StatementNumber& n : statement.numbers) {
        statement.totals.city += n.totals.city;
        statement.totals.longDistance += n.totals.longDistance;
    }
    return statement;
}

}  // namespace orv::billing
