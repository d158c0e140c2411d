// The verify and rebuild window and the two table commands of the main window, offscreen.

#include "GuiApplication.h"
#include "RepairFixture.h"
#include "app/forms/MainWindow.h"
#include "repair/forms/RepairCommands.h"
#include "repair/forms/RepairForm.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextStream>
#include <QtTest/QTest>

namespace orv::test {
namespace {

class RepairWindowTest : public RepairTest {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
        QFile conf(home_.filePath(QStringLiteral("aliases.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        QTextStream(&conf) << "[Paradox]\nType=PARADOX\nPath=" << home_.path() << "\n";
        conf.close();
        aliases_ = std::make_unique<db::Aliases>(home_.filePath(QStringLiteral("aliases.conf")));
        aliases_->bindForRun(QLatin1String(db::kStandardAlias), store_->path());
        aliases_->bindForRun(QLatin1String(db::kEverydayAlias), everyday_.path());
    }

    template <typename T>
    T* child(QWidget* w, const char* name) {
        T* found = w->findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
    QString label(QWidget* w, const char* name) { return child<QLabel>(w, name)->text(); }

    QTemporaryDir home_;
    QTemporaryDir everyday_;
    std::unique_ptr<db::Aliases> aliases_;
};

using repair::TMainFormRepair;

void pick(QComboBox* combo, const QString& text) {
    combo->setCurrentIndex(combo->findText(text));
    emit combo->activated(combo->currentIndex());
}

TEST_F(RepairWindowTest, StatesFromPickingATableToARebuild) {
    makeCalls(5000);
    QFile junk(path(QStringLiteral("junk.db")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a table");
    junk.close();
    TMainFormRepair form(*aliases_);
    form.show();
    auto* aliasCombo = child<QComboBox>(&form, "AliasCombo");
    auto* tableCombo = child<QComboBox>(&form, "TableCombo");
    auto* verifyBtn = child<QPushButton>(&form, "VerifyBtn");
    auto* rebuildBtn = child<QPushButton>(&form, "RebuildBtn");
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Table Utility ( As Is )"));
    EXPECT_FALSE(verifyBtn->isEnabled());
    EXPECT_FALSE(rebuildBtn->isEnabled());
    EXPECT_EQ(aliasCombo->findText(QStringLiteral("Paradox")), -1);
    EXPECT_NE(aliasCombo->findText(QLatin1String(db::kStandardAlias)), -1);
    EXPECT_EQ(label(&form, "FieldsLB"), QStringLiteral("0"));

    pick(aliasCombo, QLatin1String(db::kStandardAlias));
    EXPECT_NE(tableCombo->findText(QStringLiteral("DESTTAR.db")), -1);
    EXPECT_FALSE(verifyBtn->isEnabled());
    pick(tableCombo, QStringLiteral("DESTTAR.db"));
    EXPECT_EQ(child<QLineEdit>(&form, "TableLocEdit")->text(), path());
    EXPECT_TRUE(verifyBtn->isEnabled());
    EXPECT_EQ(label(&form, "FieldsLB"), QStringLiteral("9"));
    EXPECT_EQ(label(&form, "BlockSizeLB"), QStringLiteral("4096"));
    // A table whose properties cannot be read keeps the previous numbers on display.
    pick(tableCombo, QStringLiteral("junk.db"));
    EXPECT_EQ(label(&form, "FieldsLB"), QStringLiteral("9"));
    pick(tableCombo, QStringLiteral("DESTTAR.db"));

    QTest::mouseClick(verifyBtn, Qt::LeftButton);
    EXPECT_EQ(label(&form, "MessageLB"),
              QStringLiteral("Verification Successful. Table has no errors."));
    EXPECT_EQ(child<QProgressBar>(&form, "PBData")->value(), 100);
    EXPECT_EQ(child<QProgressBar>(&form, "PBRebuild")->value(), 0);

    for (const PageStat& p : pages())
        if (p.name == QLatin1String("DESTTAR") && p.type == QLatin1String("internal"))
            zeroPage(p.page);
    int moves = 0;
    QObject::connect(child<QProgressBar>(&form, "PBData"), &QProgressBar::valueChanged,
                     [&] { ++moves; });
    QTest::mouseClick(rebuildBtn, Qt::LeftButton);
    EXPECT_EQ(label(&form, "MessageLB"), QStringLiteral("Rebuild was successful."));
    EXPECT_EQ(child<QProgressBar>(&form, "PBRebuild")->value(), 100);
    EXPECT_GT(moves, 5);  // the bar moved while the rebuild ran
    EXPECT_TRUE(form.tableReplaced());
    EXPECT_EQ(rowsIn(QStringLiteral("DESTTAR.db"), QStringLiteral("DESTTAR")), 5000);

    // A file that is no table: the descriptor counts fail, the message line stays empty.
    pick(tableCombo, QStringLiteral("junk.db"));
    QTest::mouseClick(rebuildBtn, Qt::LeftButton);
    EXPECT_EQ(label(&form, "MessageLB"), QString());

    // "By Directory..." clears the alias selection and the table list.
    form.setFileChooser([&](QWidget*) { return path(); });
    QTest::mouseClick(child<QPushButton>(&form, "ByDirectBtn"), Qt::LeftButton);
    EXPECT_EQ(aliasCombo->currentIndex(), -1);
    EXPECT_EQ(tableCombo->count(), 0);
    EXPECT_EQ(child<QLineEdit>(&form, "TableLocEdit")->text(), path());
    EXPECT_TRUE(verifyBtn->isEnabled());
    // An alias change disables the actions until a table is chosen.
    pick(aliasCombo, QLatin1String(db::kStandardAlias));
    EXPECT_FALSE(verifyBtn->isEnabled());
    EXPECT_EQ(label(&form, "FieldsLB"), QStringLiteral("0"));
}

TEST_F(RepairWindowTest, MergeAndRestoreCommandsOfTheMainWindow) {
    app::ProgramData data(*aliases_);
    app::TForm1 window(data);
    repair::RepairCommands& commands = repair::installRepair(window);
    for (const char* name : {"D1", "D2"}) {
        db::TableDef def = db::schema::prazdn();
        def.name = QLatin1String(name);
        def.fileName = def.name + QStringLiteral(".db");
        window.tarifEveryday().createTable(def);
    }
    QStringList chosen = {everyday_.filePath(QStringLiteral("D1.db"))};
    commands.setFilesChooser([&](QWidget*, const QString& folder) {
        EXPECT_EQ(folder, window.tarifEveryday().folder());
        return chosen;
    });
    window.action(ui::Command::N9)->trigger();  // one file: nothing happens
    EXPECT_FALSE(window.tarifEveryday().tableExists(QStringLiteral("D1D1")));
    chosen.append(everyday_.filePath(QStringLiteral("D2.db")));
    window.action(ui::Command::N9)->trigger();
    EXPECT_TRUE(window.tarifEveryday().tableExists(QStringLiteral("D1D2")));

    QString notice;
    commands.setNotice([&](QWidget*, const QString& text) {
        notice = text;
        QTimer::singleShot(0, commands.repairForm(), &QDialog::reject);
    });
    window.action(ui::Command::N8)->trigger();
    EXPECT_EQ(notice, QStringLiteral("Закройте \"SelvikTerminal\" и нажмите OK"));
}

}  // namespace
}  // namespace orv::test
