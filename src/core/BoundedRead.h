#pragma once
// Reading a whole text file that the operator names (a number list, a dial plan) without
// trusting its size: a file larger than the limit, or one that never ends such as /dev/zero,
// is refused with a message naming it instead of being read into memory.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace orv::core {

inline constexpr qint64 kMegabyte = 1024 * 1024;

// Requires: file is open for reading. Returns its bytes, or throws Error(Refused)
// "<what> <file> больше N МБ; файл не прочитан" when it holds more than limit bytes.
QByteArray readAtMost(QFile& file, qint64 limit, const QString& what);

}  // namespace orv::core
