#include "billing/DebtRun.h"

#include "billing/CallArchive.h"
#include "billing/DebtJournal.h"
#include "billing/DebtReckoning.h"
#include "billing/DebtStatements.h"
#include "billing/VatRates.h"
#include "calls/Unbilled.h"
#include "core/Error.h"
#include "core/SettingsStore.h"
#include "core/TestHooks.h"
#include "db/BatchMove.h"
#include "db/Database.h"
#include "db/FolderLock.h"
#include "db/PgConnection.h"
#include "db/Query.h"
#include "db/RowBound.h"
#include "db/Schema.h"
#include "db/Transaction.h"

#include <QHash>
#include <QSet>
#include <QVector>
#include <algorithm>
#include <optional>

namespace orv::billing {
namespace {

using db::Database;
using db::FieldType;
using db::Statement;

const QString kEmptyAbTab = QStringLiteral("Таблица AbTab с абонентскими данными пуста");
const QString kAlreadyReckoned = QStringLiteral("Долг на прошедший месяц уже рассчитан");
const QString kRunInProgress = QStringLiteral("Расчет долга уже выполняется");
const QString kRunOnOtherSeat =
    QStringLiteral("Расчет долга уже выполняется на другом рабочем месте");
const QString kNumbersTable = QStringLiteral("orv_debt_numbers");
constexpr int kCallCacheKb = 64 * 1024;

// Every locate of the run compares the category without regard to case.
QString accountKey(qint64 number, const QString& category) {
    return QString::number(number) + QChar(0x1f) + category.toCaseFolded();
}

QString monthKey(qint64 number, const QString& category, const QDate& closing) {
    return accountKey(number, category) + QChar(0x1f) + QString::number(closing.toJulianDay());
}

QVariant storedDate(const QDate& date) { return db::toStorage(date, FieldType::Date); }

QDate dateOf(const QVariant& stored) { return db::fromStorage(stored, FieldType::Date).toDate(); }

struct Account {
    qint64 number = 0;
    QString category;
    QString exist;
};

struct Month {
    QDate from;     // first day reckoned in the month (the start date in the first month)
    QDate start;    // first day of the month: the key of its fee
    QDate last;     // last day of the month
    QDate closing;  // first day of the next month: Date_of_raschet of its totals
    int days = 0;
};

struct RunDates {
    QDate currentStart;
    QDate previousStart;
    QDate previousEnd;
};

RunDates datesOf(const QDate& today) {
    RunDates d;
    d.currentStart = QDate(today.year(), today.month(), 1);
    d.previousStart = d.currentStart.addMonths(-1);
    d.previousEnd = d.currentStart.addDays(-1);
    return d;
}

// The reckoned months from the start date's month to the previous month.
QVector<Month> monthsOf(const QDate& startDate, const RunDates& dates) {
    const int n = 12 * (dates.previousEnd.year() - startDate.year()) +
                  (dates.previousEnd.month() - startDate.month()) + 1;
    QVector<Month> months;
    const QDate first(startDate.year(), startDate.month(), 1);
    for (int k = 0; k < n; ++k) {
        Month m;
        m.start = first.addMonths(k);
        m.from = k == 0 ? startDate : m.start;
        m.closing = m.start.addMonths(1);
        m.last = m.closing.addDays(-1);
        m.days = m.start.daysInMonth();
        months.append(m);
    }
    return months;
}

QVector<Account> readAccounts(Database& db) {
    QVector<Account> accounts;
    Statement read =
        db.statement(QStringLiteral("SELECT AbNumber, Priznak, Exist FROM %1 ORDER BY %2")
                         .arg(db.qualified(QStringLiteral("AbTab")), db.rowIdentity()));
    while (read.step())
        accounts.append(
            {read.column(0).toLongLong(), read.column(1).toString(), read.column(2).toString()});
    return accounts;
}

// A column in a statement: quoted for the table files; on a server, where names are folded to
// lower case as the tables were created, as it is.
QString columnSql(const Database& db, const QString& column) {
    return db.isServer() ? column : db::quoteIdentifier(column);
}

// ABPLATA as the run locates it: the first row of each DATA in index order, and its fee columns.
class FeeTable {
  public:
    explicit FeeTable(Database& db) {
        const QString table = QStringLiteral("ABPLATA");
        const QList<db::FieldDef> fields = db.fields(table);
        int dataColumn = -1;
        for (int i = 0; i < fields.size(); ++i) {
            if (fields[i].name.compare(QLatin1String("DATA"), Qt::CaseInsensitive) == 0)
                dataColumn = i;
            else
                columns_.append(fields[i].name);
        }
        if (dataColumn < 0) raise(Error::Kind::Engine, QStringLiteral("Поле DATA не найдено"));
        Statement read =
            db.statement(QStringLiteral("SELECT * FROM %1 ORDER BY %2, %3")
                             .arg(db.qualified(table), columnSql(db, fields[dataColumn].name),
                                  db.rowIdentity()));
        while (read.step()) {
            const QDate date = dateOf(read.column(dataColumn));
            if (!date.isValid() || rows_.contains(date.toJulianDay())) continue;
            QVector<double> fees;
            for (int i = 0; i < read.columnCount(); ++i)
                if (i != dataColumn) fees.append(read.column(i).toDouble());
            rows_.insert(date.toJulianDay(), fees);
        }
    }

    // Requires: monthStart is the first day of a reckoned month.
    double fee(const QDate& monthStart, const QString& category) const {
        const auto row = rows_.constFind(monthStart.toJulianDay());
        if (row == rows_.constEnd())
            raise(Error::Kind::Refused,
                  QStringLiteral("Нет данных на %1 в таблице AbPlata\nОткорректируйте данные и "
                                 "повторите расчет")
                      .arg(monthStart.toString(QStringLiteral("dd.MM.yyyy"))));
        for (int i = 0; i < columns_.size(); ++i)
            if (columns_[i].compare(category, Qt::CaseInsensitive) == 0) return (*row)[i];
        raise(Error::Kind::Engine, QStringLiteral("Поле %1 не найдено").arg(category));
    }

  private:
    QStringList columns_;
    QHash<qint64, QVector<double>> rows_;  // Julian day of DATA -> fees in column order
};

// One row of DolgTb.db as the run sees and changes it.
struct DebtRow {
    enum class Change { None, Dates, Full };

    QVariant key;  // the row's identity in the table; null for a row this run appends
    std::optional<qint64> number;
    QString category;
    QDate yearMonth;
    QDate lastYearMonth;
    double dolg = 0;
    double lastDolg = 0;
    double nds = 0;
    double mg = 0;
    double byTime = 0;
    double abPlata = 0;
    Change change = Change::None;
    qsizetype account = -1;  // the account that changed it last
};

// DolgTb.db in memory, in stored order, with the locate on "AbNumber;Priznak".
class DebtTable {
  public:
    explicit DebtTable(Database& db) {
        Statement read =
            db.statement(QStringLiteral("SELECT %2, AbNumber, Priznak, YearMonth, LastYearMonth, "
                                        "Dolg, LastDolg, NDS, MG, ByTime, AbPlata FROM %1 "
                                        "ORDER BY %2")
                             .arg(db.qualified(QStringLiteral("DolgTb")), db.rowIdentity()));
        while (read.step()) {
            DebtRow row;
            row.key = read.column(0);
            if (!read.columnIsNull(1)) row.number = read.columnInt(1);
            row.category = read.column(2).toString();
            row.yearMonth = dateOf(read.column(3));
            row.lastYearMonth = dateOf(read.column(4));
            row.dolg = read.column(5).toDouble();
            row.lastDolg = read.column(6).toDouble();
            row.nds = read.column(7).toDouble();
            row.mg = read.column(8).toDouble();
            row.byTime = read.column(9).toDouble();
            row.abPlata = read.column(10).toDouble();
            add(row);
        }
    }

    const DebtRow* first() const { return rows_.isEmpty() ? nullptr : &rows_.first(); }

    DebtRow* locate(const Account& account) {
        const auto it = index_.constFind(accountKey(account.number, account.category));
        return it == index_.constEnd() ? nullptr : &rows_[*it];
    }

    void append(const DebtRow& row) { add(row); }

    // Writes every changed and appended row; an error names the account that changed the row.
    void write(Database& db, const QVector<Account>& accounts) const {
        const QString table = db.qualified(QStringLiteral("DolgTb"));
        const QString key = db.rowIdentity();
        Statement dates = db.statement(QStringLiteral("UPDATE %1 SET LastYearMonth = ?, "
                                                      "YearMonth = ? WHERE %2 = ?")
                                           .arg(table, key));
        Statement full =
            db.statement(QStringLiteral("UPDATE %1 SET LastDolg = ?, LastYearMonth = ?, Dolg = ?, "
                                        "YearMonth = ?, NDS = ?, MG = ?, ByTime = ?, AbPlata = ? "
                                        "WHERE %2 = ?")
                             .arg(table, key));
        Statement insert =
            db.statement(QStringLiteral("INSERT INTO %1 (AbNumber, Priznak, YearMonth, "
                                        "LastYearMonth, Dolg, LastDolg, NDS, MG, ByTime, AbPlata) "
                                        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                             .arg(table));
        for (const DebtRow& row : rows_) {
            if (row.change == DebtRow::Change::None) continue;
            try {
                if (row.key.isNull()) {
                    const QVariantList values = {row.number ? QVariant(*row.number) : QVariant(),
                                                 db::toStorage(row.category, FieldType::String),
                                                 storedDate(row.yearMonth),
                                                 storedDate(row.lastYearMonth),
                                                 row.dolg,
                                                 row.lastDolg,
                                                 row.nds,
                                                 row.mg,
                                                 row.byTime,
                                                 row.abPlata};
                    run(insert, values);
                } else if (row.change == DebtRow::Change::Dates) {
                    run(dates, {storedDate(row.lastYearMonth), storedDate(row.yearMonth), row.key});
                } else {
                    run(full, {row.lastDolg, storedDate(row.lastYearMonth), row.dolg,
                               storedDate(row.yearMonth), row.nds, row.mg, row.byTime, row.abPlata,
                               row.key});
                }
            } catch (const Error& e) {
                // A conflict with another seat's change runs the whole run again.
                if (const auto* server = dynamic_cast<const db::PgError*>(&e);
                    server && server->retryable())
                    throw;
                const Account& account = accounts[row.account];
                raise(e.kind(), QStringLiteral("Долг абонента %1 (%2) не записан: %3")
                                    .arg(account.number)
                                    .arg(account.category, e.message()));
            }
        }
    }

  private:
    static void run(Statement& statement, const QVariantList& values) {
        statement.reset();
        for (int i = 0; i < values.size(); ++i) statement.bind(i + 1, values[i]);
        statement.run();
        statement.reset();
    }

    void add(const DebtRow& row) {
        rows_.append(row);
        if (!row.number) return;
        const QString key = accountKey(*row.number, row.category);
        if (!index_.contains(key)) index_.insert(key, rows_.size() - 1);
    }

    QVector<DebtRow> rows_;
    QHash<QString, qsizetype> index_;
};

// The monthly totals as the account loop locates them: the first row of each key.
struct MonthlyTotals {
    QHash<QString, double> mg;     // PrDlgMG Sum_of_cost
    QHash<QString, double> calls;  // DolgDR Sum_of_cost: the call charge T
};

void insertTotal(Statement& insert, const QVariant& number, const QVariant& category, qint64 count,
                 double sumOfLong, double sumOfCost, const QDate& closing) {
    insert.reset();
    insert.bind(1, number);
    insert.bind(2, db::toStorage(category, FieldType::String));
    insert.bind(3, count);
    insert.bind(4, sumOfLong);
    insert.bind(5, sumOfCost);
    insert.bind(6, storedDate(closing));
    insert.run();
    insert.reset();
}

QString insertTotalSql(Database& db, const QString& table) {
    return QStringLiteral(
               "INSERT INTO %1 (AbNumber, Priznak, Count_of_calls, Sum_of_long, "
               "Sum_of_cost, Date_of_raschet) VALUES (?, ?, ?, ?, ?, ?)")
        .arg(db.qualified(table));
}

// Totals of one reckoned month from one of the two statements, appended in the statement's
// order; the city rows have the free minutes deducted once per row (once per price). The first
// row of each account goes into firstRows when given.
void appendMonthTotals(db::Query& query, const Month& month, Statement& insert,
                       QHash<QString, double>* firstRows, std::optional<double> freeMinutes) {
    query.close();
    query.setDate(QStringLiteral("DateFrom"), month.from);
    query.setDate(QStringLiteral("DateTo"), month.last);
    query.open();
    const int number = query.fieldIndex(QStringLiteral("AbNumber"));
    const int category = query.fieldIndex(QStringLiteral("Priznak"));
    const int count = query.fieldIndex(QStringLiteral("Count_of_calls"));
    const int sumOfLong = query.fieldIndex(QStringLiteral("Sum_of_Long"));
    const int sumOfCost = query.fieldIndex(QStringLiteral("Sum_of_cost"));
    const int cost = freeMinutes ? query.fieldIndex(QStringLiteral("Cost")) : -1;
    for (qint64 r = 0; r < query.recordCount(); ++r) {
        const qint64 calls = query.value(r, count).toLongLong();
        if (calls <= 0) continue;
        const double minutes = query.value(r, sumOfLong).toDouble();
        double charge = query.value(r, sumOfCost).toDouble();
        if (freeMinutes)
            charge = minutes > *freeMinutes
                         ? charge - *freeMinutes * query.value(r, cost).toDouble()
                         : 0.0;
        const QVariant abNumber = query.value(r, number);
        const QString priznak = query.value(r, category).toString();
        insertTotal(insert, abNumber, priznak, calls, minutes, charge, month.closing);
        if (!firstRows) continue;
        const QString key = monthKey(abNumber.toLongLong(), priznak, month.closing);
        if (!firstRows->contains(key)) firstRows->insert(key, charge);
    }
    query.close();
}

void readCallCharges(Database& db, QHash<QString, double>& charges) {
    Statement read =
        db.statement(QStringLiteral("SELECT AbNumber, Priznak, Sum_of_cost, Date_of_raschet FROM "
                                    "%1 WHERE AbNumber IS NOT NULL ORDER BY %2")
                         .arg(db.qualified(QStringLiteral("DolgDR")), db.rowIdentity()));
    while (read.step()) {
        const QDate closing = dateOf(read.column(3));
        if (!closing.isValid()) continue;
        const QString key = monthKey(read.columnInt(0), read.column(1).toString(), closing);
        if (!charges.contains(key)) charges.insert(key, read.column(2).toDouble());
    }
}

// The numbers whose old long-distance calls are archived, in the order of their first account.
class NumbersTable {
  public:
    NumbersTable(Database& db, const QVector<Account>& accounts) : db_(db) {
        db_.execute(dropSql());
        db_.execute(QStringLiteral("CREATE TEMP TABLE %1 (ord INTEGER PRIMARY KEY, AbNumber "
                                   "INTEGER NOT NULL UNIQUE)")
                        .arg(kNumbersTable));
        Statement insert = db_.statement(
            QStringLiteral("INSERT INTO %1 (ord, AbNumber) VALUES (?, ?)").arg(source(db_)));
        QSet<qint64> seen;
        for (const Account& account : accounts) {
            if (seen.contains(account.number)) continue;
            seen.insert(account.number);
            insert.reset();
            insert.bind(1, qint64(seen.size()));
            insert.bind(2, account.number);
            insert.run();
        }
    }
    ~NumbersTable() {
        try {
            db_.execute(dropSql());
        } catch (const Error&) {
            // The temporary table goes with the connection.
        }
    }
    NumbersTable(const NumbersTable&) = delete;
    NumbersTable& operator=(const NumbersTable&) = delete;

    static QString source(const Database& db) { return db.temporaryTable(kNumbersTable); }

  private:
    QString dropSql() const { return QStringLiteral("DROP TABLE IF EXISTS %1").arg(source(db_)); }

    Database& db_;
};

// The archive step for every account at once: for each number of AbTab.DB, in the order of its
// first account, its distinct long-distance calls dated before the cut-off in the order in which
// QuerySelectOldMG gives them number by number (its DISTINCT sorts by the columns).
qint64 archiveOldLongDistance(Database& db, const db::RowBound& calls, const QDate& cutOff) {
    const QString columns = QStringLiteral(
        "AbNumber, Date_of_call, Time_of_call, Longivity, Cat, Number_of_call, Code, "
        "CodeForeign, TRF");
    const QString callColumns = QStringLiteral(
        "d.AbNumber, d.Date_of_call, d.Time_of_call, d.Longivity, d.Cat, d.Number_of_call, "
        "d.Code, d.CodeForeign, d.TRF");
    Statement archive = db.statement(
        QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM (SELECT DISTINCT n.ord AS ord, %3 "
                       "FROM %4 d %6 %5 n ON n.AbNumber = d.AbNumber "
                       "WHERE d.Date_of_call < ? AND d.Cat > 7) s ORDER BY ord, %2")
            .arg(db.qualified(QStringLiteral("OldMG")), columns, callColumns, calls.source(),
                 NumbersTable::source(db),
                 // SQLite keeps the calls as the outer loop of a CROSS JOIN; the server plans it.
                 db.isServer() ? QStringLiteral("JOIN") : QStringLiteral("CROSS JOIN")));
    archive.bind(1, storedDate(cutOff));
    return archive.run();
}

// A larger page cache for the call table while its old calls are deleted: the delete touches
// every index of DESTTAR in key order, not in the order of the rows, and with SQLite's small
// default cache each index page would be read and written again for almost every row.
void enlargeCallCache(Database& db) {
    if (db.isServer()) return;
    const QString schema = db.qualified(QStringLiteral("DESTTAR")).section(u'.', 0, 0);
    db.connection().exec(
        QStringLiteral("PRAGMA %1.cache_size = -%2").arg(schema).arg(kCallCacheKb));
}

// The run's temporary tables, the sorts and the transient indexes of its statements grow with
// DESTTAR: for the length of the run they go to temporary files rather than memory, so that the
// run's memory does not grow with the calls. SQLite drops the temporary tables when the setting
// changes, so it changes only when the connection holds none (and back when the run's are gone).
class TemporaryStoreOnDisk {
  public:
    explicit TemporaryStoreOnDisk(Database& db) : db_(db) {
        if (db_.isServer()) return;
        Statement held(db_.connection(), QStringLiteral("SELECT 1 FROM temp.sqlite_master"));
        if (held.step()) return;
        db_.connection().exec(QStringLiteral("PRAGMA temp_store = FILE"));
        changed_ = true;
    }
    ~TemporaryStoreOnDisk() {
        if (!changed_) return;
        try {
            db_.connection().exec(QStringLiteral("PRAGMA temp_store = MEMORY"));
        } catch (const Error&) {
            // The setting stays with the connection; only where its temporary tables live differs.
        }
    }
    TemporaryStoreOnDisk(const TemporaryStoreOnDisk&) = delete;
    TemporaryStoreOnDisk& operator=(const TemporaryStoreOnDisk&) = delete;

  private:
    Database& db_;
    bool changed_ = false;
};

// One run at a time on the alias's tables: a lock of the folder, or on a server a lock of the
// session, which the server drops with the session of a killed program.
class OneRunAtATime {
  public:
    explicit OneRunAtATime(Database& db) {
        if (db.isServer())
            server_.emplace(db.serverConnection(), kDebtRunLock, kRunOnOtherSeat);
        else
            folder_.emplace(db.folder(), QStringLiteral("debt-run"), kRunInProgress);
    }

  private:
    std::optional<db::FolderLock> folder_;
    std::optional<db::PgAdvisoryLock> server_;
};

// Result tables of the run that the transaction replaces must exist before it begins; an empty
// file that a killed run left without its table is taken over.
void ensureResultTable(Database& db, const QString& name) {
    if (db.holdsTable(name)) return;
    db::TableDef def;
    def.name = name;
    def.fields = db::schema::prDlgCt().fields;
    db.createTable(def);
}

// The phases of the run in order, each with its share of the bar by the time it takes.
struct Phase {
    int from;
    int to;
    const char* caption;
};
constexpr Phase kUnbilledPhase{0, 10, "Поиск нетарифицированных разговоров"};
constexpr Phase kCityPhase{10, 35, "Тарификация городских разговоров"};
constexpr Phase kLongDistancePhase{35, 55, "Тарификация междугородних разговоров"};
constexpr Phase kTotalsPhase{55, 65, "Итоги по месяцам"};
constexpr Phase kAccountsPhase{65, 90, "Расчет долгов абонентов"};
constexpr Phase kWritePhase{90, 94, "Запись долгов"};
constexpr Phase kRetirePhase{94, 97, "Архив и удаление разговоров"};
constexpr Phase kArchiveMovePhase{97, 100, "Перенос разговоров в архив"};

class Reporter {
  public:
    explicit Reporter(const DebtProgress& progress) : progress_(progress) {}
    // The phase begins.
    void operator()(const Phase& phase) const {
        report(phase.from, QString::fromUtf8(phase.caption));
    }
    // Item done of total of the phase has begun; its name follows the phase's caption.
    void operator()(const Phase& phase, qsizetype done, qsizetype total,
                    const QString& item) const {
        const int percent =
            phase.from + int((phase.to - phase.from) * done / std::max<qsizetype>(1, total));
        report(percent, QStringLiteral("%1: %2").arg(QString::fromUtf8(phase.caption), item));
    }
    void finished() const { report(100, QStringLiteral("Готово")); }

  private:
    void report(int percent, const QString& text) const {
        if (progress_) progress_(percent, text);
    }
    const DebtProgress& progress_;
};

// The tables the run reads or appends to besides its own, created when missing.
void prepareTables(Database& db) {
    db.canonicalName(QStringLiteral("PaneDate"));
    db.canonicalName(QStringLiteral("OldMG"));
    ensureDebtJournal(db);
    ensureVatRates(db);
}

void priceCalls(Database& db, const DebtPipelines& pipelines, const Reporter& report) {
    report(kCityPhase);
    pipelines.cityGroup(db);
    report(kLongDistancePhase);
    pipelines.mgGroup(db);
    report(kTotalsPhase);
    TEST_pausePoint("after-pricing");
}

void emptyMonthlyTotals(Database& db) {
    db::Query(db, sql::QueryEmptyPrDlgCT()).execute();
    db::Query(db, sql::QueryEmptyPrDlgMG()).execute();
    TEST_crashPoint("after-empty");
}

// The start date from the oldest call and the first debt row, refused when the previous month
// is already reckoned; the months from it to the previous month.
QVector<Month> monthsToReckon(Database& db, const DebtTable& debts, const RunDates& dates) {
    QDate startDate;
    {
        db::Query minDate(db, sql::QueryAbsMinDate());
        minDate.open();
        startDate = minDate.isEmpty() ? QDate() : minDate.asDate(QStringLiteral("MinDate"));
    }
    if (!startDate.isValid()) startDate = dates.previousStart;
    if (const DebtRow* first = debts.first(); first && first->yearMonth.isValid()) {
        if (first->yearMonth > startDate) raise(Error::Kind::Refused, kAlreadyReckoned);
        startDate = first->yearMonth;
    }
    if (startDate >= dates.previousEnd) raise(Error::Kind::Refused, kAlreadyReckoned);
    return monthsOf(startDate, dates);
}

MonthlyTotals totalMonths(Database& db, const QVector<Month>& months,
                          const core::Settings& settings) {
    MonthlyTotals totals;
    {
        db::Query city(db, sql::QueryDolgCT());
        db::Query longDistance(db, sql::QueryDolgMG());
        Statement insertCity = db.statement(insertTotalSql(db, QStringLiteral("PrDlgCt")));
        Statement insertMg = db.statement(insertTotalSql(db, QStringLiteral("PrDlgMG")));
        for (const Month& month : months) {
            appendMonthTotals(city, month, insertCity, nullptr, double(settings.freeMinutes));
            if (settings.chargeLongDistance)
                appendMonthTotals(longDistance, month, insertMg, &totals.mg, std::nullopt);
        }
    }
    TEST_crashPoint("after-totals");
    {
        db::Query union_(db, sql::QueryDolgRes());
        db::batchMove(union_, QStringLiteral("DolgRes"));
        db::Query combined(db, sql::QueryDolgDistRes());
        db::batchMove(combined, QStringLiteral("DolgDR"));
    }
    readCallCharges(db, totals.calls);
    TEST_crashPoint("after-combine");
    return totals;
}

// What the accounts' months have in common: their dates, fees and VAT rates.
struct Reckoner {
    const QVector<Month>& months;
    const MonthlyTotals& totals;
    const FeeTable& fees;
    QVector<double> vatPercents;  // per month
    ReckoningRules rules;
    bool chargeLongDistance = true;
};

// The account's months as plain values; also the last month's breakdown for the debt row.
QVector<MonthCharges> chargesOf(const Reckoner& r, const Account& account, DebtRow& breakdown) {
    QVector<MonthCharges> charges;
    for (qsizetype i = 0; i < r.months.size(); ++i) {
        const Month& month = r.months[i];
        const QString key = monthKey(account.number, account.category, month.closing);
        const double calls = r.totals.calls.value(key, 0.0);
        breakdown.mg = r.chargeLongDistance ? r.totals.mg.value(key, 0.0) : 0.0;
        // The city charge is the rest of the call charge, every price of the month together,
        // so that the breakdown adds up to what the debt counts.
        breakdown.byTime = calls - breakdown.mg;
        breakdown.abPlata = r.fees.fee(month.start, account.category);
        charges.append({month.days, calls, breakdown.abPlata, r.vatPercents[i]});
    }
    return charges;
}

void reckonAccounts(const Reckoner& r, const QVector<Account>& accounts, const RunDates& dates,
                    DebtTable& debts, const Reporter& report) {
    for (qsizetype a = 0; a < accounts.size(); ++a) {
        const Account& account = accounts[a];
        report(kAccountsPhase, a, accounts.size(), QString::number(account.number));
        DebtRow computed;
        const QVector<MonthCharges> charges = chargesOf(r, account, computed);
        DebtRow* row = debts.locate(account);
        std::optional<StoredDebt> stored;
        if (row)
            stored =
                StoredDebt{row->dolg, row->nds, row->lastDolg,
                           row->yearMonth.isValid() && row->yearMonth >= r.months.first().closing};
        const Reckoning result = reckonAccount(stored, charges, r.rules);
        const bool closed = account.exist == QLatin1String("NO");
        if (!row) {
            DebtRow added;
            added.number = account.number;
            added.category = account.category;
            debts.append(added);
            row = debts.locate(account);
            row->change = DebtRow::Change::Full;
        }
        if (closed) {
            row->change = std::max(row->change, DebtRow::Change::Dates);
        } else {
            row->lastDolg = result.dueBefore;
            row->dolg = result.debt;
            row->nds = result.nds;
            row->mg = computed.mg;
            row->byTime = computed.byTime;
            row->abPlata = computed.abPlata;
            row->change = DebtRow::Change::Full;
        }
        row->lastYearMonth = dates.previousStart;
        row->yearMonth = dates.currentStart;
        row->account = a;
    }
    report(kWritePhase);
}

void recordRun(Database& db, const RunDates& dates, const Reckoner& r, const QDate& today) {
    RunRecord record;
    record.yearMonth = dates.currentStart;
    record.lastYearMonth = dates.previousStart;
    record.date = today;
    record.time = QTime::currentTime();
    record.months = int(r.months.size());
    record.ndsPercent = r.rules.useNds ? r.vatPercents.last() : 0.0;
    record.lastPane = lastJournalledPayment(db);
    appendDebtJournal(db, record);
}

// The retirement of the reckoned calls: the old long-distance calls of the accounts' numbers
// copied into OldMG.DB, then every call dated before the month start moved to the calls waiting
// for the archive: copied there, then deleted from DESTTAR. The two must be the same calls.
void retireReckonedCalls(Database& db, const db::RowBound& calls, const RunDates& dates,
                         const QString& runId, DebtRunSummary& summary) {
    summary.callsArchived = archiveOldLongDistance(db, calls, dates.currentStart);
    TEST_crashPoint("after-archive");
    const qint64 pending = queueRetiredCalls(db, calls, dates.currentStart, runId);
    TEST_crashPoint("after-call-archive");
    db::Query retire(db, sql::QueryDolgDelete());
    retire.setDateTime(QStringLiteral("DateOfRas"), QDateTime(dates.currentStart, QTime(0, 0)));
    summary.callsRetired = retire.execute();
    if (summary.callsRetired != pending)
        raise(Error::Kind::Engine,
              QStringLiteral("В архив перенесено %1 разговоров, из DESTTAR удалено %2; расчет "
                             "отменен")
                  .arg(pending)
                  .arg(summary.callsRetired));
}

// After the commit the run is done: when its calls cannot go into the archive now, they wait in
// the queue, and the next reader of the archive or the next run moves them first.
void archiveQueuedCalls(Database& db) {
    try {
        finishArchiveMove(db);
    } catch (const Error&) {
        // Still queued; nothing is lost.
    }
}

DebtRunSummary reckonAndRetire(Database& db, const core::SettingsStore& store,
                               const core::VatSettings& vat, const QDate& today,
                               const DebtPipelines& pipelines, const Reporter& report,
                               RunSnapshotMode snapshotMode) {
    const TemporaryStoreOnDisk temporaryStore(db);
    // Calls a previous run left waiting go into the archive before this run queues its own.
    finishArchiveMove(db);
    const QVector<Account> accounts = readAccounts(db);
    if (accounts.isEmpty()) raise(Error::Kind::Refused, kEmptyAbTab);
    const core::Settings settings = core::readSettings(store);
    report(kUnbilledPhase);
    const RunDates dates = datesOf(today);
    prepareTables(db);
    const FeeTable fees(db);
    const VatRates rates = VatRates::read(db);

    // The copy of the tables the run changes, before it changes any: a run that cannot keep one
    // does not start. DESTTAR is not in it: the calls the run retires go to the archive, from
    // which a restore takes them back.
    RunSnapshot snapshot(db, store, today, snapshotMode);
    // Noted before the bound: the bounded rows are a view, which has no rowids to tell the
    // priced calls from the others.
    const qint64 unbilled = noteUnbilledReasons(db);
    // Before anything changes: the calls this run reckons are those in DESTTAR now. The collector
    // may append more while the run works; the run neither prices nor deletes those.
    const db::RowBound calls(db, QStringLiteral("DESTTAR"));
    priceCalls(db, pipelines, report);

    ensureResultTable(db, QStringLiteral("DolgRes"));
    ensureResultTable(db, QStringLiteral("DolgDR"));
    const NumbersTable numbers(db, accounts);
    indexPricedCalls(db);
    // The single final transaction: it holds the write lock of every table it touches from its
    // start, so the debts it reads are those it overwrites; the collector's appends and the
    // payments wait for it.
    db::Transaction transaction(
        db,
        {QStringLiteral("PrDlgCt"), QStringLiteral("PrDlgMG"), QStringLiteral("DolgTb"),
         QStringLiteral("OldMG"), QStringLiteral("DESTTAR"), QStringLiteral("TabCTGr2"),
         QStringLiteral("TabMGgr2"), QStringLiteral("DolgRes"), QStringLiteral("DolgDR"),
         QStringLiteral("DolgJournal")},
        db::Transaction::Lock::Immediate);
    emptyMonthlyTotals(db);
    enlargeCallCache(db);

    DebtTable debts(db);
    const QVector<Month> months = monthsToReckon(db, debts, dates);
    const MonthlyTotals totals = totalMonths(db, months, settings);
    Reckoner reckoner{months, totals, fees, {}, {}, settings.chargeLongDistance};
    for (const Month& month : months) reckoner.vatPercents.append(rates.percentOn(month.start));
    reckoner.rules = {settings.usePenalty, settings.penaltyPercent, vat.useNds};
    reckonAccounts(reckoner, accounts, dates, debts, report);
    debts.write(db, accounts);
    TEST_crashPoint("after-dolg");
    recordRun(db, dates, reckoner, today);

    DebtRunSummary summary;
    summary.reckoningDate = dates.currentStart;
    summary.months = int(months.size());
    summary.accounts = accounts.size();
    summary.callsUnbilled = unbilled;
    report(kRetirePhase);
    retireReckonedCalls(db, calls, dates, snapshot.runId(), summary);
    TEST_crashPoint("before-commit");
    TEST_pausePoint("before-commit");
    transaction.commit();
    snapshot.keep();
    TEST_crashPoint("after-commit");
    report(kArchiveMovePhase);
    archiveQueuedCalls(db);
    return summary;
}

}  // namespace

DebtRunSummary runDebtCalculation(Database& db, const core::SettingsStore& store,
                                  const core::VatSettings& vat, const QDate& today,
                                  const DebtPipelines& pipelines, const DebtProgress& progress,
                                  RunSnapshotMode snapshotMode) {
    const Reporter report(progress);
    const OneRunAtATime oneRunAtATime(db);
    if (!db.isServer()) {
        const DebtRunSummary summary =
            reckonAndRetire(db, store, vat, today, pipelines, report, snapshotMode);
        report.finished();
        return summary;
    }
    // On a server the whole run is one transaction over one snapshot: it prices, reckons and
    // retires exactly the calls it saw while the collector goes on inserting, and runs again when
    // the server gives it up for a conflict with another seat's change.
    const DebtRunSummary summary =
        db::withRetries(db.serverConnection(), db::PgTransaction::Isolation::RepeatableRead, [&] {
            return reckonAndRetire(db, store, vat, today, pipelines, report, snapshotMode);
        });
    report.finished();
    return summary;
}

DebtRunSummary tryDebtCalculationOnServer(Database& db, const core::SettingsStore& store,
                                          const core::VatSettings& vat, const QDate& today,
                                          const DebtPipelines& pipelines,
                                          const DebtProgress& progress,
                                          const std::function<void()>& before,
                                          const std::function<void()>& inspect) {
    const Reporter report(progress);
    const OneRunAtATime oneRunAtATime(db);
    const DebtRunSummary summary = db::withRetries(
        db.serverConnection(), db::PgTransaction::Isolation::RepeatableRead,
        [&] {
            before();
            const DebtRunSummary tried =
                reckonAndRetire(db, store, vat, today, pipelines, report, RunSnapshotMode::Skip);
            inspect();
            return tried;
        },
        db::Ending::RollBack);
    report.finished();
    return summary;
}

QString summaryLine(const DebtRunSummary& summary) {
    QString line = QStringLiteral(
                       "Долг рассчитан на %1: месяцев %2, абонентов %3, в архив OldMG %4, "
                       "удалено звонков %5")
                       .arg(summary.reckoningDate.toString(QStringLiteral("dd.MM.yyyy")))
                       .arg(summary.months)
                       .arg(summary.accounts)
                       .arg(summary.callsArchived)
                       .arg(summary.callsRetired);
    const QString unbilled = calls::unbilledNote(summary.callsUnbilled);
    if (!unbilled.isEmpty()) line += QStringLiteral("; ") + unbilled;
    return line;
}

}  // namespace orv::billing
