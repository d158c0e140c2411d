#pragma once
// The data set a report is bound to, as the renderer sees it: a number of rows and the display
// text of a named field in a row. Rows are asked for only when the page that holds them is
// drawn, so a data set may fetch them lazily. A field the data set does not have prints blank.

#include <QString>

namespace orv::reports {

class ReportData {
  public:
    virtual ~ReportData() = default;
    virtual qint64 rowCount() const = 0;
    // Requires: 0 <= row < rowCount().
    virtual QString text(qint64 row, const QString& field) const = 0;
};

}  // namespace orv::reports
