// The debt commands in the main window, driven offscreen: the run ending in the debt view, a
// refused run leaving the window usable, the payment button refreshing only the debt view, the
// VAT rates of the settings.

#include "BillingFixture.h"
#include "GuiApplication.h"
#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "billing/VatRates.h"
#include "billing/forms/PaymentDialog.h"
#include "billing/forms/VatRatesDialog.h"
#include "core/Clock.h"
#include "db/Aliases.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QtTest/QTest>

using namespace orv;
using namespace orv::test;

namespace {

class BillingWindow : public ::testing::Test {
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
        EXPECT_TRUE(action->isEnabled()) << ui::commandName(command).toStdString();
        action->trigger();
    }

    // Column `column` of every grid row.
    QStringList gridColumn(int column) const {
        QStringList cells;
        const QAbstractItemModel* model = window_->grid()->model();
        for (int r = 0; model && r < model->rowCount(); ++r)
            cells.append(model->index(r, column).data().toString());
        return cells;
    }

    // Pays `amount` for 101 "ALL" through the dialog the payment button opens.
    void payThroughTheButton(const QString& amount) {
        auto* dialog = window_->findChild<billing::TOKBottomDlg1*>();
        ASSERT_NE(dialog, nullptr);
        QTimer::singleShot(0, dialog, [dialog, amount] {
            QTest::keyClicks(dialog->maskEditNumber(), QStringLiteral("101"));
            dialog->comboBoxPriznak()->setCurrentText(QStringLiteral("ALL"));
            QTest::keyClicks(dialog->editPane(), amount);
            QTest::keyClick(dialog->editPane(), Qt::Key_Return);
        });
        trigger(ui::Command::ToolButtonRaschet);
    }

    QTemporaryDir home_;
    QTemporaryDir everyday_;
    Exchange x;
    std::unique_ptr<app::ProgramData> data_;  // outlives the window
    std::unique_ptr<app::TForm1> window_;
};

}  // namespace

TEST_F(BillingWindow, TheRunEndsInTheDebtViewAndThePaymentRefreshesIt) {
    trigger(ui::Command::N3);
    EXPECT_EQ(window_->gridDataSource(), QStringLiteral("DataSourceQueryDolg"));
    EXPECT_EQ(gridColumn(0), (QStringList{"101", "102"}));
    const QString due = gridColumn(3).first();
    EXPECT_EQ(due, QLocale().toCurrencyString(167.00));
    EXPECT_EQ(x.rows("DESTTAR").size(), 1);

    payThroughTheButton(QStringLiteral("100"));
    EXPECT_EQ(window_->gridDataSource(), QStringLiteral("DataSourceQueryDolg"));
    EXPECT_EQ(gridColumn(3).first(), QLocale().toCurrencyString(100.40));  // 200.40 due with VAT

    // The payment view lists the payment; a payment made over it leaves its rows as they were.
    trigger(ui::Command::PaneInform);
    EXPECT_EQ(window_->gridDataSource(), QStringLiteral("DataSourceShowPane"));
    const QStringList payments = gridColumn(4);
    EXPECT_EQ(payments, QStringList{QLocale().toCurrencyString(100.00)});
    payThroughTheButton(QStringLiteral("7"));
    EXPECT_EQ(gridColumn(4), payments);
    EXPECT_EQ(x.rows("PaneDate").size(), 1);
    EXPECT_TRUE(x.rows("PaneDate").first().endsWith(QStringLiteral("|7")));
}

TEST_F(BillingWindow, ARefusedRunShowsItsMessageAndTheWindowStaysUsable) {
    trigger(ui::Command::N3);
    const auto after = x.files(runTables());
    QString message;
    closeNextMessage(&message);
    trigger(ui::Command::N3);
    EXPECT_EQ(message, QStringLiteral("Долг на прошедший месяц уже рассчитан"));
    EXPECT_TRUE(x.files(runTables()) == after);

    trigger(ui::Command::N11);
    EXPECT_EQ(window_->gridDataSource(), QStringLiteral("DataSourceQueryDolg"));
    EXPECT_EQ(gridColumn(0), (QStringList{"101", "102"}));
}

TEST_F(BillingWindow, VatRatesAreAddedAndABadPercentChangesNothing) {
    auto* dialog = window_->findChild<billing::TFormVatRates*>();
    ASSERT_NE(dialog, nullptr);
    QString message;
    QStringList rows;
    QTimer::singleShot(0, dialog, [&] {
        dialog->findChild<QDateEdit*>(QStringLiteral("EditVatFrom"))->setDate(QDate(2026, 7, 1));
        auto* percent = dialog->findChild<QLineEdit*>(QStringLiteral("EditVatPercent"));
        QTest::keyClicks(percent, QStringLiteral("21"));
        dialog->SetRateClick();
        closeNextMessage(&message);
        QTest::keyClicks(percent, QStringLiteral("abc"));
        dialog->SetRateClick();
        auto* grid = dialog->findChild<QTableWidget*>(QStringLiteral("GridVatRates"));
        for (int r = 0; r < grid->rowCount(); ++r)
            rows.append(grid->item(r, 0)->text() + u'=' + grid->item(r, 1)->text());
        dialog->reject();
    });
    dialog->showModal();
    EXPECT_EQ(rows, (QStringList{"01.01.2000=20", "01.07.2026=21"}));
    EXPECT_EQ(message, QStringLiteral("'abc' не число"));

    // A new percent in the settings dialog is the rate from the first of this month.
    window_->changeVat({true, 18});
    EXPECT_EQ(billing::VatRates::read(x.db()).percentOn(QDate(2026, 4, 1)), 18);
    EXPECT_EQ(billing::VatRates::read(x.db()).percentOn(QDate(2026, 3, 31)), 20);
}
