#include "billing/TablePages.h"

#include "core/Error.h"
#include "db/Database.h"
#include "db/Sqlite.h"

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

qint64 countRows(db::Connection& connection, const QString& table) {
    db::Statement count(connection, QStringLiteral("SELECT count(*) FROM main.%1")
                                        .arg(db::quoteIdentifier(table)));
    count.step();
    return count.columnInt(0);
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
    db::Connection memory(QStringLiteral(":memory:"));
    bool copied = false;
    if (db.connection().inTransaction()) {
        copied = db::copyPages(memory, db.connection(), schemaOf(db, canonical), canonical);
    } else {
        // A connection of its own, so that nothing else of db's connection is held meanwhile.
        db::Connection source(db.tableFilePath(canonical), db::Connection::Open::ReadOnly);
        source.setBusyTimeout(kLockWaitMs);
        copied = db::copyPages(memory, source, QStringLiteral("main"), canonical);
    }
    if (!copied) raise(Error::Kind::Refused, kTableLocked.arg(canonical));
    TableImage image;
    image.rows = countRows(memory, canonical);
    image.pages = memory.pages();
    return image;
}

void writeTablePages(const TableImage& image, const QString& path, const QString& table) {
    db::Connection memory(QStringLiteral(":memory:"));
    memory.openPages(image.pages);
    db::Connection target(path);
    target.setBusyTimeout(kLockWaitMs);
    if (!db::copyPages(target, memory, QStringLiteral("main"), path))
        raise(Error::Kind::Refused, kTableLocked.arg(table));
}

void checkNotLocked(const QString& path, const QString& table) {
    if (!QFile::exists(path)) return;
    db::Connection probe(path, db::Connection::Open::Existing);
    probe.setBusyTimeout(0);
    if (!probe.tryExec(QStringLiteral("BEGIN EXCLUSIVE")))
        raise(Error::Kind::Refused, kTableLocked.arg(table));
    probe.exec(QStringLiteral("ROLLBACK"));
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
