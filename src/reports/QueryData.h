#pragma once
// A report's data set over an open db::Query: its visible rows (after the record filter) and
// the display text of a field, formatted as the columns given say (money in the currency format
// of the locale, dates dd.mm.yyyy, times hh:mm:ss); a field without a column prints as
// db::displayText gives it. An empty value prints blank. Rows are fetched from the query as the
// renderer asks for them, so the calculated fields are computed then.
//
// The query is not owned; it must stay open while the report draws.

#include "core/ViewColumn.h"
#include "db/Query.h"
#include "reports/ReportData.h"

#include <QHash>
#include <QList>
#include <QLocale>

namespace orv::reports {

class QueryData : public ReportData {
  public:
    QueryData(const db::Query& query, const QList<core::ViewColumn>& columns,
              const QLocale& locale = QLocale());

    qint64 rowCount() const override;
    QString text(qint64 row, const QString& field) const override;

  private:
    const db::Query& query_;
    QHash<QString, core::ViewColumn::Display> displays_;  // lower-case field name
    QLocale locale_;
};

}  // namespace orv::reports
