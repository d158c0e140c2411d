// The settings dialog over a fresh settings file: the defaults shown, OK storing the six values
// into the four sections and passing the VAT on, Cancel storing nothing, a bad percent storing
// nothing and keeping the dialog open, the locale's decimal separator, the lenient minutes, and
// the dialog opened from the main window's tool button.

#include "GuiTestSupport.h"
#include "app/forms/SettingsDialog.h"
#include "core/Error.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>
#include <optional>

using namespace orv;

namespace {

class SettingsDialogTest : public test::WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        dialog_ = std::make_unique<app::TFormSettings>(
            [this](const core::VatSettings& vat) { received_ = vat; }, nullptr,
            QLocale(QLocale::Russian, QLocale::Russia));
    }

    template <typename T>
    T* control(const char* name) const {
        T* found = dialog_->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* edit(const char* name) const { return control<QLineEdit>(name); }
    QCheckBox* box(const char* name) const { return control<QCheckBox>(name); }

    void type(const char* name, const QString& text) const {
        edit(name)->clear();
        QTest::keyClicks(edit(name), text);
    }

    QStringList sectionNames() const {
        QStringList names;
        for (const auto& s : core::SettingsStore(settingsFile()).sections()) names.append(s.name);
        return names;
    }

    std::unique_ptr<app::TFormSettings> dialog_;
    std::optional<core::VatSettings> received_;
};

TEST_F(SettingsDialogTest, ShowsTheDefaultsAndOkCreatesTheFourSections) {
    dialog_->FormShow();
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Настройки"));
    EXPECT_EQ(dialog_->size(), QSize(308, 285));
    EXPECT_TRUE(box("CheckBoxMG")->isChecked());
    EXPECT_FALSE(box("CheckBoxPenya")->isChecked());
    EXPECT_EQ(edit("EditProcent")->text(), QStringLiteral("1"));
    EXPECT_TRUE(box("CheckBoxUseNDS")->isChecked());
    EXPECT_EQ(edit("EditNDSPercent")->text(), QStringLiteral("20"));
    EXPECT_EQ(edit("EditNoUchet")->text(), QStringLiteral("0"));
    EXPECT_FALSE(QFile::exists(settingsFile()));

    dialog_->show();
    QTest::mouseClick(control<QPushButton>("BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog_->isVisible());
    EXPECT_EQ(sectionNames(), (QStringList{"MnMg", "Пеня", "НДС", "NoUchet"}));
    ASSERT_TRUE(received_);
    EXPECT_TRUE(received_->useNds);
    EXPECT_EQ(received_->ndsPercent, 20.0);
}

TEST_F(SettingsDialogTest, OkStoresWhatWasTypedInTheLocalesFormat) {
    const struct {
        const char* procent;
        const char* nds;
        const char* minutes;
        double procentValue;
        double ndsValue;
        qint32 minutesValue;
        const char* shownProcent;  // as the next show gives it back
    } cases[] = {
        {"1,5", "18", "30", 1.5, 18.0, 30, "1,5"},
        {"0.25", " 10,5 ", "45 min", 0.25, 10.5, 45, "0,25"},
        {"2", "0", "min", 2.0, 0.0, 0, "2"},
        {"3", "20", "", 3.0, 20.0, 0, "3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.procent);
        dialog_->FormShow();
        QTest::mouseClick(box("CheckBoxPenya"), Qt::LeftButton);
        type("EditProcent", QString::fromUtf8(c.procent));
        QTest::mouseClick(box("CheckBoxUseNDS"), Qt::LeftButton);
        type("EditNDSPercent", QString::fromUtf8(c.nds));
        type("EditNoUchet", QString::fromUtf8(c.minutes));
        dialog_->show();
        QTest::keyClick(edit("EditNoUchet"), Qt::Key_Return);
        EXPECT_EQ(dialog_->result(), QDialog::Accepted);

        const core::Settings s = core::readSettings(core::SettingsStore(settingsFile()));
        EXPECT_EQ(s.penaltyPercent, c.procentValue);
        EXPECT_EQ(s.ndsPercent, c.ndsValue);
        EXPECT_EQ(s.freeMinutes, c.minutesValue);
        ASSERT_TRUE(received_);
        EXPECT_EQ(received_->useNds, s.useNds);
        EXPECT_EQ(received_->ndsPercent, c.ndsValue);

        dialog_->FormShow();
        EXPECT_EQ(edit("EditProcent")->text(), QString::fromUtf8(c.shownProcent));
        EXPECT_EQ(box("CheckBoxPenya")->isChecked(), s.usePenalty);
    }
}

TEST_F(SettingsDialogTest, CancelStoresNothing) {
    dialog_->FormShow();
    type("EditNDSPercent", QStringLiteral("7"));
    QTest::mouseClick(box("CheckBoxMG"), Qt::LeftButton);
    dialog_->show();
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_FALSE(QFile::exists(settingsFile()));
    EXPECT_FALSE(received_);
    dialog_->FormShow();
    EXPECT_EQ(edit("EditNDSPercent")->text(), QStringLiteral("20"));
    EXPECT_TRUE(box("CheckBoxMG")->isChecked());
}

// A bad percent in either field: the message, nothing stored, the VAT untouched, the dialog
// open on the bad field with what was typed.
TEST_F(SettingsDialogTest, BadPercentStoresNothingAndKeepsTheDialogOpen) {
    const struct {
        const char* field;
        const char* text;
    } cases[] = {{"EditProcent", "1,5%"}, {"EditNDSPercent", "abc"}, {"EditNDSPercent", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        dialog_->FormShow();
        type("EditNoUchet", QStringLiteral("15"));
        QTest::mouseClick(box("CheckBoxUseNDS"), Qt::LeftButton);
        type(c.field, QString::fromUtf8(c.text));
        dialog_->show();
        QString message;
        test::closeNextMessage(&message);
        QTest::mouseClick(control<QPushButton>("BitBtn1"), Qt::LeftButton);
        EXPECT_EQ(message, QStringLiteral("'%1' не число").arg(QString::fromUtf8(c.text)));
        EXPECT_TRUE(dialog_->isVisible());
        EXPECT_NE(dialog_->result(), QDialog::Accepted);
        EXPECT_EQ(dialog_->focusWidget(), edit(c.field));
        EXPECT_EQ(edit(c.field)->text(), QString::fromUtf8(c.text));
        EXPECT_FALSE(QFile::exists(settingsFile()));
        EXPECT_FALSE(received_);
        dialog_->reject();
    }
}

TEST_F(SettingsDialogTest, StoredValuesAreShownAndADamagedOneStopsTheShow) {
    core::SettingsStore store(settingsFile());
    core::Settings s;
    s.chargeLongDistance = false;
    s.usePenalty = true;
    s.penaltyPercent = 0.1;
    s.useNds = false;
    s.ndsPercent = 18.0;
    s.freeMinutes = 120;
    core::writeSettings(store, s);
    dialog_->FormShow();
    EXPECT_FALSE(box("CheckBoxMG")->isChecked());
    EXPECT_TRUE(box("CheckBoxPenya")->isChecked());
    EXPECT_EQ(edit("EditProcent")->text(), QStringLiteral("0,1"));
    EXPECT_FALSE(box("CheckBoxUseNDS")->isChecked());
    EXPECT_EQ(edit("EditNDSPercent")->text(), QStringLiteral("18"));
    EXPECT_EQ(edit("EditNoUchet")->text(), QStringLiteral("120"));

    QFile file(settingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\Software\\Orvanta\\Пеня]\n\"Процент\"=dword:00000001\n");
    file.close();
    try {
        dialog_->FormShow();
        ADD_FAILURE() << "shown";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid data type for 'Процент'"));
    }
}

// The tool button opens the dialog modally; its OK changes the window's VAT at once.
TEST_F(SettingsDialogTest, ToolButtonOpensTheDialogAndOkChangesTheProgramsVat) {
    auto window = makeWindow();
    window->FormShow();
    window->show();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<app::TFormSettings*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* nds = dialog->findChild<QLineEdit*>(QStringLiteral("EditNDSPercent"));
        nds->clear();
        QTest::keyClicks(nds, QStringLiteral("10"));
        QTest::keyClick(nds, Qt::Key_Enter);
    });
    window->action(ui::Command::ToolButtonSettings)->trigger();
    EXPECT_EQ(window->vat().ndsPercent, 10.0);
    EXPECT_TRUE(window->vat().useNds);
    EXPECT_EQ(core::readVat(core::SettingsStore(settingsFile())).ndsPercent, 10.0);

    // Cancel leaves both as they are.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    window->action(ui::Command::ToolButtonSettings)->trigger();
    EXPECT_EQ(window->vat().ndsPercent, 10.0);
}

}  // namespace
