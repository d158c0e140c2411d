// The commands "Восстановить из копии…", "Журнал оплат" and "Пробный расчет долга" in the main
// window, driven offscreen.

#include "BillingFixture.h"
#include "GuiApplication.h"
#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "billing/Payment.h"
#include "billing/Snapshot.h"
#include "billing/forms/DryRunDialog.h"
#include "billing/forms/RestoreDialog.h"
#include "core/Clock.h"
#include "db/Aliases.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QtTest/QTest>
#include <functional>

using namespace orv;
using namespace orv::test;

namespace {

// Runs act on the first visible top-level widget of type W once it appears.
template <typename W>
void whenShown(std::function<void(W*)> act) {
    QTimer::singleShot(0, [act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<W*>(w); found && found->isVisible()) return act(found);
        whenShown<W>(act);
    });
}

class RecoveryWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        setTodayOverride(QDate(2026, 4, 10));
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
        qputenv("ORVANTA_SETTINGS_FILE", x.store().filePath().toUtf8());
        seedWorkedExample(x);
        db::Aliases aliases(home_.filePath(QStringLiteral("aliases.conf")));
        aliases.bindForRun(QLatin1String(db::kStandardAlias), x.temp().path());
        aliases.bindForRun(QLatin1String(db::kEverydayAlias), everyday_.path());
        data_ = std::make_unique<app::ProgramData>(aliases);
        window_ = std::make_unique<app::TForm1>(*data_);
        app::installSubsystems(*window_);
        window_->FormShow();
        window_->show();
    }
    void TearDown() override {
        window_.reset();
        setTodayOverride(std::nullopt);
    }

    void trigger(ui::Command command) const {
        QAction* action = window_->action(command);
        ASSERT_TRUE(action->isEnabled()) << ui::commandName(command).toStdString();
        action->trigger();
    }

    QTemporaryDir home_;
    QTemporaryDir everyday_;
    Exchange x;
    std::unique_ptr<app::ProgramData> data_;  // outlives the window
    std::unique_ptr<app::TForm1> window_;
};

}  // namespace

TEST_F(RecoveryWindow, TheMenusOfferTheNewCommands) {
    EXPECT_EQ(window_->action(ui::Command::NRestoreBackup)->text().remove(u'&'),
              QStringLiteral("Восстановить из копии…"));
    EXPECT_EQ(window_->action(ui::Command::NPaymentJournal)->text().remove(u'&'),
              QStringLiteral("Журнал оплат"));
    EXPECT_EQ(window_->action(ui::Command::NDryRun)->text().remove(u'&'),
              QStringLiteral("Пробный расчет долга"));
}

TEST_F(RecoveryWindow, TheJournalViewListsEveryPayment) {
    trigger(ui::Command::N3);
    const QLocale c(QLocale::C);
    billing::confirmPayment(x.db(), 101, QStringLiteral("ALL"), QStringLiteral("100"), c,
                            QDate(2026, 4, 10));
    billing::confirmPayment(x.db(), 101, QStringLiteral("ALL"), QStringLiteral("7"), c,
                            QDate(2026, 4, 11));
    trigger(ui::Command::NPaymentJournal);
    EXPECT_EQ(window_->gridDataSource(), QStringLiteral("DataSourcePaymentJournal"));
    const QAbstractItemModel* model = window_->grid()->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Время оплаты"));
    EXPECT_EQ(model->index(1, 2).data().toString(), QStringLiteral("11.04.2026"));
    EXPECT_EQ(model->index(1, 5).data().toString(), QLocale().toCurrencyString(7.0));
}

TEST_F(RecoveryWindow, TheTrialShowsTheDebtsAndCallsAndChangesNoFile) {
    const auto files = x.files(runTables());
    int debts = -1;
    int calls = -1;
    QString summary;
    whenShown<billing::TDryRunForm>([&](billing::TDryRunForm* form) {
        debts = form->debtGrid()->model()->rowCount();
        calls = form->callsGrid()->model()->rowCount();
        summary = form->summaryLabel()->text();
        form->reject();
    });
    trigger(ui::Command::NDryRun);
    EXPECT_EQ(debts, 2);
    EXPECT_EQ(calls, 4);
    EXPECT_TRUE(summary.contains(QStringLiteral("ни одна таблица не изменена")));
    EXPECT_TRUE(x.files(runTables()) == files);
}

TEST_F(RecoveryWindow, ARestoreAsksFirstAndPutsTheTablesBack) {
    const QStringList dolgBefore = x.rows("DolgTb");
    trigger(ui::Command::N3);
    ASSERT_NE(x.rows("DolgTb"), dolgBefore);

    // Declined at the question: nothing changes.
    whenShown<billing::TRestoreForm>([](billing::TRestoreForm* form) {
        whenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
        form->restoreButton()->click();
    });
    trigger(ui::Command::NRestoreBackup);
    EXPECT_NE(x.rows("DolgTb"), dolgBefore);
    EXPECT_EQ(billing::listSnapshots(x.db()).size(), 1);

    QString notice;
    QString chosen;
    whenShown<billing::TRestoreForm>([&](billing::TRestoreForm* form) {
        chosen = form->chosenName();
        whenShown<QMessageBox>([&](QMessageBox* box) {
            whenShown<QMessageBox>([&](QMessageBox* info) {
                notice = info->text();
                info->accept();
            });
            box->button(QMessageBox::Yes)->click();
        });
        form->restoreButton()->click();
    });
    trigger(ui::Command::NRestoreBackup);
    EXPECT_EQ(chosen, billing::listSnapshots(x.db()).first().name);
    EXPECT_TRUE(notice.startsWith(QStringLiteral("Таблицы восстановлены из копии ") + chosen))
        << notice.toStdString();
    EXPECT_EQ(x.rows("DolgTb"), dolgBefore);
    EXPECT_EQ(window_->gridDataSource(), QString());
}
