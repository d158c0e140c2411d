#pragma once
// A trial of the debt run ("Пробный расчет долга"): runDebtCalculation itself, with the same
// settings, VAT, date and pipelines, on copies of the permanent tables in a temporary folder of
// its own. The tables of the data folder are only read (their pages copied through the online
// backup, see TablePages.h), so not a byte of them changes, whatever the run does or wherever it
// stops. What the run left is kept while the object lives: the debt view it would show and the
// calls it deleted from DESTTAR, in their stored order. The temporary folder goes with the
// object; one that a killed trial left is removed at the next start (ScratchFolder.h).
//
// On a server alias the trial is the run itself inside its transaction, under the run's lock
// (a trial and a run at once: the later one is refused), rolled back at the end; the debt view
// and the deleted calls are read inside that transaction into the temporary folder first.
//
// Errors are those of the run, with the same messages (a refusal such as "Долг на прошедший
// месяц уже рассчитан" included); no snapshot is taken.

#include "billing/DebtRun.h"
#include "billing/DebtViews.h"
#include "core/ViewColumn.h"
#include "db/ScratchFolder.h"

#include <QDir>
#include <memory>

namespace orv::billing {

class DryRun {
  public:
    DryRun(db::Database& live, const core::SettingsStore& store, const core::VatSettings& vat,
           const QDate& today, const DebtPipelines& pipelines, const DebtProgress& progress = {});
    ~DryRun();
    DryRun(const DryRun&) = delete;
    DryRun& operator=(const DryRun&) = delete;

    const DebtRunSummary& summary() const { return summary_; }
    // QueryDolg over the tables as the run left them; open.
    db::Query& debtView() { return views_->queryDolg(); }
    // The calls the run deleted from DESTTAR; open.
    db::Query& retiredCalls() { return *retired_; }

    // The columns of retiredCalls() in grid order.
    static const QList<core::ViewColumn>& retiredColumns();

  private:
    void tryOnCopies(db::Database& live, const core::SettingsStore& store,
                     const core::VatSettings& vat, const QDate& today,
                     const DebtPipelines& pipelines, const DebtProgress& progress);
    void tryOnServer(db::Database& live, const core::SettingsStore& store,
                     const core::VatSettings& vat, const QDate& today,
                     const DebtPipelines& pipelines, const DebtProgress& progress);

    db::ScratchFolder folder_{
        db::ScratchFolder::unique(QDir::tempPath(), QStringLiteral("dryrun"))};
    std::unique_ptr<db::Database> copy_;
    std::unique_ptr<DebtViews> views_;
    std::unique_ptr<db::Query> retired_;
    DebtRunSummary summary_;
};

}  // namespace orv::billing
