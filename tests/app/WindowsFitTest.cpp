// What a new operator meets: Qt's own texts in Russian, grid columns as wide as what they show,
// every window within a 1366x768 screen, help usable above a modal window, and the offer of the
// demo exchange on empty tables.

#include "GuiTestSupport.h"
#include "app/Subsystems.h"
#include "app/forms/HelpWindow.h"
#include "db/Database.h"
#include "reports/ReportLayout.h"
#include "reports/forms/PreviewWindow.h"
#include "ui/GridColumns.h"
#include "ui/QtTranslations.h"
#include "ui/ScreenFit.h"
#include "utils/DemoData.h"
#include "utils/forms/FirstStart.h"
#include "utils/forms/SqlWindow.h"
#include "utils/forms/TableEditor.h"

#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <functional>

using namespace orv;

namespace {

// Runs act as soon as a visible window of type W is up (a modal one's exec() is running).
template <typename W>
void whenShown(const std::function<void(W*)>& act) {
    QTimer::singleShot(0, [act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<W*>(w); window && window->isVisible()) {
                act(window);
                return;
            }
        }
        whenShown<W>(act);
    });
}

class WindowsFitTest : public test::WindowTest {
  protected:
    std::unique_ptr<app::TForm1> shownWindow() {
        auto window = makeWindow();
        app::installSubsystems(*window);
        window->FormShow();
        window->show();
        return window;
    }
};

TEST(QtTexts, StandardButtonsReadInRussian) {
    ASSERT_TRUE(ui::installQtTranslations(*qApp));
    QMessageBox box(QMessageBox::Question, QStringLiteral("Tariff"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Да"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("Нет"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Отмена"));
}

TEST(GridColumns, EachColumnFitsItsLongestCellAndTitleUpToTheMaximum) {
    QStandardItemModel model(3, 4);
    model.setHorizontalHeaderLabels({QStringLiteral("КНС"), QStringLiteral("ПредДатаРассчета"),
                                     QStringLiteral("Причина"), QStringLiteral("N")});
    const QStringList cells[] = {
        {"7", "01.03.2026", "VECH/DAY: вне часов категории", "1"},
        {"12", "01.02.2026", "нет тарифа", "22"},
        {"3", "", QString(200, u'ж'), "333"},
    };
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            model.setItem(row, column, new QStandardItem(cells[row][column]));
    QTableView view;
    view.setModel(&model);
    ui::keepColumnsFitted(&view);
    const QFontMetrics cell = view.fontMetrics();
    const QFontMetrics title = view.horizontalHeader()->fontMetrics();
    for (int column = 0; column < 4; ++column) {
        SCOPED_TRACE(column);
        int widest = title.horizontalAdvance(model.headerData(column, Qt::Horizontal).toString());
        for (int row = 0; row < 3; ++row)
            widest = std::max(widest, cell.horizontalAdvance(cells[row][column]));
        EXPECT_GE(view.columnWidth(column), std::min(widest, ui::kMaxColumnWidth));
        EXPECT_LE(view.columnWidth(column), ui::kMaxColumnWidth);
    }
    // A longer text arriving later widens its column.
    model.setItem(0, 3, new QStandardItem(QStringLiteral("Великобритания и Северная Ирландия")));
    model.layoutChanged();
    EXPECT_GE(view.columnWidth(3),
              cell.horizontalAdvance(QStringLiteral("Великобритания и Северная Ирландия")));
}

TEST_F(WindowsFitTest, TheMainGridFitsTheViewItShows) {
    db::Database standard(QStringLiteral("demo"), path("standard"));
    utils::DemoOptions small;
    small.subscribers = 20;
    small.calls = 300;
    utils::fillDemoData(standard, small, QDate::currentDate());
    auto window = shownWindow();
    window->action(ui::Command::DropMG)->trigger();
    QTableView* grid = window->grid();
    ASSERT_GT(grid->model()->rowCount(), 0);
    const QFontMetrics metrics = grid->fontMetrics();
    for (int column = 0; column < grid->model()->columnCount(); ++column) {
        int widest = 0;
        for (int row = 0; row < std::min(grid->model()->rowCount(), ui::kMeasuredRows); ++row)
            widest = std::max(widest, metrics.horizontalAdvance(
                                          grid->model()->index(row, column).data().toString()));
        EXPECT_GE(grid->columnWidth(column), std::min(widest, ui::kMaxColumnWidth)) << column;
    }
}

// Every window the program opens, at the size it opens with, within a 1366x768 screen less a
// task bar; none needs more than that.
TEST_F(WindowsFitTest, EveryWindowFitsA1366x768Screen) {
    const QRect screen(0, 0, 1366, 728);
    auto window = shownWindow();
    QList<QWidget*> windows;
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isWindow() && w->windowType() != Qt::Popup && w->windowType() != Qt::ToolTip)
            windows.append(w);
    reports::ReportLayout layout;
    reports::ReportPreview preview(layout, nullptr, QStringLiteral("Счета"));
    windows.append(&preview);
    EXPECT_GE(windows.size(), 10);
    for (QWidget* w : windows) {
        SCOPED_TRACE(w->objectName().toStdString() + " " + w->metaObject()->className());
        const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
        EXPECT_LE(least.width(), screen.width());
        EXPECT_LE(least.height(), screen.height());
        ui::fitInto(w, screen);
        EXPECT_TRUE(screen.contains(QRect(w->pos(), w->size())))
            << w->pos().x() << "," << w->pos().y() << " " << w->width() << "x" << w->height();
    }
}

TEST_F(WindowsFitTest, HelpOpensAboveTheModalWindowThatAskedForIt) {
    auto window = shownWindow();
    auto* sqlWindow = window->findChild<utils::TForm3*>();
    auto* editor = window->findChild<utils::TForm7*>();
    ASSERT_TRUE(sqlWindow && editor);

    QWidget* helpOwner = nullptr;
    bool helpShown = false;
    whenShown<utils::TForm3>([&](utils::TForm3* sql) {
        QTest::mouseClick(sql->findChild<QToolButton*>(QStringLiteral("ToolButton5")),
                          Qt::LeftButton);
        auto* help = window->findChild<app::HelpWindow*>();
        helpShown = help && help->isVisible();
        helpOwner = help ? help->parentWidget() : nullptr;
        sql->reject();
    });
    window->action(ui::Command::ToolButtonBrowseSQL)->trigger();
    EXPECT_TRUE(helpShown);
    EXPECT_EQ(helpOwner, sqlWindow);  // a child of the modal window is not blocked by it

    QUrl page;
    whenShown<utils::TForm7>([&](utils::TForm7* table) {
        QApplication::setActiveWindow(table);
        QTest::keyClick(table, Qt::Key_F1);
        auto* help = window->findChild<app::HelpWindow*>();
        helpOwner = help ? help->parentWidget() : nullptr;
        page = help ? help->currentPage() : QUrl();
        table->reject();
    });
    window->action(ui::Command::N1)->trigger();
    EXPECT_EQ(helpOwner, editor);
    EXPECT_EQ(page, app::HelpWindow::topicPage(600));
    EXPECT_NE(editor->ToolButton5->text(), editor->ToolButton6->text());
}

TEST_F(WindowsFitTest, EmptyTablesOfferTheDemoExchangeOnce) {
    auto window = shownWindow();
    EXPECT_TRUE(window->findChild<QLabel*>(QStringLiteral("StatusDataFolder"))
                    ->text()
                    .endsWith(QDir::toNativeSeparators(path("standard"))));
    QString question;
    whenShown<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(utils::offerFirstData(*window));
    EXPECT_EQ(question, QStringLiteral("Заполнить примером станции?"));
    EXPECT_FALSE(utils::demoTablesEmpty(window->tarifStandard()));
    EXPECT_GT(window->grid()->model()->rowCount(), 0);
    EXPECT_TRUE(window->statusText(0).startsWith(QStringLiteral("Пример заполнен")));
    EXPECT_FALSE(utils::offerFirstData(*window));  // asked no more once there are rows
}

}  // namespace
