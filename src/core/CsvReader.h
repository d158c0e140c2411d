#pragma once
// Reads the records of a CSV file one at a time, in a single pass over the bytes: fields
// separated by commas, quoted fields in double quotes with "" for a quote, bare fields without
// any. What real files hold is taken as it comes: a UTF-8 byte order mark, CRLF or LF line
// ends, blanks around a field outside its quotes (dropped), a quoted field running over a line
// end, blank lines (skipped).
//
// A record that is not well formed is refused, naming the line on which it starts: an unclosed
// quote, characters after a closing quote, a quote inside a bare field, a NUL byte (named by its
// own line), text that is not UTF-8. So is a record of more than 1 MB (a file of one endless
// line, /dev/zero), also naming the file, before it takes more memory. Refusals are
// Error(Refused) "Строка N: ...; файл не загружен".

#include <QByteArray>
#include <QIODevice>
#include <QList>

namespace orv::core {

class CsvReader {
  public:
    explicit CsvReader(QIODevice& device) : device_(device) {}

    // The next record's fields, unquoted and without surrounding blanks, UTF-8 text; false at
    // the end.
    bool next(QList<QByteArray>* fields);
    // The line on which the last record read starts, from 1.
    qint64 recordLine() const { return recordLine_; }

  private:
    bool fill();
    int get();   // next byte, -1 at the end
    int peek();  // next byte without taking it, -1 at the end
    QByteArray quotedField();
    QByteArray bareField();
    void checkText(const QList<QByteArray>& fields) const;
    [[noreturn]] void malformed(qint64 line, const QString& what) const;
    [[noreturn]] void tooLong() const;

    QIODevice& device_;
    QByteArray buffer_;
    qsizetype position_ = 0;
    qint64 line_ = 1;
    qint64 recordLine_ = 0;
    qint64 recordBytes_ = 0;  // taken since the record began
    qint64 nulLine_ = 0;      // the line of the record's first NUL byte, 0 when none
    bool started_ = false;
};

}  // namespace orv::core
