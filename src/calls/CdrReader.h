#pragma once
// Reads the records of an exchange's call detail file (Asterisk cdr_csv, FreeSWITCH
// mod_cdr_csv) one at a time, in a single pass over the bytes: fields separated by commas,
// strings in double quotes with "" for a quote, bare numbers. What real files hold is taken as
// it comes: a UTF-8 byte order mark, CRLF or LF line ends, blanks around a field outside its
// quotes (dropped), a quoted field running over a line end, blank lines (skipped).
//
// A record that is not well formed (an unclosed quote, characters after a closing quote, a
// quote inside a bare field) raises Error(Refused) naming the line on which the record starts;
// so does a record of more than 1 MB (a file of one endless line, /dev/zero), also naming the
// file, before it takes more memory.

#include <QByteArray>
#include <QIODevice>
#include <QList>

namespace orv::calls {

class CdrReader {
  public:
    explicit CdrReader(QIODevice& device);

    // The next record's fields, unquoted and without surrounding blanks; false at the end.
    bool next(QList<QByteArray>* fields);
    // The line on which the last record read starts, from 1.
    qint64 recordLine() const { return recordLine_; }

  private:
    bool fill();
    int get();   // next byte, -1 at the end
    int peek();  // next byte without taking it, -1 at the end
    QByteArray quotedField();
    QByteArray bareField();
    [[noreturn]] void malformed(const QString& what) const;
    [[noreturn]] void tooLong() const;

    QIODevice& device_;
    QByteArray buffer_;
    qsizetype position_ = 0;
    qint64 line_ = 1;
    qint64 recordLine_ = 0;
    qint64 recordBytes_ = 0;  // taken since the record began
    bool started_ = false;
};

}  // namespace orv::calls
