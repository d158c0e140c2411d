#pragma once
// The pages of one table file, read and written with SQLite's online backup, and kept as one
// gzip stream. Inside an open transaction of the Database's connection a read goes through that
// connection's attachment of the file and gives the state the transaction sees (its read lock is
// kept until the transaction ends); outside one it goes through a connection of its own, reads a
// consistent state and lets go at once. A write replaces a table file page for page through a connection
// of its own, so every other connection sees the new contents on its next read.
//
// Errors are orv::Error: Engine for SQLite's failures (a locked file: Kind::Refused with
// kTableLocked), Refused for a gzip file that cannot be written or read.

#include <QByteArray>
#include <QString>

namespace orv::db {
class Database;
}

namespace orv::billing {

// "%1" is the table's name.
inline const QString kTableLocked = QStringLiteral(
    "Таблица %1 занята другой программой (например, SelvikTerminal). Закройте её и повторите");

struct TableImage {
    QByteArray pages;  // the file as SQLite would write it
    qint64 rows = 0;   // rows of the table
};

// The pages of an existing table of db.
TableImage readTablePages(db::Database& db, const QString& table);
// Replaces the file at path (created when missing) by the image. Refused with kTableLocked
// (naming table) when another connection holds a lock on it for more than a moment.
void writeTablePages(const TableImage& image, const QString& path, const QString& table);
// Refused with kTableLocked when another connection holds any lock on the file right now.
void checkNotLocked(const QString& path, const QString& table);

// The image as a gzip file (written atomically: a temporary file renamed when complete).
// Refused naming the file and the cause when it cannot be written (a full disk).
void writeGzip(const QString& path, const QByteArray& data);
QByteArray readGzip(const QString& path);

// Test hook: writes of writeGzip fail with "No space left on device" once this many bytes in
// total have been written since the call; a negative value switches the hook off.
void TEST_failGzipWritesAfter(qint64 bytes);

}  // namespace orv::billing
