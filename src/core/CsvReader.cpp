#include "core/CsvReader.h"

#include "core/BoundedRead.h"
#include "core/Error.h"

#include <QFileDevice>
#include <QStringDecoder>

namespace orv::core {
namespace {

constexpr qint64 kChunk = 1 << 16;
constexpr qint64 kMaxRecordBytes = kMegabyte;

bool isBlank(int c) { return c == ' ' || c == '\t' || c == '\r'; }

QByteArray trimmedBare(QByteArray field) {
    qsizetype end = field.size();
    while (end > 0 && isBlank(static_cast<unsigned char>(field[end - 1]))) --end;
    field.truncate(end);
    return field;
}

}  // namespace

bool CsvReader::fill() {
    buffer_ = device_.read(kChunk);
    position_ = 0;
    return !buffer_.isEmpty();
}

int CsvReader::peek() {
    if (position_ >= buffer_.size() && !fill()) return -1;
    return static_cast<unsigned char>(buffer_[position_]);
}

int CsvReader::get() {
    const int c = peek();
    if (c >= 0) {
        ++position_;
        if (++recordBytes_ > kMaxRecordBytes) tooLong();
    }
    if (c == '\n') ++line_;
    if (c == 0 && nulLine_ == 0) nulLine_ = line_;
    return c;
}

void CsvReader::tooLong() const {
    const auto* file = qobject_cast<const QFileDevice*>(&device_);
    const QString where =
        file ? QStringLiteral("Строка %1 файла %2").arg(recordLine_).arg(file->fileName())
             : QStringLiteral("Строка %1").arg(recordLine_);
    raise(Error::Kind::Refused, QStringLiteral("%1: запись длиннее %2 МБ; файл не загружен")
                                    .arg(where)
                                    .arg(kMaxRecordBytes / kMegabyte));
}

void CsvReader::malformed(qint64 line, const QString& what) const {
    raise(Error::Kind::Refused,
          QStringLiteral("Строка %1: %2; файл не загружен").arg(line).arg(what));
}

bool CsvReader::next(QList<QByteArray>* fields) {
    if (!started_) {
        started_ = true;
        if (peek() == 0xEF) {
            const QByteArray bom("\xEF\xBB\xBF");
            for (char b : bom)
                if (peek() == static_cast<unsigned char>(b)) get();
        }
    }
    fields->clear();
    // Blank lines between records.
    int c = peek();
    while (c == '\n' || isBlank(c)) {
        get();
        c = peek();
    }
    if (c < 0) return false;
    recordLine_ = line_;
    recordBytes_ = 0;
    nulLine_ = 0;
    for (;;) {
        while (isBlank(peek())) get();
        fields->append(peek() == '"' ? quotedField() : bareField());
        if (get() != ',') break;
    }
    checkText(*fields);
    return true;
}

// Checked once the record is whole, so that an endless record is refused as too long first.
void CsvReader::checkText(const QList<QByteArray>& fields) const {
    if (nulLine_ > 0) malformed(nulLine_, QStringLiteral("символ NUL в тексте"));
    for (const QByteArray& field : fields) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8(field);
        if (utf8.hasError()) malformed(recordLine_, QStringLiteral("текст не в кодировке UTF-8"));
    }
}

QByteArray CsvReader::quotedField() {
    QByteArray field;
    get();
    for (;;) {
        const int c = get();
        if (c < 0) malformed(recordLine_, QStringLiteral("незакрытые кавычки"));
        if (c == '"') {
            if (peek() != '"') break;
            get();
        }
        field.append(char(c));
    }
    while (isBlank(peek())) get();
    const int c = peek();
    if (c != ',' && c != '\n' && c >= 0)
        malformed(recordLine_, QStringLiteral("символы после закрывающей кавычки"));
    return field;
}

QByteArray CsvReader::bareField() {
    QByteArray field;
    int c;
    while ((c = peek()) >= 0 && c != ',' && c != '\n') {
        if (c == '"') malformed(recordLine_, QStringLiteral("кавычка внутри поля без кавычек"));
        field.append(char(get()));
    }
    return trimmedBare(field);
}

}  // namespace orv::core
