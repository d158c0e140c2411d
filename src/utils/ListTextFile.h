#pragma once
// The plain text files of the number lists (".lst", "Main.slst", "FirmList.txt"): one entry a
// line, in the single-byte code page 1251, every line (the last one too) ending in CR LF, the
// way the list windows have always written them so that the files stay readable where they came
// from. Reading also accepts UTF-8 (with or without a byte-order mark), bare LF line ends and a
// missing final line end; lines come back as they stand, blanks included.
//
// readListLines throws Error(Engine) "Cannot open file <path>" when the file cannot be read,
// and Error(Refused) for a file of more than 10 MB (a list holds a few thousand lines);
// writeListLines throws Error(Engine) "Cannot create file <path>" when it cannot be written, and
// then leaves the old file as it was (the new contents replace it in one step).

#include <QString>
#include <QStringList>
#include <optional>

namespace orv::utils {

QStringList readListLines(const QString& path);

// Writes code page 1251; a line with a character that page does not have makes the whole file
// UTF-8 instead, so that nothing typed is lost.
void writeListLines(const QString& path, const QStringList& lines);

// The bytes of text in code page 1251; nothing when a character is not in it.
std::optional<QByteArray> toCp1251(const QString& text);
QString fromCp1251(const QByteArray& bytes);

}  // namespace orv::utils
