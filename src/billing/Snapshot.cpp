#include "billing/Snapshot.h"

#include "billing/CallArchive.h"
#include "billing/ServerSnapshot.h"
#include "billing/TablePages.h"
#include "core/Error.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/TestHooks.h"
#include "db/Database.h"
#include "db/PgConnection.h"
#include "db/Schema.h"
#include "db/Transaction.h"

#include <zlib.h>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>

namespace orv::billing {
namespace {

using db::Statement;

const QString kManifest = QStringLiteral("manifest.json");
const QString kNameFormat = QStringLiteral("yyyy-MM-ddTHH-mm-ss");
const QString kDateFormat = QStringLiteral("dd.MM.yyyy");
const QString kSection = QStringLiteral("Копии");
const QString kKeepValue = QStringLiteral("Хранить");

// CRC-32, the checksum gzip itself keeps: fast enough for a hundred megabytes of calls before
// every run, and enough to tell a damaged or altered file.
QString checksum(const QByteArray& data) {
    const uLong crc =
        crc32_z(crc32_z(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.constData()),
                size_t(data.size()));
    return QStringLiteral("%1").arg(qulonglong(crc), 8, 16, QLatin1Char('0'));
}

QString packedName(const SnapshotTable& table) { return table.fileName + QStringLiteral(".gz"); }

// A new folder named after this moment; a second snapshot within the same second gets "-2".
QString newFolder(const QString& backups, QString* name) {
    const QString stamp = snapshotStamp();
    *name = stamp;
    for (int n = 2; QFileInfo::exists(backups + u'/' + *name); ++n)
        *name = stamp + u'-' + QString::number(n);
    const QString folder = backups + u'/' + *name;
    if (!QDir().mkpath(folder))
        raise(Error::Kind::Refused, QStringLiteral("Не удалось создать папку %1").arg(folder));
    return folder;
}

QJsonObject manifestOf(const SnapshotInfo& info) {
    QJsonArray tables;
    for (const SnapshotTable& t : info.tables)
        tables.append(QJsonObject{{QStringLiteral("table"), t.table},
                                  {QStringLiteral("file"), t.fileName},
                                  {QStringLiteral("rows"), t.rows},
                                  {QStringLiteral("bytes"), t.bytes},
                                  {QStringLiteral("crc32"), t.crc32}});
    return {{QStringLiteral("runDate"), info.runDate.toString(kDateFormat)},
            {QStringLiteral("version"), info.version},
            {QStringLiteral("reason"), info.reason},
            {QStringLiteral("compressedBytes"), info.compressedBytes},
            {QStringLiteral("tables"), tables}};
}

std::optional<SnapshotInfo> readManifest(const QString& folder) {
    QFile file(folder + u'/' + kManifest);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject()) return std::nullopt;
    const QJsonObject m = document.object();
    SnapshotInfo info;
    info.folder = folder;
    info.name = QFileInfo(folder).fileName();
    info.runDate = QDate::fromString(m.value(QStringLiteral("runDate")).toString(), kDateFormat);
    info.version = m.value(QStringLiteral("version")).toString();
    info.reason = m.value(QStringLiteral("reason")).toString();
    info.compressedBytes = m.value(QStringLiteral("compressedBytes")).toInteger();
    for (const QJsonValue& value : m.value(QStringLiteral("tables")).toArray()) {
        const QJsonObject t = value.toObject();
        info.tables.append({t.value(QStringLiteral("table")).toString(),
                            t.value(QStringLiteral("file")).toString(),
                            t.value(QStringLiteral("rows")).toInteger(),
                            t.value(QStringLiteral("bytes")).toInteger(),
                            t.value(QStringLiteral("crc32")).toString()});
    }
    return info;
}

void writeManifest(const SnapshotInfo& info) {
    const QString path = info.folder + u'/' + kManifest;
    QSaveFile file(path);
    const QByteArray text = QJsonDocument(manifestOf(info)).toJson();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) ||
        file.write(text) != text.size() || !file.commit())
        raise(Error::Kind::Refused,
              QStringLiteral("Не удалось записать файл %1: %2").arg(path, file.errorString()));
}

// Removes a snapshot's folder on every way out unless released.
class PartialFolder {
  public:
    explicit PartialFolder(QString folder) : folder_(std::move(folder)) {}
    ~PartialFolder() {
        if (!folder_.isEmpty()) QDir(folder_).removeRecursively();
    }
    PartialFolder(const PartialFolder&) = delete;
    PartialFolder& operator=(const PartialFolder&) = delete;
    void release() { folder_.clear(); }

  private:
    QString folder_;
};

QStringList existingTables(const db::Database& db, const QStringList& names) {
    QStringList present;
    for (const QString& name : names)
        if (db.tableExists(name)) present.append(db.canonicalName(name));
    return present;
}

SnapshotInfo writeSnapshot(db::Database& db, const QStringList& tables, const QDate& runDate,
                           const QString& reason) {
    SnapshotInfo info;
    info.runDate = runDate;
    info.version = QStringLiteral(ORVANTA_VERSION);
    info.reason = reason;
    const QString backups = backupsFolder(db);
    info.folder = newFolder(backups, &info.name);
    PartialFolder partial(info.folder);
    for (const QString& table : tables) {
        const TableImage image = readTablePages(db, table);
        SnapshotTable entry{table, QFileInfo(db.tableFilePath(table)).fileName(), image.rows,
                            image.pages.size(), checksum(image.pages)};
        const QString packed = info.folder + u'/' + packedName(entry);
        writeGzip(packed, image.pages);
        info.compressedBytes += QFileInfo(packed).size();
        info.tables.append(entry);
    }
    writeManifest(info);
    partial.release();
    return info;
}

SnapshotInfo findSnapshot(const db::Database& db, const QString& name) {
    if (!name.isEmpty() && !name.contains(u'/') && name != QLatin1String("..") &&
        name != QLatin1String(".")) {
        if (auto info = readManifest(backupsFolder(db) + u'/' + name)) return *info;
    }
    raise(Error::Kind::Refused, QStringLiteral("Копия %1 не найдена в %2")
                                    .arg(name, QDir::toNativeSeparators(backupsFolder(db))));
}

// Every table image of a snapshot, checked against the manifest before anything is restored.
QList<TableImage> readImages(const SnapshotInfo& snapshot) {
    QList<TableImage> images;
    for (const SnapshotTable& t : snapshot.tables) {
        TableImage image;
        image.pages = readGzip(snapshot.folder + u'/' + packedName(t));
        image.rows = t.rows;
        if (image.pages.size() != t.bytes || checksum(image.pages) != t.crc32)
            raise(Error::Kind::Refused,
                  QStringLiteral("Копия %1 повреждена: файл %2 не совпадает с описанием копии")
                      .arg(snapshot.name, packedName(t)));
        images.append(image);
    }
    return images;
}

// The manifest is input: plain file names of this snapshot, each its own table's, every table
// once, the books among them.
void checkManifest(const SnapshotInfo& snapshot) {
    const auto refuse = [&](const QString& why) {
        raise(Error::Kind::Refused,
              QStringLiteral("Копия %1 не может быть восстановлена: %2").arg(snapshot.name, why));
    };
    if (snapshot.tables.isEmpty()) refuse(QStringLiteral("в ее описании нет таблиц"));
    QStringList allowed = snapshotTables();
    allowed.append(QStringLiteral("DESTTAR"));
    QStringList seen;
    for (const SnapshotTable& t : snapshot.tables) {
        const qsizetype known = allowed.indexOf(t.table);
        if (known < 0) refuse(QStringLiteral("таблица «%1» не сохраняется в копиях").arg(t.table));
        if (seen.contains(t.table))
            refuse(QStringLiteral("таблица %1 указана дважды").arg(t.table));
        seen.append(t.table);
        const QString stem = t.fileName.section(u'.', 0, 0);
        const bool plain = !t.fileName.contains(u'/') && !t.fileName.contains(u'\\') &&
                           !t.fileName.startsWith(u'.') && !t.fileName.contains(QChar(0));
        if (!plain || stem.compare(t.table, Qt::CaseInsensitive) != 0 ||
            t.fileName.section(u'.', 1).compare(QLatin1String("db"), Qt::CaseInsensitive) != 0)
            refuse(
                QStringLiteral("файл «%1» не является файлом таблицы %2").arg(t.fileName, t.table));
        const QFileInfo packed(snapshot.folder + u'/' + packedName(t));
        if (packed.isSymLink() || !packed.isFile())
            refuse(QStringLiteral("файл %1 не найден в папке копии").arg(packedName(t)));
    }
    if (!seen.contains(QStringLiteral("DolgTb")))
        refuse(QStringLiteral("в ней нет таблицы DolgTb"));
}

// The tables of a snapshot, each checked against its schema and held in a temporary table of
// the connection until the restore's transaction puts them back together.
class StagedTables {
  public:
    explicit StagedTables(db::Database& db) : db_(db) {}
    ~StagedTables() {
        for (const QString& table : std::as_const(tables_)) {
            try {
                db_.connection().exec(
                    QStringLiteral("DROP TABLE IF EXISTS temp.%1").arg(stageName(table)));
            } catch (const Error&) {
                // Temporary tables go with the connection.
            }
        }
    }
    StagedTables(const StagedTables&) = delete;
    StagedTables& operator=(const StagedTables&) = delete;

    void add(const QString& table, const TableImage& image, const QString& folder) {
        const QString path = folder + u'/' + table + QStringLiteral(".db");
        writeTablePages(image, path, table);
        const QString schema = QStringLiteral("orv_restore");
        db_.attachFile(path, schema);
        try {
            checkCopyColumns(table, columnsOf(table, schema));
            tables_.append(table);
            db_.connection().exec(QStringLiteral("CREATE TEMP TABLE %1 AS SELECT rowid AS "
                                                 "orv_rowid, * FROM %2.%3")
                                      .arg(stageName(table), schema, db::quoteIdentifier(table)));
        } catch (...) {
            db_.detachFile(schema);
            throw;
        }
        db_.detachFile(schema);
    }

    // Inside the restore's transaction: every staged table replaces its table's rows.
    void putBack() {
        for (const QString& table : std::as_const(tables_)) {
            const QString target = db_.qualified(table);
            QStringList columns;
            for (const db::FieldDef& f : db_.fields(table))
                columns.append(db::quoteIdentifier(f.name));
            db_.connection().exec(QStringLiteral("DELETE FROM %1").arg(target));
            db_.connection().exec(
                QStringLiteral("INSERT INTO %1 (rowid, %2) SELECT orv_rowid, %2 FROM temp.%3")
                    .arg(target, columns.join(u','), stageName(table)));
        }
    }

  private:
    static QString stageName(const QString& table) {
        return QStringLiteral("orv_restore_") + table;
    }

    // The columns of the image's only table, which must be the table itself.
    QStringList columnsOf(const QString& table, const QString& schema) {
        Statement tables(
            db_.connection(),
            QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type = 'table'").arg(schema));
        QStringList names;
        while (tables.step()) names.append(tables.column(0).toString());
        if (names.size() != 1 || names.first() != table)
            raise(Error::Kind::Refused,
                  QStringLiteral("Копия таблицы %1 содержит не ее; восстановление отменено")
                      .arg(table));
        Statement info(
            db_.connection(),
            QStringLiteral("PRAGMA %1.table_info(%2)").arg(schema, db::quoteIdentifier(table)));
        QStringList columns;
        while (info.step()) columns.append(info.column(1).toString());
        return columns;
    }

    db::Database& db_;
    QStringList tables_;
};

}  // namespace

void checkCopyColumns(const QString& table, const QStringList& columns) {
    const QList<db::FieldDef>& expected = db::schema::find(table)->fields;
    bool same = columns.size() == expected.size();
    for (qsizetype i = 0; same && i < columns.size(); ++i)
        same = columns[i].compare(expected[i].name, Qt::CaseInsensitive) == 0;
    if (!same)
        raise(Error::Kind::Refused,
              QStringLiteral("Копия таблицы %1 не совпадает с ее структурой; восстановление "
                             "отменено")
                  .arg(table));
}

QString snapshotStamp() { return snapshotStamp(QDateTime::currentDateTime()); }

QString snapshotStamp(const QDateTime& moment) { return moment.toString(kNameFormat); }

const QStringList& snapshotTables() {
    static const QStringList tables = {QStringLiteral("DolgTb"), QStringLiteral("PrDlgCt"),
                                       QStringLiteral("PrDlgMG"), QStringLiteral("OldMG")};
    return tables;
}

QString backupsFolder(const db::Database& db) { return db.folder() + QStringLiteral("/backups"); }

int snapshotsToKeep(const core::SettingsStore& store) {
    return std::max(1, int(store.readInteger(kSection, kKeepValue, core::kDefaultSnapshotsKept)));
}

SnapshotInfo takeSnapshot(db::Database& db, const QDate& runDate, const QString& reason) {
    const QStringList tables = existingTables(db, snapshotTables());
    if (db.isServer()) {
        try {
            return takeServerSnapshot(db, tables, runDate, reason);
        } catch (const db::PgError& e) {
            if (e.retryable()) throw;
            raise(Error::Kind::Refused,
                  QStringLiteral("Не удалось сохранить резервную копию таблиц на сервере %1:\n%2")
                      .arg(db.serverConnection().address().display(), e.message()));
        }
    }
    try {
        // Inside a transaction a read of each file comes first, so that the transaction holds its
        // read lock from here on and the pages copied are the ones it goes on to see.
        if (db.connection().inTransaction())
            for (const QString& table : tables)
                db.connection().exec(
                    QStringLiteral("SELECT count(*) FROM %1").arg(db.qualified(table)));
        return writeSnapshot(db, tables, runDate, reason);
    } catch (const Error& e) {
        if (e.kind() != Error::Kind::Refused) throw;
        raise(Error::Kind::Refused,
              QStringLiteral("Не удалось сохранить резервную копию таблиц в %1:\n%2")
                  .arg(QDir::toNativeSeparators(backupsFolder(db)), e.message()));
    }
}

QList<SnapshotInfo> listSnapshots(db::Database& db) {
    if (db.isServer()) return listServerSnapshots(db);
    QList<SnapshotInfo> snapshots;
    const QDir backups(backupsFolder(db));
    for (const QString& entry : backups.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (auto info = readManifest(backups.filePath(entry))) snapshots.append(*info);
    return snapshots;
}

void pruneSnapshots(db::Database& db, int keep) {
    if (db.isServer()) return pruneServerSnapshots(db, keep);
    const QList<SnapshotInfo> snapshots = listSnapshots(db);
    for (qsizetype i = 0; i + keep < snapshots.size(); ++i) removeSnapshot(snapshots[i]);
}

void removeSnapshot(const SnapshotInfo& snapshot) { QDir(snapshot.folder).removeRecursively(); }

SnapshotInfo restoreSnapshot(db::Database& db, const core::SettingsStore& store,
                             const QString& name, const QDate& today) {
    if (db.isServer()) return restoreServerSnapshot(db, snapshotsToKeep(store), name, today);
    const SnapshotInfo snapshot = findSnapshot(db, name);
    checkManifest(snapshot);
    const QList<TableImage> images = readImages(snapshot);
    QStringList tables;
    for (const SnapshotTable& t : snapshot.tables) {
        if (db.tableExists(t.table)) {
            const QString path = db.tableFilePath(t.table);
            if (QFileInfo(path).isSymLink())
                raise(Error::Kind::Refused,
                      QStringLiteral("Таблица %1 является ссылкой на другой файл; восстановление "
                                     "отменено")
                          .arg(t.table));
            checkNotLocked(path, t.table);
        }
        tables.append(t.table);
    }
    if (!tables.contains(QStringLiteral("DESTTAR")))
        checkNotLocked(db.tableFilePath(QStringLiteral("DESTTAR")), QStringLiteral("DESTTAR"));
    const QString staging = backupsFolder(db) + QStringLiteral("/.restore");
    QDir(staging).removeRecursively();
    const PartialFolder stagingFolder(staging);
    if (!QDir().mkpath(staging))
        raise(Error::Kind::Refused, QStringLiteral("Не удалось создать папку %1").arg(staging));
    StagedTables staged(db);
    for (qsizetype i = 0; i < images.size(); ++i)
        staged.add(snapshot.tables[i].table, images[i], staging);

    const bool withCalls = tables.contains(QStringLiteral("DESTTAR"));
    const SnapshotInfo before =
        writeSnapshot(db, existingTables(db, withCalls ? tables : snapshotTables()), today,
                      QStringLiteral("Перед восстановлением из копии %1").arg(snapshot.name));
    for (const QString& table : tables)
        if (!db.tableExists(table)) db.createTable(*db::schema::find(table));
    {
        const ArchiveAttachment archive(db);
        QStringList changed = tables;
        if (!withCalls) changed.append(QStringLiteral("DESTTAR"));
        db::Transaction transaction(db, changed, db::Transaction::Lock::Immediate);
        staged.putBack();
        // A snapshot with the calls holds those the later runs archived; one without them
        // takes them back from the archive.
        if (withCalls)
            forgetArchivedCalls(db, archive, snapshot.name);
        else
            returnArchivedCalls(db, archive, snapshot.name);
        TEST_crashPoint("restore-before-commit");
        transaction.commit();
    }
    pruneSnapshots(db, snapshotsToKeep(store));
    return before;
}

}  // namespace orv::billing
