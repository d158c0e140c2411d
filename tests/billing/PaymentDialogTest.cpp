// The payment dialog driven offscreen: the lookup on every change of number and category, Enter
// confirming, Esc writing nothing, a refusal shown and nothing written; and the progress window.

#include "BillingFixture.h"
#include "GuiApplication.h"
#include "billing/Payment.h"
#include "billing/forms/PaymentDialog.h"
#include "billing/forms/ProgressWindow.h"
#include "core/Clock.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

using namespace orv;
using orv::test::closeNextMessage;
using orv::test::Exchange;

namespace {

// Runs the dialog modally; act types into it once it is shown.
int runDialog(billing::TOKBottomDlg1& dialog, const std::function<void()>& act) {
    QTimer::singleShot(0, &dialog, act);
    return dialog.exec();
}

}  // namespace

TEST(PaymentDialog, LooksUpTheAmountDueAndConfirmsWithEnter) {
    setTodayOverride(QDate(2026, 4, 10));
    Exchange x;
    x.debt(101, QStringLiteral("VECH"), QDate(2026, 4, 1), 167.00, 0, 33.40);
    billing::TOKBottomDlg1 dialog(x.db());
    dialog.setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    QStringList shown;
    const int result = runDialog(dialog, [&] {
        QTest::keyClicks(dialog.maskEditNumber(), QStringLiteral("101"));
        shown.append(dialog.editDolg()->text());
        dialog.comboBoxPriznak()->setCurrentText(QStringLiteral("vech"));
        shown.append(dialog.editDolg()->text());
        QTest::keyClicks(dialog.editPane(), QStringLiteral("150"));
        QTest::keyClick(dialog.editPane(), Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(shown, (QStringList{"Не найден", "$200.40"}));
    EXPECT_EQ(dialog.currentNumber(), 101);
    EXPECT_EQ(x.rows("PaneDate"), QStringList{"101|vech|10.04.2026|200.4|150"});
    EXPECT_EQ(x.rows("DolgTb").first().split(u'|')[4], QStringLiteral("50.4"));

    // The next show starts empty but keeps the category.
    runDialog(dialog, [&] {
        shown = {dialog.maskEditNumber()->text(), dialog.editDolg()->text(),
                 dialog.editPane()->text(), dialog.comboBoxPriznak()->currentText()};
        QTest::keyClick(dialog.maskEditNumber(), Qt::Key_Escape);
    });
    EXPECT_EQ(shown, (QStringList{"", "", "", "vech"}));
    setTodayOverride(std::nullopt);
}

TEST(PaymentDialog, EscapeAndRefusalsWriteNothing) {
    Exchange x;
    x.debt(101, QStringLiteral("ALL"), QDate(2026, 4, 1), 10.00);
    billing::TOKBottomDlg1 dialog(x.db());
    const auto before = x.files({QStringLiteral("DolgTb"), QStringLiteral("PaneDate")});
    EXPECT_EQ(runDialog(dialog,
                        [&] {
                            QTest::keyClicks(dialog.maskEditNumber(), QStringLiteral("101"));
                            QTest::keyClicks(dialog.editPane(), QStringLiteral("5"));
                            QTest::keyClick(dialog.editPane(), Qt::Key_Escape);
                        }),
              QDialog::Rejected);
    QString message;
    EXPECT_EQ(runDialog(dialog,
                        [&] {
                            QTest::keyClicks(dialog.maskEditNumber(), QStringLiteral("101"));
                            QTest::keyClicks(dialog.editPane(), QStringLiteral("abc"));
                            closeNextMessage(&message);
                            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
                        }),
              QDialog::Accepted);
    EXPECT_EQ(message, billing::kPaymentRefused);
    EXPECT_TRUE(x.files({QStringLiteral("DolgTb"), QStringLiteral("PaneDate")}) == before);
}

TEST(ProgressWindow, ShowsTheBarAndTheAccountOnTop) {
    billing::TProgrForm progress;
    progress.start();
    progress.setProgress(60, QStringLiteral("2200039"));
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.windowTitle(), QStringLiteral("ПРЕОБРАЗОВАНИЕ"));
    EXPECT_TRUE(progress.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(progress.progressBar()->value(), 60);
    EXPECT_EQ(progress.labelNumber()->text(), QStringLiteral("2200039"));
}
