// The exchange-records commands in the real main window, offscreen: "Нетарифицированные" binds
// the grid with the reason column and counts in the status bar; "Загрузка записей АТС…" loads a
// file on the worker and the view then shows what it brought.

#include "CallsTestData.h"
#include "GuiApplication.h"
#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "calls/forms/CdrCommands.h"
#include "core/Error.h"
#include "db/Aliases.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QFile>
#include <QTableView>
#include <QToolButton>

using namespace orv;
using namespace orv::test;

namespace {

class CdrGui : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
        createPermanentTables(t);
        addRows(t, QStringLiteral("AbTab"),
                {QStringLiteral("2200001, 'ALL', 'YES', '', '', '', ''")});
        addRows(t, QStringLiteral("Sng"), {QStringLiteral("'495', 'Москва'")});
        addRows(t, QStringLiteral("TarifCit"), {QStringLiteral("'2001-01-01', 'ALL', 1.5")});
        addRows(t, QStringLiteral("DESTTAR"),
                {call(2200001, "2001-03-05", "10:00:00", 2, 3),
                 call(2200009, "2001-03-05", "11:00:00", 2, 3)});
        db::Aliases aliases(home_.filePath(QStringLiteral("aliases.conf")));
        aliases.bindForRun(QLatin1String(db::kStandardAlias), t.path());
        aliases.bindForRun(QLatin1String(db::kEverydayAlias), everyday_.path());
        data_ = std::make_unique<app::ProgramData>(aliases);
        window_ = std::make_unique<app::TForm1>(*data_);
        app::installSubsystems(*window_);
        window_->show();
    }

    QString cell(int row, int column) const {
        return window_->grid()->model()->index(row, column).data().toString();
    }

    QTemporaryDir home_;
    QTemporaryDir everyday_;
    TempDatabase t;
    std::unique_ptr<app::ProgramData> data_;  // outlives the window
    std::unique_ptr<app::TForm1> window_;
};

}  // namespace

TEST_F(CdrGui, UnbilledViewAndTheImportThatFeedsIt) {
    QAction* unbilled = window_->action(ui::Command::DropUnbilled);
    ASSERT_TRUE(unbilled->isEnabled());
    ASSERT_TRUE(window_->action(ui::Command::NImportCdr)->isEnabled());
    unbilled->trigger();
    EXPECT_EQ(window_->gridDataSource(), QStringLiteral("DataSourceUnbilled"));
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 1"));
    const QAbstractItemModel* model = window_->grid()->model();
    ASSERT_EQ(model->rowCount(), 1);
    EXPECT_EQ(model->headerData(9, Qt::Horizontal).toString(), QStringLiteral("Причина"));
    EXPECT_EQ(cell(0, 0), QStringLiteral("2200009"));
    EXPECT_EQ(cell(0, 9), QStringLiteral("нет абонента в AbTab"));
    EXPECT_EQ(window_->findChild<QToolButton*>(QStringLiteral("ToolButtonRazg"))->text(),
              QStringLiteral("Нетарифицир."));

    // A long-distance call of a zone that Tarif1.db lacks comes in through the records of the
    // exchange; the default dial plan is written from the sample on first use.
    const QString file = home_.filePath(QStringLiteral("Master.csv"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(
            "\"\",\"2200001\",\"84951234567\",\"default\",\"\",\"\",\"\",\"Dial\",\"\","
            "\"2001-03-06 10:00:00\",\"2001-03-06 10:00:02\",\"2001-03-06 10:01:00\",58,58,"
            "\"ANSWERED\",\"DOCUMENTATION\"\n");
    }
    auto* commands = window_->findChild<calls::CdrCommands*>(QStringLiteral("CdrCommands"));
    ASSERT_NE(commands, nullptr);
    const QString summary = commands->importCdr({calls::CdrFormat::Asterisk, file, {}, false});
    EXPECT_TRUE(summary.contains(QStringLiteral("загружено разговоров: 1 (минут: 1)")))
        << summary.toStdString();
    EXPECT_TRUE(QFile::exists(home_.filePath(QStringLiteral("config/Orvanta/dialplan.conf"))));
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 1"));
    unbilled->trigger();
    EXPECT_EQ(window_->statusText(0), QStringLiteral("Всего: 2"));

    // A file that does not exist is refused and changes nothing.
    EXPECT_THROW(commands->importCdr({calls::CdrFormat::Asterisk, file + "x", {}, false}), Error);
}
