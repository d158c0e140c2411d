#include "billing/ServerSnapshot.h"

#include "billing/CallArchive.h"
#include "billing/DebtRun.h"
#include "core/Error.h"
#include "core/TestHooks.h"
#include "db/Database.h"
#include "db/PgConnection.h"
#include "db/Schema.h"

#include <QDateTime>

namespace orv::billing {
namespace {

using db::Statement;

const QString kManifest = QStringLiteral("orv_snapshots");
const QString kRestoreRefused = QStringLiteral(
    "Восстановление из копии невозможно: на другом рабочем месте выполняется расчет долга или "
    "восстановление таблиц");

QString backupsSchema(db::Database& db) {
    return db.serverConnection().address().schemaName() + QStringLiteral("_backups");
}

QString manifestSql(db::Database& db) {
    return db::pgQuoteIdentifier(backupsSchema(db)) + u'.' + kManifest;
}

QString copyName(const QString& snapshot, const QString& table) { return snapshot + u'_' + table; }

QString copySql(db::Database& db, const QString& snapshot, const QString& table) {
    return db::pgQuoteIdentifier(backupsSchema(db)) + u'.' +
           db::pgQuoteIdentifier(copyName(snapshot, table));
}

// Whether the server finds the object by the lookup function (to_regclass, to_regnamespace).
bool found(db::Database& db, const QString& lookup, const QString& name) {
    Statement find = db.statement(QStringLiteral("SELECT (%1(?) IS NOT NULL)::int").arg(lookup));
    find.bind(1, name);
    return find.step() && find.columnInt(0) == 1;
}

bool manifestExists(db::Database& db) {
    return found(db, QStringLiteral("to_regclass"), manifestSql(db));
}

// Created only when missing, so that a role without the right to create schemas and tables works
// with the ones an administrator made for it.
void ensureManifest(db::Database& db) {
    if (manifestExists(db)) return;
    if (!found(db, QStringLiteral("to_regnamespace"), db::pgQuoteIdentifier(backupsSchema(db))))
        db.execute(
            QStringLiteral("CREATE SCHEMA %1").arg(db::pgQuoteIdentifier(backupsSchema(db))));
    db.execute(QStringLiteral("CREATE TABLE %1 (Name VARCHAR(40) NOT NULL, RunDate "
                              "DATE, Version VARCHAR(40), Reason VARCHAR(200), Ord INTEGER NOT "
                              "NULL, TableName VARCHAR(40) NOT NULL, RowCount BIGINT NOT NULL, "
                              "PRIMARY KEY (Name, Ord))")
                   .arg(manifestSql(db)));
}

bool nameTaken(db::Database& db, const QString& name) {
    Statement find =
        db.statement(QStringLiteral("SELECT 1 FROM %1 WHERE Name = ?").arg(manifestSql(db)));
    find.bind(1, name);
    return find.step();
}

// Named after this moment by the server's clock, which every seat shares, so that the names of
// the snapshots and the marks of the runs' archived calls sort in the order the work was done.
QString freshName(db::Database& db) {
    qint64 now = 0;
    {
        Statement clock = db.statement(
            QStringLiteral("SELECT (extract(epoch FROM clock_timestamp()) * 1000)::int8"));
        clock.step();
        now = clock.columnInt(0);
    }
    const QString stamp = snapshotStamp(QDateTime::fromMSecsSinceEpoch(now));
    QString name = stamp;
    for (int n = 2; nameTaken(db, name); ++n) name = stamp + u'-' + QString::number(n);
    return name;
}

qint64 countRows(db::Database& db, const QString& table) {
    Statement count = db.statement(QStringLiteral("SELECT count(*) FROM %1").arg(table));
    count.step();
    return count.columnInt(0);
}

qint64 copiesSize(db::Database& db, const SnapshotInfo& snapshot) {
    qint64 bytes = 0;
    for (const SnapshotTable& t : snapshot.tables) {
        Statement size = db.statement(
            QStringLiteral("SELECT coalesce(pg_total_relation_size(to_regclass(?)), 0)"));
        size.bind(1, copySql(db, snapshot.name, t.table));
        size.step();
        bytes += size.columnInt(0);
    }
    return bytes;
}

void removeServerSnapshot(db::Database& db, const SnapshotInfo& snapshot) {
    for (const SnapshotTable& t : snapshot.tables)
        db.execute(
            QStringLiteral("DROP TABLE IF EXISTS %1").arg(copySql(db, snapshot.name, t.table)));
    Statement forget =
        db.statement(QStringLiteral("DELETE FROM %1 WHERE Name = ?").arg(manifestSql(db)));
    forget.bind(1, snapshot.name);
    forget.run();
}

SnapshotInfo findServerSnapshot(db::Database& db, const QString& name) {
    for (const SnapshotInfo& snapshot : listServerSnapshots(db))
        if (snapshot.name == name) return snapshot;
    raise(Error::Kind::Refused,
          QStringLiteral("Копия %1 не найдена на сервере %2 (схема %3)")
              .arg(name, db.serverConnection().address().display(), backupsSchema(db)));
}

// The columns of a copy, in order, as the server names them.
QStringList copyColumns(db::Database& db, const QString& snapshot, const QString& table) {
    Statement read = db.statement(QStringLiteral(
        "SELECT column_name FROM information_schema.columns WHERE table_schema = ? AND "
        "table_name = ? ORDER BY ordinal_position"));
    read.bind(1, backupsSchema(db));
    read.bind(2, copyName(snapshot, table));
    QStringList columns;
    while (read.step()) columns.append(read.column(0).toString());
    return columns;
}

// Every table of the snapshot is one the snapshots keep, its copy is there and has the columns
// of the table as the program declares it.
void checkCopies(db::Database& db, const SnapshotInfo& snapshot) {
    const auto refuse = [&](const QString& why) {
        raise(Error::Kind::Refused,
              QStringLiteral("Копия %1 не может быть восстановлена: %2").arg(snapshot.name, why));
    };
    for (const SnapshotTable& t : snapshot.tables) {
        if (!snapshotTables().contains(t.table))
            refuse(QStringLiteral("таблица «%1» не сохраняется в копиях").arg(t.table));
        const QStringList columns = copyColumns(db, snapshot.name, t.table);
        if (columns.isEmpty())
            refuse(QStringLiteral("на сервере нет копии таблицы %1").arg(t.table));
        checkCopyColumns(t.table, columns);
    }
}

// The table's rows replaced by those of its copy, in the copy's stored order.
void putBack(db::Database& db, const QString& snapshot, const QString& table) {
    if (!db.tableExists(table)) db.createTable(*db::schema::find(table));
    const QString target = db.qualified(table);
    QStringList columns;
    for (const QString& column : copyColumns(db, snapshot, table))
        columns.append(db::pgQuoteIdentifier(column));
    db.execute(QStringLiteral("DELETE FROM %1").arg(target));
    db.execute(QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 ORDER BY ctid")
                   .arg(target, columns.join(u','), copySql(db, snapshot, table)));
}

}  // namespace

SnapshotInfo takeServerSnapshot(db::Database& db, const QStringList& tables, const QDate& runDate,
                                const QString& reason) {
    ensureManifest(db);
    SnapshotInfo info;
    info.name = freshName(db);
    info.runDate = runDate;
    info.version = QStringLiteral(ORVANTA_VERSION);
    info.reason = reason;
    Statement note = db.statement(
        QStringLiteral("INSERT INTO %1 (Name, RunDate, Version, Reason, Ord, TableName, RowCount) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?)")
            .arg(manifestSql(db)));
    for (const QString& table : tables) {
        const QString copy = copySql(db, info.name, table);
        db.execute(QStringLiteral("CREATE TABLE %1 AS SELECT * FROM %2 ORDER BY ctid")
                       .arg(copy, db.qualified(table)));
        SnapshotTable entry;
        entry.table = table;
        entry.fileName = copyName(info.name, table);
        entry.rows = countRows(db, copy);
        info.tables.append(entry);
        note.reset();
        const QVariantList values = {
            info.name, info.runDate, info.version, info.reason, qint64(info.tables.size()),
            table,     entry.rows};
        for (int i = 0; i < values.size(); ++i) note.bind(i + 1, values[i]);
        note.run();
    }
    info.compressedBytes = copiesSize(db, info);
    return info;
}

QList<SnapshotInfo> listServerSnapshots(db::Database& db) {
    QList<SnapshotInfo> snapshots;
    if (!manifestExists(db)) return snapshots;
    Statement read = db.statement(QStringLiteral("SELECT Name, RunDate, Version, Reason, "
                                                 "TableName, RowCount FROM %1 ORDER BY Name, Ord")
                                      .arg(manifestSql(db)));
    while (read.step()) {
        const QString name = read.column(0).toString();
        if (snapshots.isEmpty() || snapshots.last().name != name) {
            SnapshotInfo info;
            info.name = name;
            info.runDate = read.column(1).toDate();
            info.version = read.column(2).toString();
            info.reason = read.column(3).toString();
            snapshots.append(info);
        }
        SnapshotTable table;
        table.table = read.column(4).toString();
        table.fileName = copyName(name, table.table);
        table.rows = read.columnInt(5);
        snapshots.last().tables.append(table);
    }
    for (SnapshotInfo& snapshot : snapshots) snapshot.compressedBytes = copiesSize(db, snapshot);
    return snapshots;
}

void pruneServerSnapshots(db::Database& db, int keep) {
    const QList<SnapshotInfo> snapshots = listServerSnapshots(db);
    for (qsizetype i = 0; i + keep < snapshots.size(); ++i) removeServerSnapshot(db, snapshots[i]);
}

SnapshotInfo restoreServerSnapshot(db::Database& db, int keep, const QString& name,
                                   const QDate& today) {
    const db::PgAdvisoryLock oneAtATime(db.serverConnection(), kDebtRunLock, kRestoreRefused);
    return db::withRetries(
        db.serverConnection(), db::PgTransaction::Isolation::RepeatableRead, [&] {
            const SnapshotInfo snapshot = findServerSnapshot(db, name);
            checkCopies(db, snapshot);
            const SnapshotInfo before = takeSnapshot(
                db, today, QStringLiteral("Перед восстановлением из копии %1").arg(snapshot.name));
            for (const SnapshotTable& t : snapshot.tables) putBack(db, snapshot.name, t.table);
            const ArchiveAttachment archive(db);
            returnArchivedCalls(db, archive, snapshot.name);
            pruneServerSnapshots(db, keep);
            TEST_crashPoint("restore-before-commit");
            return before;
        });
}

}  // namespace orv::billing
