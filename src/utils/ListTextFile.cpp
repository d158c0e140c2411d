#include "utils/ListTextFile.h"

#include "core/BoundedRead.h"
#include "core/Error.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <array>

namespace orv::utils {
namespace {

constexpr qint64 kMaxListBytes = 10 * core::kMegabyte;

// Code page 1251 from 0x80 to 0xBF; 0xC0..0xFF are А..я in order. 0x98, unassigned, maps to
// U+0098 so that every byte reads back.
constexpr std::array<char16_t, 64> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  //
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  //
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  //
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  //
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  //
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char16_t cp1251Char(unsigned char byte) {
    if (byte < 0x80) return byte;
    if (byte >= 0xC0) return static_cast<char16_t>(0x0410 + (byte - 0xC0));
    return kHighHalf[byte - 0x80];
}

std::optional<char> cp1251Byte(char16_t c) {
    if (c < 0x80) return static_cast<char>(c);
    if (c >= 0x0410 && c <= 0x044F) return static_cast<char>(0xC0 + (c - 0x0410));
    for (size_t i = 0; i < kHighHalf.size(); ++i)
        if (kHighHalf[i] == c) return static_cast<char>(0x80 + i);
    return std::nullopt;
}

QString decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? fromCp1251(bytes) : text;
}

}  // namespace

QString fromCp1251(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) text.append(QChar(cp1251Char(static_cast<unsigned char>(byte))));
    return text;
}

std::optional<QByteArray> toCp1251(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const std::optional<char> byte = cp1251Byte(c.unicode());
        if (!byte) return std::nullopt;
        bytes.append(*byte);
    }
    return bytes;
}

QStringList readListLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(Error::Kind::Engine, QStringLiteral("Cannot open file %1").arg(path));
    QString text = decode(core::readAtMost(file, kMaxListBytes, QStringLiteral("Файл")));
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    return lines;
}

void writeListLines(const QString& path, const QStringList& lines) {
    QString text;
    for (const QString& line : lines) text += line + QStringLiteral("\r\n");
    const QByteArray bytes = toCp1251(text).value_or(text.toUtf8());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        raise(Error::Kind::Engine, QStringLiteral("Cannot create file %1").arg(path));
}

}  // namespace orv::utils
