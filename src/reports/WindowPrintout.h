#pragma once
// The printout of whatever the main grid shows (Report1 of TForm12): a title with the data
// set's component name, one column per stored field of the data set with the field names as
// titles, one line per record, and the page number at the foot of every page. The layout is
// built afresh from the data set by PrepareReport() at every printout.
//
// The first column starts at 10 units of 96 to the inch; each column is as wide as its title
// and its widest value, at least 75 units. Columns that do not fit across an A4 portrait page
// turn it to landscape, and when they do not fit that either the type of the titles and values
// becomes smaller (down to 6 points). Columns that still do not fit continue on further lines
// of the same record, so no column is cut off or left out; the column header and detail bands
// grow by one line height for each further line.
//
// The printout keeps a reference to the last bound query; it must outlive the printout or be
// unbound by the next PrepareReport().

#include "core/ViewColumn.h"
#include "db/Query.h"
#include "reports/QueryData.h"
#include "reports/ReportLayout.h"

#include <QLocale>
#include <memory>

namespace orv::reports {

class WindowPrintout {
  public:
    WindowPrintout();

    // Empties the column header and detail bands; then, when dataSet is given, binds the
    // report to it, titles it with name and adds a title and a data text for each stored field.
    // columns give the display of the fields (money, dates) as the grid shows them. Any error
    // while building ends it silently, with what was built so far.
    void PrepareReport(const db::Query* dataSet, const QString& name,
                       const QList<core::ViewColumn>& columns = {},
                       const QLocale& locale = QLocale());

    const ReportLayout& layout() const { return layout_; }
    // The bound data, nullptr before the first bound printout.
    const ReportData* data() const { return data_.get(); }
    QString title() const;

    // Column i's left edge in millimetres at the designed 75-unit pitch.
    static double columnLeft(int i);
    static constexpr int kColumnsPerLine = 10;

  private:
    QList<double> columnWidths(const QList<db::FieldDef>& fields) const;
    double choosePage(double columnsWidth);

    ReportLayout layout_;
    std::unique_ptr<QueryData> data_;
};

// PrepareReport on the data set and the printout written into a PDF file; returns the pages.
int writePrintoutPdf(const db::Query& dataSet, const QString& name,
                     const QList<core::ViewColumn>& columns, const QString& path,
                     const QLocale& locale = QLocale());

}  // namespace orv::reports
