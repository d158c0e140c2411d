#include "billing/CallArchive.h"

#include "core/TestHooks.h"
#include "calls/Unbilled.h"
#include "core/Error.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/RowBound.h"
#include "db/Transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace orv::billing {
namespace {

using db::Statement;

const QString kSchema = QStringLiteral("orv_archive");
const QString kReasons = QStringLiteral("orv_unbilled_reasons");
const QString kQueue = QStringLiteral("orv_archive_queue");

const QString kCallColumns = QStringLiteral(
    "AbNumber, Date_of_call, Time_of_call, Longivity, Cat, Number_of_call, Code, CodeForeign, "
    "TRF");

// The columns of a month's table: the call as DESTTAR held it, then how the run billed it.
const QString& monthTableSql() {
    static const QString text = QStringLiteral(
        "CREATE TABLE IF NOT EXISTS %1.%2 (AbNumber INTEGER, Date_of_call DATE, Time_of_call "
        "TIME, Longivity INTEGER, Cat SMALLINT, Number_of_call INTEGER, Code VARCHAR(10), "
        "CodeForeign VARCHAR(10), TRF FLOAT, Priznak VARCHAR(10), Tariff FLOAT, Cost FLOAT, "
        "Reason VARCHAR(60), RunId VARCHAR(30), CallRowid INTEGER);"
        "CREATE INDEX IF NOT EXISTS %1.%3 ON %2 (AbNumber, Date_of_call, Time_of_call);"
        "CREATE INDEX IF NOT EXISTS %1.%4 ON %2 (RunId)");
    return text;
}

// One priced row per call: the city price for calls below category 8, the long-distance price
// above; a call priced under two categories of its number keeps the first.
const QString& archiveInsertSql() {
    static const QString text = QStringLiteral(
        "INSERT INTO %1 (%2, Priznak, Tariff, Cost, Reason, RunId, CallRowid) "
        "SELECT %7, "
        "CASE WHEN d.Cat < 8 THEN (SELECT c.Priznak FROM %3 c WHERE c.AbNumber = d.AbNumber AND "
        "c.Date_of_call = d.Date_of_call AND c.Time_of_call = d.Time_of_call AND c.Longivity = "
        "d.Longivity LIMIT 1) ELSE (SELECT m.Priznak FROM %4 m WHERE m.AbNumber = d.AbNumber AND "
        "m.Date_of_call = d.Date_of_call AND m.Time_of_call = d.Time_of_call AND m.Longivity = "
        "d.Longivity AND m.TRF = d.TRF LIMIT 1) END, "
        "CASE WHEN d.Cat < 8 THEN (SELECT c.Cost FROM %3 c WHERE c.AbNumber = d.AbNumber AND "
        "c.Date_of_call = d.Date_of_call AND c.Time_of_call = d.Time_of_call AND c.Longivity = "
        "d.Longivity LIMIT 1) ELSE (SELECT m.Cost_k FROM %4 m WHERE m.AbNumber = d.AbNumber AND "
        "m.Date_of_call = d.Date_of_call AND m.Time_of_call = d.Time_of_call AND m.Longivity = "
        "d.Longivity AND m.TRF = d.TRF LIMIT 1) END, "
        "CASE WHEN d.Cat < 8 THEN (SELECT c.ResCost FROM %3 c WHERE c.AbNumber = d.AbNumber AND "
        "c.Date_of_call = d.Date_of_call AND c.Time_of_call = d.Time_of_call AND c.Longivity = "
        "d.Longivity LIMIT 1) ELSE (SELECT m.ResCost FROM %4 m WHERE m.AbNumber = d.AbNumber AND "
        "m.Date_of_call = d.Date_of_call AND m.Time_of_call = d.Time_of_call AND m.Longivity = "
        "d.Longivity AND m.TRF = d.TRF LIMIT 1) END, "
        "(SELECT u.Reason FROM temp.%5 u WHERE u.AbNumber IS d.AbNumber AND u.Date_of_call IS "
        "d.Date_of_call AND u.Time_of_call IS d.Time_of_call AND u.Longivity IS d.Longivity AND "
        "u.Cat IS d.Cat AND u.Number_of_call IS d.Number_of_call AND u.TRF IS d.TRF LIMIT 1), "
        "?1, d.rowid FROM %6 d WHERE d.rowid <= ?2 AND d.Date_of_call >= ?3 AND "
        "d.Date_of_call < ?4 ORDER BY d.rowid");
    return text;
}

// The call columns, each prefixed with alias.
QString callColumnsOf(const QString& alias) {
    QStringList columns = kCallColumns.split(QStringLiteral(", "));
    for (QString& column : columns) column.prepend(alias + u'.');
    return columns.join(QStringLiteral(", "));
}

// The pipelines price identical calls once (their select is DISTINCT): a call of this run that
// repeats an earlier one in every priced column keeps no cost.
const QString& repeatedCallsSql() {
    static const QString text = QStringLiteral(
        "UPDATE %1 SET Tariff = NULL, Cost = NULL, Reason = 'повтор разговора' WHERE RunId = ?1 "
        "AND Cost IS NOT NULL AND EXISTS (SELECT 1 FROM %1 e WHERE e.RunId = ?1 AND e.AbNumber = "
        "%1.AbNumber AND e.Date_of_call = %1.Date_of_call AND e.Time_of_call = %1.Time_of_call "
        "AND e.Longivity = %1.Longivity AND e.Priznak IS %1.Priznak AND e.CallRowid < "
        "%1.CallRowid AND e.Cost IS NOT NULL AND ((e.Cat < 8 AND %1.Cat < 8) OR (e.Cat > 7 AND "
        "%1.Cat > 7 AND e.TRF = %1.TRF)))");
    return text;
}

QString isoDate(const QDate& date) { return date.toString(Qt::ISODate); }

QStringList monthTables(db::Connection& c, const QString& schema) {
    Statement read(c, QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type = 'table' AND "
                                     "name GLOB 'DESTTAR_[0-9][0-9][0-9][0-9]_[0-9][0-9]' "
                                     "ORDER BY name")
                          .arg(db::quoteIdentifier(schema)));
    QStringList names;
    while (read.step()) names.append(read.column(0).toString());
    return names;
}

QString queueTable() { return QStringLiteral("main.") + db::quoteIdentifier(kQueue); }

// The queue and a month's table have the same columns.
void createCallTable(db::Connection& c, const QString& schema, const QString& name) {
    c.exec(monthTableSql().arg(db::quoteIdentifier(schema), db::quoteIdentifier(name),
                               db::quoteIdentifier(name + QStringLiteral("_call")),
                               db::quoteIdentifier(name + QStringLiteral("_run"))));
}

bool hasQueuedCalls(db::Connection& c) {
    Statement exists(c, QStringLiteral("SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND "
                                       "name = ?1"));
    exists.bind(1, kQueue);
    if (!exists.step()) return false;
    Statement any(c, QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(queueTable()));
    return any.step();
}

QList<QDate> monthsOfDates(Statement& read) {
    QList<QDate> months;
    while (read.step()) {
        const QDate month =
            QDate::fromString(read.column(0).toString() + QStringLiteral("-01"), Qt::ISODate);
        if (month.isValid()) months.append(month);
    }
    return months;
}

QList<QDate> queuedMonths(db::Connection& c) {
    Statement read(c,
                   QStringLiteral("SELECT DISTINCT substr(Date_of_call, 1, 7) FROM %1 ORDER BY 1")
                       .arg(queueTable()));
    return monthsOfDates(read);
}

// Moves the queued calls into their months' tables of the attached archive, all or nothing. The
// queue is read again under the write lock: another program may have moved the calls meanwhile.
void moveQueuedCalls(db::Database& db, const ArchiveAttachment& archive) {
    db::Connection& c = db.connection();
    if (!hasQueuedCalls(c)) return;
    db::Transaction transaction(db, {}, db::Transaction::Lock::Immediate);
    const QString columns =
        kCallColumns + QStringLiteral(", Priznak, Tariff, Cost, Reason, RunId, CallRowid");
    for (const QDate& month : queuedMonths(c)) {
        createCallTable(c, archive.schema(), archiveTableName(month));
        Statement insert(c, QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 WHERE "
                                           "substr(Date_of_call, 1, 7) = ?1 ORDER BY rowid")
                                .arg(archive.table(month), columns, queueTable()));
        insert.bind(1, isoDate(month).left(7));
        insert.run();
    }
    TEST_crashPoint("archive-move-before-commit");
    c.exec(QStringLiteral("DELETE FROM %1").arg(queueTable()));
    transaction.commit();
}

QDate monthOf(const QString& table) {
    return QDate(table.mid(8, 4).toInt(), table.mid(13, 2).toInt(), 1);
}

// The months in which the bounded calls dated before cutOff fall.
QList<QDate> retiredMonths(db::Database& db, const db::RowBound& calls, const QDate& cutOff) {
    Statement read(db.connection(),
                   QStringLiteral("SELECT DISTINCT substr(Date_of_call, 1, 7) FROM %1 WHERE "
                                  "Date_of_call < ?1 ORDER BY 1")
                       .arg(calls.source()));
    read.bind(1, isoDate(cutOff));
    return monthsOfDates(read);
}

}  // namespace

QString archiveFolder(const db::Database& db) { return db.folder() + QStringLiteral("/Archive"); }

QString archiveFilePath(const db::Database& db) {
    return archiveFolder(db) + QStringLiteral("/Calls.db");
}

QString archiveTableName(const QDate& date) {
    return QStringLiteral("DESTTAR_%1_%2")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'));
}

int archiveMonthsToKeep(const core::SettingsStore& store) {
    return std::max(1, int(store.readInteger(core::kArchiveSection, core::kArchiveKeepMonths,
                                             core::kArchiveKeepDefault)));
}

QDate firstKeptMonth(const core::SettingsStore& store, const QDate& today) {
    return QDate(today.year(), today.month(), 1).addMonths(-archiveMonthsToKeep(store));
}

ArchiveAttachment::ArchiveAttachment(db::Database& db) : db_(db), schema_(kSchema) {
    if (!QDir().mkpath(archiveFolder(db)))
        raise(Error::Kind::Refused, QStringLiteral("Не удалось создать папку архива разговоров %1")
                                        .arg(QDir::toNativeSeparators(archiveFolder(db))));
    if (QFileInfo(archiveFilePath(db)).isSymLink())
        raise(Error::Kind::Refused, QStringLiteral("Файл архива разговоров %1 является ссылкой")
                                        .arg(QDir::toNativeSeparators(archiveFilePath(db))));
    db.attachFile(archiveFilePath(db), schema_);
    try {
        moveQueuedCalls(db, *this);
    } catch (const Error&) {
        db.detachFile(schema_);
        throw;
    }
}

ArchiveAttachment::~ArchiveAttachment() {
    try {
        db_.detachFile(schema_);
    } catch (const Error&) {
        // The attachment goes with the connection.
    }
}

QString ArchiveAttachment::table(const QDate& month) const {
    return db::quoteIdentifier(schema_) + u'.' + db::quoteIdentifier(archiveTableName(month));
}

bool ArchiveAttachment::holdsMonth(const QDate& month) const {
    return monthTables(db_.connection(), schema_).contains(archiveTableName(month));
}

qint64 noteUnbilledReasons(db::Database& db) {
    db::Connection& c = db.connection();
    // Typed as the call columns: an untyped column compared with a typed one cannot use the
    // index, and the archive's lookup of each call's reason would scan the whole table.
    c.exec(QStringLiteral("DROP TABLE IF EXISTS temp.%1; CREATE TEMP TABLE %1 (AbNumber INTEGER, "
                          "Date_of_call DATE, Time_of_call TIME, Cat SMALLINT, Longivity INTEGER, "
                          "Number_of_call INTEGER, TRF FLOAT, Code VARCHAR(10), "
                          "CodeForeign VARCHAR(10), Reason VARCHAR(60))")
               .arg(kReasons));
    calls::UnbilledView view(db);
    db::Query& unbilled = view.open();
    Statement insert(
        c,
        QStringLiteral("INSERT INTO temp.%1 VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)").arg(kReasons));
    const QStringList columns = {QStringLiteral("AbNumber"),     QStringLiteral("Date_of_call"),
                                 QStringLiteral("Time_of_call"), QStringLiteral("Cat"),
                                 QStringLiteral("Longivity"),    QStringLiteral("Number_of_call"),
                                 QStringLiteral("TRF"),          QStringLiteral("Code"),
                                 QStringLiteral("CodeForeign"),  QStringLiteral("Reason")};
    QList<int> fields;
    for (const QString& column : columns) fields.append(unbilled.fieldIndex(column));
    for (qint64 r = 0; r < unbilled.recordCount(); ++r) {
        insert.reset();
        for (int i = 0; i < fields.size(); ++i) {
            const QVariant value = unbilled.value(r, fields[i]);
            insert.bind(i + 1, value.userType() == QMetaType::QDate
                                   ? QVariant(isoDate(value.toDate()))
                               : value.userType() == QMetaType::QTime
                                   ? QVariant(value.toTime().toString(QStringLiteral("HH:mm:ss")))
                                   : value);
        }
        insert.run();
    }
    c.exec(QStringLiteral("CREATE INDEX temp.%1_call ON %1 (AbNumber, Date_of_call, "
                          "Time_of_call)")
               .arg(kReasons));
    return unbilled.recordCount();
}

void indexPricedCalls(db::Database& db) {
    const QString city = db.qualified(QStringLiteral("TabCTGr2"));
    const QString mg = db.qualified(QStringLiteral("TabMGgr2"));
    db.connection().exec(
        QStringLiteral("CREATE INDEX IF NOT EXISTS %1.orv_priced_call ON %2 (AbNumber, "
                       "Date_of_call, Time_of_call, Longivity, Priznak, Cost, ResCost); "
                       "CREATE INDEX IF NOT EXISTS %3.orv_priced_call ON %4 (AbNumber, "
                       "Date_of_call, Time_of_call, Longivity, TRF, Priznak, Cost_k, ResCost)")
            .arg(city.section(u'.', 0, 0), city.section(u'.', 1), mg.section(u'.', 0, 0),
                 mg.section(u'.', 1)));
}

qint64 queueRetiredCalls(db::Database& db, const db::RowBound& calls, const QDate& cutOff,
                         const QString& runId) {
    const QString city = db.qualified(QStringLiteral("TabCTGr2"));
    const QString mg = db.qualified(QStringLiteral("TabMGgr2"));
    const QString desttar = db.qualified(QStringLiteral("DESTTAR"));
    createCallTable(db.connection(), QStringLiteral("main"), kQueue);
    qint64 queued = 0;
    for (const QDate& month : retiredMonths(db, calls, cutOff)) {
        Statement insert(db.connection(),
                         archiveInsertSql().arg(queueTable(), kCallColumns, city, mg, kReasons,
                                                desttar, callColumnsOf(QStringLiteral("d"))));
        insert.bind(1, runId);
        insert.bind(2, calls.lastRowid());
        insert.bind(3, isoDate(month));
        insert.bind(4, isoDate(std::min(month.addMonths(1), cutOff)));
        insert.run();
        queued += db.connection().changes();
    }
    Statement repeated(db.connection(), repeatedCallsSql().arg(queueTable()));
    repeated.bind(1, runId);
    repeated.run();
    return queued;
}

void finishArchiveMove(db::Database& db) {
    if (!hasQueuedCalls(db.connection())) return;
    const ArchiveAttachment archive(db);  // moves the queue on attaching
}

qint64 returnArchivedCalls(db::Database& db, const ArchiveAttachment& archive,
                           const QString& runId) {
    const QString desttar = db.qualified(QStringLiteral("DESTTAR"));
    qint64 moved = 0;
    for (const QString& name : monthTables(db.connection(), archive.schema())) {
        const QString table = archive.table(monthOf(name));
        Statement insert(
            db.connection(),
            QStringLiteral("INSERT INTO %1 (rowid, %2) SELECT CASE WHEN EXISTS (SELECT 1 FROM %1 "
                           "t WHERE t.rowid = a.CallRowid) THEN NULL ELSE a.CallRowid END, %3 "
                           "FROM %4 a WHERE a.RunId >= ?1 ORDER BY a.CallRowid")
                .arg(desttar, kCallColumns, callColumnsOf(QStringLiteral("a")), table));
        insert.bind(1, runId);
        insert.run();
        moved += db.connection().changes();
    }
    forgetArchivedCalls(db, archive, runId);
    return moved;
}

void forgetArchivedCalls(db::Database& db, const ArchiveAttachment& archive, const QString& runId) {
    for (const QString& name : monthTables(db.connection(), archive.schema())) {
        Statement remove(
            db.connection(),
            QStringLiteral("DELETE FROM %1 WHERE RunId >= ?1").arg(archive.table(monthOf(name))));
        remove.bind(1, runId);
        remove.run();
        Statement left(
            db.connection(),
            QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(archive.table(monthOf(name))));
        if (!left.step())
            db.connection().exec(QStringLiteral("DROP TABLE %1").arg(archive.table(monthOf(name))));
    }
}

QList<ArchiveMonth> listArchive(db::Database& db) {
    QList<ArchiveMonth> months;
    if (!QFileInfo::exists(archiveFilePath(db)) && !hasQueuedCalls(db.connection())) return months;
    const ArchiveAttachment archive(db);
    const QString schema = db::quoteIdentifier(archive.schema());
    for (const QString& name : monthTables(db.connection(), archive.schema())) {
        ArchiveMonth month;
        month.month = monthOf(name);
        Statement count(db.connection(),
                        QStringLiteral("SELECT count(*) FROM %1").arg(archive.table(month.month)));
        count.step();
        month.calls = count.columnInt(0);
        Statement bytes(db.connection(),
                        QStringLiteral("SELECT coalesce(sum(s.pgsize), 0) FROM %1.sqlite_master m "
                                       "JOIN dbstat(%2) s ON s.name = m.name WHERE m.tbl_name = ?1")
                            .arg(schema, db::quoteIdentifier(archive.schema())));
        bytes.bind(1, name);
        bytes.step();
        month.bytes = bytes.columnInt(0);
        months.append(month);
    }
    return months;
}

QList<QDate> dropArchiveBefore(db::Database& db, const QDate& month) {
    QList<QDate> dropped;
    if (!QFileInfo::exists(archiveFilePath(db)) && !hasQueuedCalls(db.connection())) return dropped;
    const ArchiveAttachment archive(db);
    {
        db::Transaction transaction(db, {}, db::Transaction::Lock::Immediate);
        for (const QString& name : monthTables(db.connection(), archive.schema())) {
            if (monthOf(name) >= month) continue;
            db.connection().exec(QStringLiteral("DROP TABLE %1").arg(archive.table(monthOf(name))));
            dropped.append(monthOf(name));
        }
        transaction.commit();
    }
    // The dropped months' pages go back to the file system; VACUUM needs an attachment of its own.
    db.detachUnused();
    if (!dropped.isEmpty())
        db.connection().exec(
            QStringLiteral("VACUUM %1").arg(db::quoteIdentifier(archive.schema())));
    return dropped;
}

QString dropQuestion(const QDate& month) {
    return QStringLiteral("Удалить архив разговоров до %1?")
        .arg(month.toString(QStringLiteral("MM.yyyy")));
}

}  // namespace orv::billing
