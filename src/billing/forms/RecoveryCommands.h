#pragma once
// The main window's commands that keep data from being lost: NRestoreBackup ("Утилиты" >
// "Восстановить из копии…": the snapshots of the debt run's tables, a confirmation, the
// restore), NPaymentJournal (the view "Журнал оплат" in the main grid) and NDryRun ("Пробный
// расчет долга": a trial of the debt run shown in its own window, no table changed). Created
// and connected by installBilling(); errors of a command are shown by the window's runCommand.

#include "db/Query.h"
#include "ui/MainWindowHost.h"
#include "ui/QueryModel.h"

#include <QObject>

namespace orv::billing {

class TProgrForm;

class RecoveryCommands : public QObject {
    Q_OBJECT

  public:
    RecoveryCommands(ui::MainWindowHost& window, TProgrForm* progress);

    void NRestoreBackupClick();
    void NPaymentJournalClick();
    void NDryRunClick();

    db::Query& journal() { return journal_; }

  private:
    ui::MainWindowHost& window_;
    TProgrForm* progress_;
    db::Query journal_;
    ui::QueryModel* journalModel_ = nullptr;
};

// Creates the commands' object as a child of the window and connects the three commands.
RecoveryCommands& installRecovery(ui::MainWindowHost& window, TProgrForm* progress);

}  // namespace orv::billing
