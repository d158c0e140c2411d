#include "billing/Snapshot.h"

#include "billing/TablePages.h"
#include "core/Error.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "db/Database.h"

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
    const QString stamp = QDateTime::currentDateTime().toString(kNameFormat);
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

}  // namespace

const QStringList& snapshotTables() {
    static const QStringList tables = {QStringLiteral("DESTTAR"), QStringLiteral("DolgTb"),
                                       QStringLiteral("PrDlgCt"), QStringLiteral("PrDlgMG"),
                                       QStringLiteral("OldMG")};
    return tables;
}

QString backupsFolder(const db::Database& db) { return db.folder() + QStringLiteral("/backups"); }

int snapshotsToKeep(const core::SettingsStore& store) {
    return std::max(1, int(store.readInteger(kSection, kKeepValue, core::kDefaultSnapshotsKept)));
}

SnapshotInfo takeSnapshot(db::Database& db, const QDate& runDate, const QString& reason) {
    const QStringList tables = existingTables(db, snapshotTables());
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

QList<SnapshotInfo> listSnapshots(const db::Database& db) {
    QList<SnapshotInfo> snapshots;
    const QDir backups(backupsFolder(db));
    for (const QString& entry : backups.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (auto info = readManifest(backups.filePath(entry))) snapshots.append(*info);
    return snapshots;
}

void pruneSnapshots(const db::Database& db, int keep) {
    const QList<SnapshotInfo> snapshots = listSnapshots(db);
    for (qsizetype i = 0; i + keep < snapshots.size(); ++i) removeSnapshot(snapshots[i]);
}

void removeSnapshot(const SnapshotInfo& snapshot) { QDir(snapshot.folder).removeRecursively(); }

SnapshotInfo restoreSnapshot(db::Database& db, const core::SettingsStore& store,
                             const QString& name, const QDate& today) {
    const SnapshotInfo snapshot = findSnapshot(db, name);
    const QList<TableImage> images = readImages(snapshot);
    QStringList paths;
    for (const SnapshotTable& t : snapshot.tables) {
        const QString path =
            db.tableExists(t.table) ? db.tableFilePath(t.table) : db.folder() + u'/' + t.fileName;
        checkNotLocked(path, t.table);
        paths.append(path);
    }
    const SnapshotInfo before = takeSnapshot(
        db, today, QStringLiteral("Перед восстановлением из копии %1").arg(snapshot.name));
    try {
        for (qsizetype i = 0; i < images.size(); ++i)
            writeTablePages(images[i], paths[i], snapshot.tables[i].table);
    } catch (const Error& e) {
        raise(e.kind(), QStringLiteral("%1\nВосстановление прервано; таблицы до него сохранены в "
                                       "копии %2, восстановление можно повторить")
                            .arg(e.message(), before.name));
    }
    pruneSnapshots(db, snapshotsToKeep(store));
    return before;
}

}  // namespace orv::billing
