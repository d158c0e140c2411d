#pragma once
// The record filter of an open result: the text "AbNumber=101 or AbNumber=102" that the
// number-list filter builds, parsed into a set of numbers. The filter is switched on and off
// apart from its text. Only terms of the form AbNumber=<number> joined by "or" are accepted; any
// other text is refused with a clear error and never reaches SQL.

#include <QSet>
#include <QString>

namespace orv::db {

class RecordFilter {
  public:
    // Throws Error(Refused) naming the first term that is not AbNumber=<number>.
    static RecordFilter parse(const QString& text);
    static RecordFilter fromNumbers(const QSet<qint64>& numbers);

    bool isEmpty() const { return text_.trimmed().isEmpty(); }
    bool accepts(qint64 number) const { return numbers_.contains(number); }
    const QSet<qint64>& numbers() const { return numbers_; }
    const QString& text() const { return text_; }

  private:
    QString text_;
    QSet<qint64> numbers_;
};

}  // namespace orv::db
