// table_utils_screenshots: renders the table editor editing AbTab, the open-table dialog and the
// SQL window into PNG files for the documentation. Not a test; run it under a real display
// (Xvfb) on a demo exchange:
//
//   table_utils_screenshots STANDARD_DIR EVERYDAY_DIR OUTPUT_DIR

#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "core/Error.h"
#include "db/Aliases.h"
#include "utils/TableEditModel.h"
#include "utils/forms/OpenTableDialog.h"
#include "utils/forms/SqlWindow.h"
#include "utils/forms/TableCommands.h"
#include "utils/forms/TableEditor.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tariff"));
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr,
                     "usage: table_utils_screenshots STANDARD_DIR EVERYDAY_DIR OUTPUT_DIR\n");
        return 2;
    }
    try {
        orv::db::Aliases aliases;
        aliases.bindForRun(QLatin1String(orv::db::kStandardAlias), args[1]);
        aliases.bindForRun(QLatin1String(orv::db::kEverydayAlias), args[2]);
        orv::app::ProgramData data(aliases);
        orv::app::TForm1 window(data);
        orv::app::installSubsystems(window);
        window.FormShow();
        auto* commands = window.findChild<orv::utils::TableCommands*>();
        orv::utils::TForm7* editor = commands->Form7();
        const QDir out(args[3]);

        orv::utils::TForm9* open = editor->Form9();
        open->setTableName(QStringLiteral("AbTab"));
        open->FormShow();
        open->show();
        QApplication::processEvents();
        open->grab().save(out.filePath(QStringLiteral("open-table-dialog.png")));
        open->hide();

        editor->resize(900, 520);
        editor->show();
        editor->Table1().open(editor->DatabaseIn(), QStringLiteral("AbTab"));
        editor->Table1AfterOpen();
        QTableView* grid = editor->DBGrid1;
        grid->resizeColumnsToContents();
        grid->setColumnWidth(3, 160);
        grid->setCurrentIndex(grid->model()->index(3, 3));
        editor->DBGrid1CellClick();
        grid->model()->setData(grid->model()->index(3, 3), QStringLiteral("Иванова А. С."));
        grid->edit(grid->model()->index(3, 4));
        if (auto* cell = grid->findChild<QLineEdit*>()) cell->setText(QStringLiteral("12"));
        QApplication::processEvents();
        editor->grab().save(out.filePath(QStringLiteral("table-editor.png")));
        editor->Table1().cancel();

        orv::utils::TForm3* sql = commands->Form3();
        sql->setLines({QStringLiteral("SELECT AbNumber Номер, Count(*) КолЗвонков, "
                                      "Sum(Longivity) Минут"),
                       QStringLiteral("FROM Desttar"),
                       QStringLiteral("WHERE Cat > 7 AND Date_of_call >= \"01.01.2026\""),
                       QStringLiteral("GROUP BY AbNumber")});
        sql->show();
        QApplication::processEvents();
        sql->grab().save(out.filePath(QStringLiteral("sql-window.png")));
    } catch (const orv::Error& e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
