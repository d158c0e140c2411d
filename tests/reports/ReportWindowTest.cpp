// The print drop-down in the main window, offscreen: "Печать счетов" opens the preview on its
// first page only, the printout of the grid titles the view's statement, a grid bound to nothing
// still opens the preview.

#include "GuiApplication.h"
#include "ReportTestData.h"
#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "app/forms/SettingsDialog.h"
#include "db/Aliases.h"
#include "reports/IssuerTexts.h"
#include "reports/forms/IssuerDialog.h"
#include "reports/forms/PreviewWindow.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

using namespace orv;
using namespace orv::test;

namespace {

class ReportWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
        qputenv("ORVANTA_SETTINGS_FILE", home_.filePath(QStringLiteral("s.reg")).toUtf8());
        for (int i = 0; i < 7; ++i)
            a.account(300 + i, QStringLiteral("ALL"), 25.0, 30.0, 12.0, 70.0);
        a.payment(301, QStringLiteral("ALL"), 120.0, 50.0);
        db::Aliases aliases(home_.filePath(QStringLiteral("aliases.conf")));
        aliases.bindForRun(QLatin1String(db::kStandardAlias), a.temp().path());
        aliases.bindForRun(QLatin1String(db::kEverydayAlias), everyday_.path());
        data_ = std::make_unique<app::ProgramData>(aliases);
        window_ = std::make_unique<app::TForm1>(*data_);
        app::installSubsystems(*window_);
        window_->FormShow();
        window_->show();
    }
    void TearDown() override { window_.reset(); }

    // Triggers the command and hands the preview it opens to inspect, then closes it.
    void withPreview(ui::Command command,
                     const std::function<void(reports::ReportPreview&)>& inspect) {
        bool seen = false;
        std::function<void()> look;
        look = [&] {
            auto* preview = window_->findChild<reports::ReportPreview*>();
            if (!preview || !preview->isVisible()) {
                QTimer::singleShot(10, look);
                return;
            }
            seen = true;
            inspect(*preview);
            QTest::keyClick(preview, Qt::Key_Escape);
        };
        QTimer::singleShot(0, look);
        QAction* action = window_->action(command);
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
        EXPECT_TRUE(seen);
    }

    Accounts a;
    QTemporaryDir home_;
    QTemporaryDir everyday_;
    std::unique_ptr<app::ProgramData> data_;  // outlives the window
    std::unique_ptr<app::TForm1> window_;
};

TEST_F(ReportWindow, InvoicesOpenThePreviewOnItsFirstPage) {
    withPreview(ui::Command::N6, [](reports::ReportPreview& preview) {
        EXPECT_EQ(preview.pageCount(), 3);
        EXPECT_EQ(preview.currentPage(), 0);
        EXPECT_EQ(preview.pagesDrawn(), 1);
        EXPECT_EQ(preview.findChild<QLabel*>(QStringLiteral("PreviewPageCount"))->text(),
                  QStringLiteral("из 3"));
        QApplication::setActiveWindow(&preview);
        QTest::keyClick(&preview, Qt::Key_PageDown);
        EXPECT_EQ(preview.currentPage(), 1);
        QTest::keyClick(&preview, Qt::Key_End, Qt::ControlModifier);
        EXPECT_EQ(preview.currentPage(), 2);
        EXPECT_EQ(preview.pagesDrawn(), 3);
        QTemporaryDir dir;
        preview.saveAsPdf(dir.filePath(QStringLiteral("saved.pdf")));
        EXPECT_TRUE(pdfText(dir.filePath(QStringLiteral("saved.pdf")))
                        .contains(QStringLiteral("СУММА К ОПЛАТЕ")));
    });
}

TEST_F(ReportWindow, PrintoutOfTheGridAndOfNothing) {
    withPreview(ui::Command::PrintWindow, [](reports::ReportPreview& preview) {
        EXPECT_EQ(preview.pageCount(), 1);
        EXPECT_TRUE(preview.windowTitle().contains(QStringLiteral("ReportLabel1")));
    });
    window_->action(ui::Command::PaneInform)->trigger();
    withPreview(ui::Command::PrintWindow, [](reports::ReportPreview& preview) {
        EXPECT_EQ(preview.pageCount(), 1);
        EXPECT_TRUE(preview.windowTitle().contains(QStringLiteral("QueryShowPane")));
    });
}

}  // namespace

namespace {

TEST_F(ReportWindow, IssuerTextsEditedFromTheSettingsDialog) {
    auto* dialog = window_->findChild<orv::app::TFormSettings*>();
    ASSERT_NE(dialog, nullptr);
    QPushButton* button = nullptr;
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("Реквизиты…")) button = b;
    ASSERT_NE(button, nullptr);

    auto* issuer = window_->findChild<reports::TFormIssuer*>();
    ASSERT_NE(issuer, nullptr);
    QTimer::singleShot(0, [issuer] {
        auto* phone = issuer->findChild<QLineEdit*>(QStringLiteral("Телефон"));
        EXPECT_EQ(phone->text(), QStringLiteral("00-00-00"));
        phone->setText(QStringLiteral("5-55-55"));
        issuer->OkClick();
    });
    EXPECT_EQ(issuer->showModal(), QDialog::Accepted);
    EXPECT_EQ(reports::readIssuerTexts(window_->settingsStore()).telephone,
              QStringLiteral("5-55-55"));
}

}  // namespace

namespace {

TEST(ReportPreviewAlone, AReportWithoutPagesSaysThereIsNothingToPrint) {
    reports::ReportLayout layout;
    layout.printIfEmpty = false;
    reports::ReportPreview preview(layout, nullptr, QStringLiteral("Счета"));
    ASSERT_EQ(preview.pageCount(), 0);
    const QString nothing = QStringLiteral("Нечего печатать: нет ни одной страницы");
    EXPECT_EQ(preview.findChild<QLabel*>(QStringLiteral("PreviewPageCount"))->text(), nothing);
    EXPECT_TRUE(preview.findChild<QSpinBox*>(QStringLiteral("PreviewPage"))->isHidden());
    EXPECT_FALSE(preview.findChild<QPushButton*>(QStringLiteral("PreviewPrint"))->isEnabled());
}

}  // namespace
