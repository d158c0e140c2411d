#pragma once
// The commands of debts and payments in the main window: N3 the debt run (ButtonDolgClick),
// N11 the debt view (ToolButtonShowDolgClick), PaneInform the payment view (PaneInformClick) and
// ToolButtonRaschet the payment dialog (ButtonDeleteClick). installBilling() creates the views,
// their grid models, the progress window and the payment dialog once, as children of the
// window, and connects the commands; errors of a command are shown by the window's runCommand.

#include "billing/DebtViews.h"
#include "ui/MainWindowHost.h"
#include "ui/QueryModel.h"

#include <QObject>

namespace orv::billing {

class TOKBottomDlg1;
class TProgrForm;

class BillingCommands : public QObject {
    Q_OBJECT

  public:
    explicit BillingCommands(ui::MainWindowHost& window);

    void ButtonDolgClick();
    void ToolButtonShowDolgClick();
    void PaneInformClick();
    void ButtonDeleteClick();
    // "Загрузка выписки банка…": a statement file chosen, its documents shown, then posted.
    void NBankStatementClick();
    // "Неразнесенные платежи…": the unmatched documents, posted by hand.
    void NUnmatchedPaymentsClick();

    DebtViews& views() { return views_; }

    // The number-list filter of QueryDolg; an open debt view shows the change at once.
    void setListFilter(const db::RecordFilter& filter);
    void setListFiltered(bool on);
    TProgrForm* progressWindow() const { return progress_; }
    TOKBottomDlg1* paymentDialog() const { return payment_; }

  private:
    void showDebts();
    // The debt or payment view in the grid shows the tables as they are now.
    void refreshPaymentViews();

    ui::MainWindowHost& window_;
    DebtViews views_;
    ui::QueryModel* dolgModel_;
    ui::QueryModel* paneModel_;
    TProgrForm* progress_;
    TOKBottomDlg1* payment_;
};

// Creates the commands' object as a child of the window and connects N3, N11, PaneInform and
// ToolButtonRaschet; then the commands of RecoveryCommands.h.
BillingCommands& installBilling(ui::MainWindowHost& window);

}  // namespace orv::billing
