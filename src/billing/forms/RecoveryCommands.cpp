#include "billing/forms/RecoveryCommands.h"

#include "billing/DryRun.h"
#include "billing/PaymentJournal.h"
#include "billing/Snapshot.h"
#include "billing/forms/DryRunDialog.h"
#include "billing/forms/ProgressWindow.h"
#include "billing/forms/RestoreDialog.h"
#include "core/Clock.h"
#include "ui/WaitCursor.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>

namespace orv::billing {
namespace {

const QString kJournalSource = QStringLiteral("DataSourcePaymentJournal");

QString title() { return QCoreApplication::applicationName(); }

}  // namespace

RecoveryCommands::RecoveryCommands(ui::MainWindowHost& window, TProgrForm* progress)
    : QObject(window.widget()),
      window_(window),
      progress_(progress),
      journal_(window.tarifStandard()) {
    setObjectName(QStringLiteral("RecoveryCommands"));
}

void RecoveryCommands::NRestoreBackupClick() {
    db::Database& db = window_.tarifStandard();
    const QList<SnapshotInfo> snapshots = listSnapshots(db);
    if (snapshots.isEmpty()) {
        QMessageBox::information(window_.widget(), title(),
                                 db.isServer()
                                     ? QStringLiteral("Резервных копий на сервере нет")
                                     : QStringLiteral("Резервных копий нет (папка %1)")
                                           .arg(QDir::toNativeSeparators(backupsFolder(db))));
        return;
    }
    TRestoreForm form(snapshots, window_.widget());
    if (form.exec() != QDialog::Accepted || form.chosenName().isEmpty()) return;
    const QString name = form.chosenName();
    const auto answer = QMessageBox::question(
        window_.widget(), title(),
        QStringLiteral("Восстановить таблицы %1 из копии %2?\nНынешнее состояние этих таблиц "
                       "будет сохранено в новой копии.")
            .arg(snapshotTables().join(QStringLiteral(", ")), name),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) return;
    window_.freeGrid();
    SnapshotInfo before;
    {
        const ui::WaitCursor wait;
        before = restoreSnapshot(db, window_.settingsStore(), name, orv::today());
    }
    QMessageBox::information(
        window_.widget(), title(),
        QStringLiteral(
            "Таблицы восстановлены из копии %1.\nПрежнее состояние сохранено в копии %2.")
            .arg(name, before.name));
}

void RecoveryCommands::NPaymentJournalClick() {
    window_.freeGrid();
    openPaymentJournal(journal_, {});
    if (!journalModel_)
        journalModel_ = new ui::QueryModel(journal_, journalViewColumns(), QLocale(), this);
    journalModel_->refresh();
    window_.bindGrid(journalModel_, kJournalSource, [this] {
        journal_.close();
        journal_.unprepare();
        journalModel_->refresh();
    });
}

void RecoveryCommands::NDryRunClick() {
    std::unique_ptr<DryRun> trial;
    {
        const ui::WaitCursor wait;
        struct Hide {
            TProgrForm* window;
            ~Hide() { window->hide(); }
        } hide{progress_};
        trial = std::make_unique<DryRun>(window_.tarifStandard(), window_.settingsStore(),
                                         window_.vat(), orv::today(), standardPipelines(),
                                         [this](int percent, const QString& account) {
                                             if (percent == 0) progress_->start();
                                             progress_->setProgress(percent, account);
                                         });
    }
    TDryRunForm form(*trial, window_.widget());
    form.exec();
}

RecoveryCommands& installRecovery(ui::MainWindowHost& window, TProgrForm* progress) {
    auto* commands = new RecoveryCommands(window, progress);
    window.connectCommand(ui::Command::NRestoreBackup,
                          [commands] { commands->NRestoreBackupClick(); });
    window.connectCommand(ui::Command::NPaymentJournal,
                          [commands] { commands->NPaymentJournalClick(); });
    window.connectCommand(ui::Command::NDryRun, [commands] { commands->NDryRunClick(); });
    return *commands;
}

}  // namespace orv::billing
