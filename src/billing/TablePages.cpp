#include "billing/TablePages.h"

#include "core/Error.h"
#include "db/Database.h"
#include "db/Sqlite.h"

#include <sqlite3.h>
#include <zlib.h>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <memory>

namespace orv::billing {
namespace {

// Fast rather than small: the snapshot runs before every debt run, and SQLite pages of calls
// compress well even at the lowest level.
constexpr int kCompressionLevel = Z_BEST_SPEED;
constexpr int kGzipWindow = 15 + 16;  // zlib's window bits with the gzip wrapper
constexpr qsizetype kChunk = 1 << 20;
constexpr int kLockWaitMs = 2000;

qint64 g_failAfter = -1;
qint64 g_written = 0;

struct CloseConnection {
    void operator()(sqlite3* handle) const { sqlite3_close_v2(handle); }
};
using Handle = std::unique_ptr<sqlite3, CloseConnection>;

[[noreturn]] void engineError(sqlite3* handle, int code, const QString& context) {
    const QString text = handle ? QString::fromUtf8(sqlite3_errmsg(handle))
                                : QString::fromUtf8(sqlite3_errstr(code));
    raise(Error::Kind::Engine,
          QStringLiteral("%1: %2").arg(context, db::readableEngineMessage(code, text)));
}

bool isLock(int code) {
    const int primary = code & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

Handle open(const QString& path, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    Handle handle(raw);
    if (rc != SQLITE_OK) engineError(raw, rc, path);
    return handle;
}

// Copies every page of schema source of from into main of to.
int backup(sqlite3* to, sqlite3* from, const QByteArray& source) {
    sqlite3_backup* copy = sqlite3_backup_init(to, "main", from, source.constData());
    if (!copy) return sqlite3_errcode(to);
    const int step = sqlite3_backup_step(copy, -1);
    const int finish = sqlite3_backup_finish(copy);
    return step == SQLITE_DONE ? finish : step;
}

// The schema under which db has attached the table: the first identifier of its qualified name.
QString schemaOf(db::Database& db, const QString& table) {
    const QString qualified = db.qualified(table);
    QString schema;
    for (qsizetype i = 1; i < qualified.size(); ++i) {
        if (qualified[i] == u'"') {
            if (i + 1 < qualified.size() && qualified[i + 1] == u'"') {
                schema += u'"';
                ++i;
                continue;
            }
            break;
        }
        schema += qualified[i];
    }
    return schema;
}

qint64 countRows(sqlite3* handle, const QString& table) {
    sqlite3_stmt* raw = nullptr;
    const QString sql =
        QStringLiteral("SELECT count(*) FROM main.%1").arg(db::quoteIdentifier(table));
    const int rc = sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &raw, nullptr);
    if (rc != SQLITE_OK) engineError(handle, rc, table);
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    if (sqlite3_step(raw) != SQLITE_ROW) engineError(handle, sqlite3_errcode(handle), table);
    return sqlite3_column_int64(raw, 0);
}

[[noreturn]] void cannotWrite(const QString& path, const QString& cause) {
    raise(Error::Kind::Refused, QStringLiteral("Не удалось записать файл %1: %2").arg(path, cause));
}

void writeChunk(QSaveFile& file, const char* data, qint64 size) {
    if (g_failAfter >= 0 && g_written + size > g_failAfter)
        cannotWrite(file.fileName(), QStringLiteral("No space left on device"));
    if (file.write(data, size) != size) cannotWrite(file.fileName(), file.errorString());
    g_written += size;
}

struct DeflateEnd {
    void operator()(z_stream* z) const { deflateEnd(z); }
};
struct InflateEnd {
    void operator()(z_stream* z) const { inflateEnd(z); }
};

}  // namespace

TableImage readTablePages(db::Database& db, const QString& table) {
    const QString canonical = db.canonicalName(table);
    Handle memory = open(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    int rc = SQLITE_OK;
    if (db.connection().inTransaction()) {
        rc = backup(memory.get(), db.connection().handle(), schemaOf(db, canonical).toUtf8());
    } else {
        // A connection of its own, so that nothing else of db's connection is held meanwhile.
        Handle source = open(db.tableFilePath(canonical), SQLITE_OPEN_READONLY);
        sqlite3_busy_timeout(source.get(), kLockWaitMs);
        rc = backup(memory.get(), source.get(), QByteArrayLiteral("main"));
    }
    if (isLock(rc)) raise(Error::Kind::Refused, kTableLocked.arg(canonical));
    if (rc != SQLITE_OK) engineError(memory.get(), rc, canonical);
    TableImage image;
    image.rows = countRows(memory.get(), canonical);
    sqlite3_int64 size = 0;
    unsigned char* data = sqlite3_serialize(memory.get(), "main", &size, 0);
    if (!data) engineError(memory.get(), SQLITE_NOMEM, canonical);
    image.pages = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    sqlite3_free(data);
    return image;
}

void writeTablePages(const TableImage& image, const QString& path, const QString& table) {
    Handle memory = open(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    const auto size = sqlite3_int64(image.pages.size());
    auto* buffer = static_cast<unsigned char*>(sqlite3_malloc64(sqlite3_uint64(size)));
    if (!buffer) engineError(nullptr, SQLITE_NOMEM, table);
    std::copy(image.pages.cbegin(), image.pages.cend(), buffer);
    int rc = sqlite3_deserialize(memory.get(), "main", buffer, size, size,
                                 SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY);
    if (rc != SQLITE_OK) engineError(memory.get(), rc, table);
    Handle target = open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    sqlite3_busy_timeout(target.get(), kLockWaitMs);
    rc = backup(target.get(), memory.get(), QByteArrayLiteral("main"));
    if (isLock(rc)) raise(Error::Kind::Refused, kTableLocked.arg(table));
    if (rc != SQLITE_OK) engineError(target.get(), rc, path);
}

void checkNotLocked(const QString& path, const QString& table) {
    if (!QFile::exists(path)) return;
    Handle probe = open(path, SQLITE_OPEN_READWRITE);
    const int rc = sqlite3_exec(probe.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    if (isLock(rc)) raise(Error::Kind::Refused, kTableLocked.arg(table));
    if (rc != SQLITE_OK) engineError(probe.get(), rc, path);
    sqlite3_exec(probe.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void writeGzip(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    // Unbuffered: a buffered QSaveFile loses the error of its last flush and commits a short file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        cannotWrite(path, file.errorString());
    z_stream z{};
    if (deflateInit2(&z, kCompressionLevel, Z_DEFLATED, kGzipWindow, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        cannotWrite(path, QStringLiteral("zlib"));
    const std::unique_ptr<z_stream, DeflateEnd> end(&z);
    QByteArray out(kChunk, Qt::Uninitialized);
    qsizetype fed = 0;
    for (;;) {
        if (z.avail_in == 0 && fed < data.size()) {
            const qsizetype piece = std::min<qsizetype>(data.size() - fed, kChunk * 64);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData() + fed));
            z.avail_in = uInt(piece);
            fed += piece;
        }
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        const int rc = deflate(&z, fed == data.size() ? Z_FINISH : Z_NO_FLUSH);
        if (rc == Z_STREAM_ERROR) cannotWrite(path, QStringLiteral("zlib"));
        writeChunk(file, out.constData(), out.size() - qsizetype(z.avail_out));
        if (rc == Z_STREAM_END) break;
    }
    if (!file.commit()) cannotWrite(path, file.errorString());
}

QByteArray readGzip(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(Error::Kind::Refused,
              QStringLiteral("Не удалось прочитать файл %1: %2").arg(path, file.errorString()));
    const QByteArray packed = file.readAll();
    z_stream z{};
    if (inflateInit2(&z, kGzipWindow) != Z_OK)
        raise(Error::Kind::Refused, QStringLiteral("Файл %1 повреждён").arg(path));
    const std::unique_ptr<z_stream, InflateEnd> end(&z);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    z.avail_in = uInt(packed.size());
    QByteArray data;
    QByteArray out(kChunk, Qt::Uninitialized);
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            raise(Error::Kind::Refused, QStringLiteral("Файл %1 повреждён").arg(path));
        data.append(out.constData(), out.size() - qsizetype(z.avail_out));
        if (rc == Z_STREAM_END) return data;
        if (z.avail_in == 0 && z.avail_out != 0)
            raise(Error::Kind::Refused, QStringLiteral("Файл %1 обрезан").arg(path));
    }
}

void TEST_failGzipWritesAfter(qint64 bytes) {
    g_failAfter = bytes;
    g_written = 0;
}

}  // namespace orv::billing
