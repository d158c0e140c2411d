#include "billing/forms/BillingCommands.h"

#include "billing/DebtRun.h"
#include "billing/forms/BankImportDialog.h"
#include "billing/forms/PaymentDialog.h"
#include "billing/forms/UnmatchedDialog.h"
#include "reports/IssuerTexts.h"

#include <QFileDialog>
#include "billing/forms/ProgressWindow.h"
#include "billing/forms/RecoveryCommands.h"
#include "billing/forms/VatRatesDialog.h"
#include "core/Clock.h"
#include "ui/LongWork.h"

namespace orv::billing {
namespace {

const QString kDebtSource = QStringLiteral("DataSourceQueryDolg");
const QString kPaneSource = QStringLiteral("DataSourceShowPane");

// Hides the progress window on every way out of the run.
class ProgressShown {
  public:
    explicit ProgressShown(TProgrForm& window) : window_(window) {}
    ~ProgressShown() { window_.hide(); }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

  private:
    TProgrForm& window_;
};

}  // namespace

BillingCommands::BillingCommands(ui::MainWindowHost& window)
    : QObject(window.widget()),
      window_(window),
      views_(window.tarifStandard()),
      dolgModel_(new ui::QueryModel(views_.queryDolg(), debtViewColumns(), QLocale(), this)),
      paneModel_(new ui::QueryModel(views_.queryShowPane(), paymentViewColumns(), QLocale(), this)),
      progress_(new TProgrForm(window.widget())),
      payment_(new TOKBottomDlg1(window.tarifStandard(), window.widget())) {
    setObjectName(QStringLiteral("BillingCommands"));
}

void BillingCommands::showDebts() {
    views_.openDolg();
    dolgModel_->refresh();
    window_.bindGrid(dolgModel_, kDebtSource, [this] {
        // Unprepared too: a prepared statement keeps its table files attached, and the debt
        // run's transaction needs the room.
        views_.queryDolg().close();
        views_.queryDolg().unprepare();
        dolgModel_->refresh();
    });
}

void BillingCommands::ButtonDolgClick() {
    window_.freeGrid();
    DebtRunSummary summary;
    {
        const ProgressShown shown(*progress_);
        progress_->start();
        // Copies for the worker: the store is only its file's name.
        const core::SettingsStore store = window_.settingsStore();
        const core::VatSettings vat = window_.vat();
        const QDate today = orv::today();
        ui::LongWork::run(
            window_,
            [&](db::Database& own, ui::LongWork::Progress& progress) {
                summary = runDebtCalculation(own, store, vat, today, standardPipelines(),
                                             [&progress](int percent, const QString& account) {
                                                 progress.report(percent, account);
                                             });
            },
            [this](int percent, const QString& account) {
                progress_->setProgress(percent, account);
            });
    }
    showDebts();
    window_.setStatusText(0, summaryLine(summary));
}

void BillingCommands::ToolButtonShowDolgClick() {
    window_.freeGrid();
    showDebts();
}

void BillingCommands::PaneInformClick() {
    window_.freeGrid();
    views_.openShowPane();
    paneModel_->refresh();
    window_.bindGrid(paneModel_, kPaneSource, [this] {
        views_.queryShowPane().close();
        views_.queryShowPane().unprepare();
        paneModel_->refresh();
    });
}

void BillingCommands::ButtonDeleteClick() {
    payment_->exec();
    if (window_.gridDataSource() != kDebtSource) return;
    views_.openDolg();
    dolgModel_->refresh();
}

void BillingCommands::NBankStatementClick() {
    const QString path = QFileDialog::getOpenFileName(
        window_.widget(), QStringLiteral("Загрузка выписки банка"), window_.startDirectory(),
        QStringLiteral("Выписки банка (*.txt);;Все файлы (*)"));
    if (path.isEmpty()) return;
    TFormBankImport form(window_, path, reports::readIssuerTexts(window_.settingsStore()).account);
    form.exec();
    refreshPaymentViews();
}

void BillingCommands::NUnmatchedPaymentsClick() {
    TFormUnmatched form(window_, reports::readIssuerTexts(window_.settingsStore()).account);
    form.exec();
    refreshPaymentViews();
}

void BillingCommands::refreshPaymentViews() {
    if (window_.gridDataSource() == kDebtSource) {
        views_.openDolg();
        dolgModel_->refresh();
    } else if (window_.gridDataSource() == kPaneSource) {
        views_.openShowPane();
        paneModel_->refresh();
    }
}

void BillingCommands::setListFilter(const db::RecordFilter& filter) {
    views_.setListFilter(filter);
    dolgModel_->refresh();
}

void BillingCommands::setListFiltered(bool on) {
    views_.setListFiltered(on);
    dolgModel_->refresh();
}

BillingCommands& installBilling(ui::MainWindowHost& window) {
    auto* commands = new BillingCommands(window);
    window.connectCommand(ui::Command::N3, [commands] { commands->ButtonDolgClick(); });
    window.connectCommand(ui::Command::N11, [commands] { commands->ToolButtonShowDolgClick(); });
    window.connectCommand(ui::Command::PaneInform, [commands] { commands->PaneInformClick(); });
    window.connectCommand(ui::Command::ToolButtonRaschet,
                          [commands] { commands->ButtonDeleteClick(); });
    window.connectCommand(ui::Command::NBankStatement,
                          [commands] { commands->NBankStatementClick(); });
    window.connectCommand(ui::Command::NUnmatchedPayments,
                          [commands] { commands->NUnmatchedPaymentsClick(); });
    installRecovery(window, commands->progressWindow());
    auto* rates = new TFormVatRates(window.tarifStandard(), window.widget());
    window.addSettingsButton(QStringLiteral("НДС…"), [rates] { rates->showModal(); });
    return *commands;
}

}  // namespace orv::billing
