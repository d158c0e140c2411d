#include "billing/CallArchive.h"

#include "calls/Unbilled.h"
#include "core/Error.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/TestHooks.h"
#include "db/Database.h"
#include "db/PgConnection.h"
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

// The columns of a month's table: the call as DESTTAR held it, then how the run billed it. A
// call charged under several categories of its number has a row for each, all with its CallRowid.
const QString& monthTableSql() {
    static const QString text = QStringLiteral(
        "CREATE TABLE IF NOT EXISTS %1.%2 (AbNumber INTEGER, Date_of_call DATE, Time_of_call "
        "TIME, Longivity INTEGER, Cat SMALLINT, Number_of_call INTEGER, Code VARCHAR(10), "
        "CodeForeign VARCHAR(10), TRF FLOAT, Priznak VARCHAR(10), Tariff FLOAT, Cost FLOAT, "
        "Reason VARCHAR(60), RunId VARCHAR(30), CallRowid INTEGER)");
    return text;
}

// Built after a new month's rows are in, which is faster than keeping them up to date row by row.
const QString& monthIndexesSql() {
    static const QString text = QStringLiteral(
        "CREATE INDEX IF NOT EXISTS %1.%3 ON %2 (AbNumber, Date_of_call, Time_of_call);"
        "CREATE INDEX IF NOT EXISTS %1.%4 ON %2 (RunId, CallRowid)");
    return text;
}

// Every bounded call dated before the cut-off, with a row for each category it was priced under:
// the city price for calls below category 8, the long-distance price for the others; of the
// priced rows of one call and category the first. A call that repeats an earlier one in every
// priced column keeps no cost, since the pipelines price identical calls once (their select is
// DISTINCT); a call priced under no category keeps the reason noted for it. In the order of the
// call index of DESTTAR (its columns, then the rowid), which reads the calls from that index
// alone, finds their prices in the same order in the indexes of the priced tables and keeps the
// rows of one call together.
const QString& archiveInsertSql() {
    static const QString text = QStringLiteral(
        "INSERT INTO %1 (%2, Priznak, Tariff, Cost, Reason, RunId, CallRowid) "
        "SELECT %7, coalesce(c.Priznak, m.Priznak), "
        "CASE WHEN e.rowid IS NULL THEN coalesce(c.Cost, m.Cost_k) END, "
        "CASE WHEN e.rowid IS NULL THEN coalesce(c.ResCost, m.ResCost) END, "
        "CASE WHEN e.rowid IS NOT NULL THEN 'повтор разговора' "
        "WHEN c.rowid IS NULL AND m.rowid IS NULL THEN (SELECT u.Reason FROM temp.%5 u WHERE "
        "u.AbNumber IS d.AbNumber AND u.Date_of_call IS d.Date_of_call AND u.Time_of_call IS "
        "d.Time_of_call AND u.Longivity IS d.Longivity AND u.Cat IS d.Cat AND u.Number_of_call "
        "IS d.Number_of_call AND u.TRF IS d.TRF LIMIT 1) END, ?1, d.rowid "
        "FROM %6 d "
        "LEFT JOIN %3 c ON d.Cat < 8 AND c.AbNumber = d.AbNumber AND c.Date_of_call = "
        "d.Date_of_call AND c.Time_of_call = d.Time_of_call AND c.Longivity = d.Longivity AND "
        "NOT EXISTS (SELECT 1 FROM %3 f WHERE f.AbNumber = c.AbNumber AND f.Date_of_call = "
        "c.Date_of_call AND f.Time_of_call = c.Time_of_call AND f.Longivity = c.Longivity AND "
        "f.Priznak IS c.Priznak AND f.rowid < c.rowid) "
        "LEFT JOIN %4 m ON (d.Cat < 8) IS NOT 1 AND m.AbNumber = d.AbNumber AND m.Date_of_call = "
        "d.Date_of_call AND m.Time_of_call = d.Time_of_call AND m.Longivity = d.Longivity AND "
        "m.TRF = d.TRF AND NOT EXISTS (SELECT 1 FROM %4 f WHERE f.AbNumber = m.AbNumber AND "
        "f.Date_of_call = m.Date_of_call AND f.Time_of_call = m.Time_of_call AND f.Longivity = "
        "m.Longivity AND f.TRF = m.TRF AND f.Priznak IS m.Priznak AND f.rowid < m.rowid) "
        "LEFT JOIN %6 e ON coalesce(c.ResCost, m.ResCost) IS NOT NULL AND e.rowid = (SELECT "
        "r.rowid FROM %6 r WHERE r.AbNumber = d.AbNumber AND r.Date_of_call = d.Date_of_call AND "
        "r.Time_of_call = d.Time_of_call AND r.Longivity = d.Longivity AND r.rowid < d.rowid AND "
        "CASE WHEN d.Cat < 8 THEN r.Cat < 8 ELSE r.Cat > 7 AND d.Cat > 7 AND r.TRF = d.TRF END "
        "LIMIT 1) "
        "WHERE d.rowid <= ?2 AND d.Date_of_call < ?3 "
        "ORDER BY d.AbNumber, d.Date_of_call, d.Time_of_call, d.Cat, d.Longivity, "
        "d.Number_of_call, d.TRF, d.Code, d.CodeForeign, d.rowid");
    return text;
}

// A month's table on the server: its INTEGER is 32 bits, too small for dialled numbers and row
// addresses, which SQLite's INTEGER holds.
QString serverMonthTableSql() {
    return QString(monthTableSql()).replace(QStringLiteral(" INTEGER"), QStringLiteral(" BIGINT"));
}

// The same rows on the server, written for its planner: the run's snapshot bounds the calls, a
// call is numbered by its row address at the time of the run, the first priced row of a call and
// category and the first of identical unbilled calls are picked by DISTINCT ON, and a repeated
// call is one that is not the first of its equals in stored order (a window over DESTTAR). Each
// of them is then a hash or merge join instead of a search per call. The unbilled reason is
// matched on the text of the call's columns, which tells NULL apart as IS does.
const QString& serverArchiveInsertSql() {
    static const QString text = QStringLiteral(
        "INSERT INTO %1 (%2, Priznak, Tariff, Cost, Reason, RunId, CallRowid) "
        "SELECT %7, coalesce(c.Priznak, m.Priznak), "
        "CASE WHEN NOT x.repeated THEN coalesce(c.Cost, m.Cost_k) END, "
        "CASE WHEN NOT x.repeated THEN coalesce(c.ResCost, m.ResCost) END, "
        "CASE WHEN x.repeated THEN 'повтор разговора' "
        "WHEN c.AbNumber IS NULL AND m.AbNumber IS NULL THEN u.Reason END, $1, "
        "((d.orv_row::text::point)[0]::bigint << 16) + (d.orv_row::text::point)[1]::bigint "
        "FROM (SELECT t.*, t.ctid AS orv_row, CASE WHEN t.Cat < 8 OR (t.Cat > 7 AND t.TRF IS "
        "NOT NULL) THEN row_number() OVER (PARTITION BY t.AbNumber, t.Date_of_call, "
        "t.Time_of_call, t.Longivity, t.Cat < 8, CASE WHEN t.Cat > 7 THEN t.TRF END ORDER BY "
        "t.ctid) > 1 ELSE false END AS orv_later FROM %6 t WHERE t.Date_of_call < $2) d "
        "LEFT JOIN (SELECT DISTINCT ON (AbNumber, Date_of_call, Time_of_call, Longivity, "
        "Priznak) AbNumber, Date_of_call, Time_of_call, Longivity, Priznak, Cost, ResCost FROM "
        "%3 ORDER BY AbNumber, Date_of_call, Time_of_call, Longivity, Priznak, ctid) c ON "
        "d.Cat < 8 AND c.AbNumber = d.AbNumber AND c.Date_of_call = d.Date_of_call AND "
        "c.Time_of_call = d.Time_of_call AND c.Longivity = d.Longivity "
        "LEFT JOIN (SELECT DISTINCT ON (AbNumber, Date_of_call, Time_of_call, Longivity, TRF, "
        "Priznak) AbNumber, Date_of_call, Time_of_call, Longivity, TRF, Priznak, Cost_k, ResCost "
        "FROM %4 ORDER BY AbNumber, Date_of_call, Time_of_call, Longivity, TRF, Priznak, ctid) "
        "m ON (d.Cat < 8) IS NOT TRUE AND m.AbNumber = d.AbNumber AND m.Date_of_call = "
        "d.Date_of_call AND m.Time_of_call = d.Time_of_call AND m.Longivity = d.Longivity AND "
        "m.TRF = d.TRF "
        "LEFT JOIN (SELECT DISTINCT ON (call) call, Reason FROM (SELECT ROW(AbNumber, "
        "Date_of_call, Time_of_call, Longivity, Cat, Number_of_call, TRF)::text AS call, Reason, "
        "ctid FROM %5) r ORDER BY call, ctid) u ON u.call = ROW(d.AbNumber, d.Date_of_call, "
        "d.Time_of_call, d.Longivity, d.Cat, d.Number_of_call, d.TRF)::text "
        "CROSS JOIN LATERAL (SELECT d.orv_later AND coalesce(c.ResCost, m.ResCost) IS NOT NULL "
        "AS repeated) x "
        "ORDER BY d.AbNumber, d.Date_of_call, d.Time_of_call, d.Cat, d.Longivity, "
        "d.Number_of_call, d.TRF, d.Code, d.CodeForeign, d.orv_row");
    return text;
}

// The call columns, each prefixed with alias.
QString callColumnsOf(const QString& alias) {
    QStringList columns = kCallColumns.split(QStringLiteral(", "));
    for (QString& column : columns) column.prepend(alias + u'.');
    return columns.join(QStringLiteral(", "));
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

// The queue and a month's table have the same columns; the queue needs no index.
void createCallTable(db::Connection& c, const QString& schema, const QString& name) {
    c.exec(monthTableSql().arg(db::quoteIdentifier(schema), db::quoteIdentifier(name)));
}

void indexMonthTable(db::Connection& c, const QString& schema, const QString& name) {
    c.exec(monthIndexesSql().arg(db::quoteIdentifier(schema), db::quoteIdentifier(name),
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
        indexMonthTable(c, archive.schema(), archiveTableName(month));
    }
    TEST_crashPoint("archive-move-before-commit");
    c.exec(QStringLiteral("DELETE FROM %1").arg(queueTable()));
    transaction.commit();
}

QDate monthOf(const QString& table) {
    return QDate(table.mid(8, 4).toInt(), table.mid(13, 2).toInt(), 1);
}

// On a server the archive is a schema of its own beside the alias's tables ("public_archive"),
// so that its month tables are never taken for tables of the alias.
QString serverArchiveSchema(db::Database& db) {
    return db.serverConnection().address().schemaName() + QStringLiteral("_archive");
}

QStringList serverMonthTables(db::Database& db) {
    Statement read = db.statement(
        QStringLiteral("SELECT table_name FROM information_schema.tables WHERE table_schema = ? "
                       "AND table_name ~ '^DESTTAR_[0-9]{4}_[0-9]{2}$' ORDER BY table_name"));
    read.bind(1, serverArchiveSchema(db));
    QStringList names;
    while (read.step()) names.append(read.column(0).toString());
    return names;
}

QStringList archivedMonthTables(db::Database& db, const QString& schema) {
    return db.isServer() ? serverMonthTables(db) : monthTables(db.connection(), schema);
}

// Inside the run's transaction on a server: the calls go through a table of the session into
// their months' tables at once, and the month tables are created as needed.
qint64 archiveOnServer(db::Database& db, const QDate& cutOff, const QString& runId) {
    const QString stage = db.temporaryTable(kQueue);
    db.execute(QStringLiteral("DROP TABLE IF EXISTS %1").arg(stage));
    db.execute(serverMonthTableSql().arg(QStringLiteral("pg_temp"), db::quoteIdentifier(kQueue)));
    db.execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN orv_seq bigserial").arg(stage));
    Statement insert = db.statement(serverArchiveInsertSql().arg(
        stage, kCallColumns, db.qualified(QStringLiteral("TabCTGr2")),
        db.qualified(QStringLiteral("TabMGgr2")), db.temporaryTable(kReasons),
        db.qualified(QStringLiteral("DESTTAR")), callColumnsOf(QStringLiteral("d"))));
    insert.bind(1, runId);
    insert.bind(2, isoDate(cutOff));
    insert.run();
    Statement count = db.statement(
        QStringLiteral("SELECT count(*) FROM (SELECT CallRowid FROM %1 GROUP BY CallRowid) s")
            .arg(stage));
    count.step();
    const qint64 calls = count.columnInt(0);
    const QString schema = db::quoteIdentifier(serverArchiveSchema(db));
    db.execute(QStringLiteral("CREATE SCHEMA IF NOT EXISTS %1").arg(schema));
    Statement months =
        db.statement(QStringLiteral("SELECT to_char(m, 'YYYY-MM') FROM (SELECT date_trunc('month', "
                                    "Date_of_call) AS m FROM %1 GROUP BY 1) s ORDER BY 1")
                         .arg(stage));
    const QString columns =
        kCallColumns + QStringLiteral(", Priznak, Tariff, Cost, Reason, RunId, CallRowid");
    for (const QDate& month : monthsOfDates(months)) {
        const QString name = archiveTableName(month);
        const QString table = schema + u'.' + db::quoteIdentifier(name);
        db.execute(serverMonthTableSql().arg(schema, db::quoteIdentifier(name)));
        Statement move = db.statement(
            QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 WHERE Date_of_call >= ? AND "
                           "Date_of_call < ? ORDER BY orv_seq")
                .arg(table, columns, stage));
        move.bind(1, isoDate(month));
        move.bind(2, isoDate(month.addMonths(1)));
        move.run();
        db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (AbNumber, Date_of_call, "
                                  "Time_of_call); CREATE INDEX IF NOT EXISTS %3 ON %2 (RunId, "
                                  "CallRowid)")
                       .arg(db::quoteIdentifier(name + QStringLiteral("_call")), table,
                            db::quoteIdentifier(name + QStringLiteral("_run"))));
    }
    db.execute(QStringLiteral("DROP TABLE %1").arg(stage));
    return calls;
}

QList<ArchiveMonth> listServerArchive(db::Database& db) {
    QList<ArchiveMonth> months;
    const QString schema = db::quoteIdentifier(serverArchiveSchema(db));
    for (const QString& name : serverMonthTables(db)) {
        const QString table = schema + u'.' + db::quoteIdentifier(name);
        Statement count = db.statement(
            QStringLiteral("SELECT count(*), pg_total_relation_size(?::regclass) FROM (SELECT "
                           "DISTINCT RunId, CallRowid FROM %1) s")
                .arg(table));
        count.bind(1, table);
        count.step();
        months.append({monthOf(name), count.columnInt(0), count.columnInt(1)});
    }
    return months;
}

QList<QDate> dropServerArchiveBefore(db::Database& db, const QDate& month) {
    QList<QDate> dropped;
    db::Transaction transaction(db, {});
    const QString schema = db::quoteIdentifier(serverArchiveSchema(db));
    for (const QString& name : serverMonthTables(db)) {
        if (monthOf(name) >= month) continue;
        db.execute(
            QStringLiteral("DROP TABLE IF EXISTS %1.%2").arg(schema, db::quoteIdentifier(name)));
        dropped.append(monthOf(name));
    }
    transaction.commit();
    return dropped;
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
    if (db.isServer()) {
        schema_ = serverArchiveSchema(db);
        return;
    }
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
    if (db_.isServer()) return;
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
    return archivedMonthTables(db_, schema_).contains(archiveTableName(month));
}

qint64 noteUnbilledReasons(db::Database& db) {
    const qint64 unbilled = calls::copyUnbilled(db, kReasons);
    const QString index = db.isServer() ? QStringLiteral(
                                              "CREATE INDEX %1_call ON pg_temp.%1 (AbNumber, "
                                              "Date_of_call, Time_of_call)")
                                        : QStringLiteral(
                                              "CREATE INDEX temp.%1_call ON %1 (AbNumber, "
                                              "Date_of_call, Time_of_call)");
    db.execute(index.arg(kReasons));
    // The server's planner knows nothing of a table filled inside the run's transaction.
    if (db.isServer()) db.execute(QStringLiteral("ANALYZE pg_temp.%1").arg(kReasons));
    return unbilled;
}

void indexPricedCalls(db::Database& db) {
    const QString city = db.qualified(QStringLiteral("TabCTGr2"));
    const QString mg = db.qualified(QStringLiteral("TabMGgr2"));
    if (db.isServer()) {
        db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS orv_priced_city_call ON %1 "
                                  "(AbNumber, Date_of_call, Time_of_call, Longivity); CREATE "
                                  "INDEX IF NOT EXISTS orv_priced_mg_call ON %2 (AbNumber, "
                                  "Date_of_call, Time_of_call, Longivity, TRF); ANALYZE %1; "
                                  "ANALYZE %2")
                       .arg(city, mg));
        return;
    }
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
    if (db.isServer()) return archiveOnServer(db, cutOff, runId);
    const QString city = db.qualified(QStringLiteral("TabCTGr2"));
    const QString mg = db.qualified(QStringLiteral("TabMGgr2"));
    const QString desttar = db.qualified(QStringLiteral("DESTTAR"));
    db::Connection& c = db.connection();
    createCallTable(c, QStringLiteral("main"), kQueue);
    Statement insert(c, archiveInsertSql().arg(queueTable(), kCallColumns, city, mg, kReasons,
                                               desttar, callColumnsOf(QStringLiteral("d"))));
    insert.bind(1, runId);
    insert.bind(2, calls.lastRowid());
    insert.bind(3, isoDate(cutOff));
    insert.run();
    // The rows of one call are consecutive: a call is counted at its first row.
    Statement count(c, QStringLiteral("SELECT count(*) FROM %1 q WHERE q.RunId = ?1 AND NOT "
                                      "EXISTS (SELECT 1 FROM %1 p WHERE p.rowid = q.rowid - 1 AND "
                                      "p.RunId = q.RunId AND p.CallRowid = q.CallRowid)")
                           .arg(queueTable()));
    count.bind(1, runId);
    count.step();
    return count.columnInt(0);
}

void finishArchiveMove(db::Database& db) {
    if (db.isServer() || !hasQueuedCalls(db.connection())) return;
    const ArchiveAttachment archive(db);  // moves the queue on attaching
}

qint64 returnArchivedCalls(db::Database& db, const ArchiveAttachment& archive,
                           const QString& runId) {
    const QString desttar = db.qualified(QStringLiteral("DESTTAR"));
    qint64 moved = 0;
    if (db.isServer()) {
        // Each call once, in the order of its row address when it was archived.
        for (const QString& name : serverMonthTables(db)) {
            Statement insert = db.statement(
                QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM (SELECT DISTINCT ON (RunId, "
                               "CallRowid) %2, CallRowid AS orv_call FROM %3 WHERE RunId >= ? "
                               "ORDER BY RunId, CallRowid, ctid) s ORDER BY orv_call")
                    .arg(desttar, kCallColumns, archive.table(monthOf(name))));
            insert.bind(1, runId);
            moved += insert.run();
        }
        forgetArchivedCalls(db, archive, runId);
        return moved;
    }
    for (const QString& name : monthTables(db.connection(), archive.schema())) {
        const QString table = archive.table(monthOf(name));
        Statement insert(
            db.connection(),
            QStringLiteral("INSERT INTO %1 (rowid, %2) SELECT CASE WHEN EXISTS (SELECT 1 FROM %1 "
                           "t WHERE t.rowid = a.CallRowid) THEN NULL ELSE a.CallRowid END, %3 "
                           "FROM %4 a WHERE a.rowid IN (SELECT min(rowid) FROM %4 WHERE RunId "
                           ">= ?1 GROUP BY RunId, CallRowid) ORDER BY a.CallRowid")
                .arg(desttar, kCallColumns, callColumnsOf(QStringLiteral("a")), table));
        insert.bind(1, runId);
        insert.run();
        moved += db.connection().changes();
    }
    forgetArchivedCalls(db, archive, runId);
    return moved;
}

void forgetArchivedCalls(db::Database& db, const ArchiveAttachment& archive, const QString& runId) {
    for (const QString& name : archivedMonthTables(db, archive.schema())) {
        const QString table = archive.table(monthOf(name));
        Statement remove =
            db.statement(QStringLiteral("DELETE FROM %1 WHERE RunId >= ?").arg(table));
        remove.bind(1, runId);
        remove.run();
        Statement left = db.statement(QStringLiteral("SELECT 1 FROM %1 LIMIT 1").arg(table));
        if (!left.step()) db.execute(QStringLiteral("DROP TABLE %1").arg(table));
    }
}

QList<ArchiveMonth> listArchive(db::Database& db) {
    QList<ArchiveMonth> months;
    if (db.isServer()) return listServerArchive(db);
    if (!QFileInfo::exists(archiveFilePath(db)) && !hasQueuedCalls(db.connection())) return months;
    const ArchiveAttachment archive(db);
    const QString schema = db::quoteIdentifier(archive.schema());
    for (const QString& name : monthTables(db.connection(), archive.schema())) {
        ArchiveMonth month;
        month.month = monthOf(name);
        Statement count(db.connection(),
                        QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT RunId, CallRowid "
                                       "FROM %1)")
                            .arg(archive.table(month.month)));
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
    if (db.isServer()) return dropServerArchiveBefore(db, month);
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
