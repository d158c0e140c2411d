#pragma once
// The itemized statement ("Детализация разговоров") as a report: a page header with the title,
// the number or range, the month and, for one number, its subscriber; a column header; and one
// detail line per row of CallStatementData: for each number a heading line (number and
// subscriber), its calls (date, time, number dialled, destination, minutes, tariff, cost, and the
// reason of an unbilled call), its totals per service; for a range of several numbers the totals
// of the range at the end. Pages carry their number at the foot.
//
// CallStatementData keeps a reference to the statement: it must outlive the data and the
// renderer. Amounts and tariffs print with two decimals in the given locale.

#include "billing/CallStatement.h"
#include "reports/ReportData.h"
#include "reports/ReportLayout.h"
#include "reports/ReportRenderer.h"

#include <QLocale>

namespace orv::reports {

class CallStatementData : public ReportData {
  public:
    explicit CallStatementData(const billing::CallStatement& statement,
                               const QLocale& locale = QLocale());

    qint64 rowCount() const override { return rows_.size(); }
    QString text(qint64 row, const QString& field) const override;

  private:
    struct Row {
        enum class Kind { Heading, Call, Total } kind;
        qsizetype index;  // of the number (Heading), of the call, of the total line
    };
    struct TotalLine {
        QString caption;
        double amount;
    };
    QString callText(const billing::StatementCall& c, const QString& field) const;
    void addTotals(const billing::StatementTotals& totals, const QString& suffix);

    const billing::CallStatement& statement_;
    QLocale locale_;
    QList<Row> rows_;
    QList<TotalLine> totals_;
};

// "Номер 1234567" or "Номера 1000000 - 1000099".
QString statementNumbersCaption(const billing::CallStatement& statement);
// "Месяц 03.2026".
QString statementMonthCaption(const billing::CallStatement& statement);

ReportLayout callStatementLayout(const billing::CallStatement& statement);

// The statement into a PDF file (written beside the path and renamed into place); returns the
// pages written. A statement without calls still prints its header on one page.
int writeCallStatementPdf(const billing::CallStatement& statement, const QString& path,
                          const ReportRenderer::Progress& progress = {},
                          const QLocale& locale = QLocale());

}  // namespace orv::reports
