#pragma once
// TDryRunForm, "Пробный расчет долга": what a trial of the debt run left, shown without any
// table of the data folder having changed: the summary of the run, then two pages, the debt
// view the run would leave and the calls it would delete from DESTTAR. The caller owns the trial
// (and with it the temporary copies) and keeps it until the window is gone.

#include <QDialog>

class QLabel;
class QTabWidget;
class QTableView;

namespace orv::ui {
class QueryModel;
}

namespace orv::billing {

class DryRun;

class TDryRunForm : public QDialog {
    Q_OBJECT

  public:
    // Requires: trial outlives the window (its grids read the trial's statements).
    TDryRunForm(DryRun& trial, QWidget* parent = nullptr);

    QLabel* summaryLabel() const { return summary_; }
    QTableView* debtGrid() const { return debtGrid_; }
    QTableView* callsGrid() const { return callsGrid_; }

  private:
    ui::QueryModel* debts_;
    ui::QueryModel* calls_;
    QLabel* summary_;
    QTabWidget* pages_;
    QTableView* debtGrid_;
    QTableView* callsGrid_;
};

}  // namespace orv::billing
