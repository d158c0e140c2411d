#include "utils/forms/FirstStart.h"

#include "core/Clock.h"
#include "db/Database.h"
#include "db/ServerAddress.h"
#include "ui/LongWork.h"
#include "ui/MainWindowHost.h"
#include "utils/DemoData.h"

#include <QAction>
#include <QMessageBox>
#include <QPushButton>

namespace orv::utils {
namespace {

void fillDemo(ui::MainWindowHost& window) {
    DemoSummary summary;
    const QDate today = orv::today();
    ui::LongWork::run(window, [&](db::Database& own, ui::LongWork::Progress& progress) {
        progress.report(0, QStringLiteral("Заполнение примера станции"));
        summary = fillDemoData(own, DemoOptions{}, today);
    });
    window.action(ui::Command::DropAll)->trigger();
    window.setStatusText(
        0, QStringLiteral("Пример заполнен: абонентов %1, разговоров %2")
               .arg(summary.numbers)
               .arg(summary.cityCalls + summary.longDistanceCalls + summary.internationalCalls));
}

}  // namespace

bool offerFirstData(ui::MainWindowHost& window) {
    db::Database& standard = window.tarifStandard();
    if (!demoTablesEmpty(standard)) return false;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Тарификация Orvanta"),
                    QStringLiteral("Заполнить примером станции?"), QMessageBox::NoButton,
                    window.widget());
    box.setObjectName(QStringLiteral("FirstStartBox"));
    const QString where =
        standard.isServer()
            ? QStringLiteral("на сервере ") + db::ServerAddress::parse(standard.folder()).display()
            : QStringLiteral("в папке ") + standard.folder();
    box.setInformativeText(
        QStringLiteral("Таблицы %1 пусты.\n\n«Да» заполнит их примером небольшой станции "
                       "(абоненты, тарифы и разговоры за три месяца), как команда "
                       "«orvanta-cli demo». «Загрузить разговоры…» загрузит записи АТС.")
            .arg(where));
    QPushButton* demo = box.addButton(QMessageBox::Yes);
    QPushButton* load =
        box.addButton(QStringLiteral("Загрузить разговоры…"), QMessageBox::ActionRole);
    box.addButton(QMessageBox::No);
    box.setDefaultButton(demo);
    box.exec();
    if (box.clickedButton() == demo)
        window.runCommand([&window] { fillDemo(window); });
    else if (box.clickedButton() == load)
        window.action(ui::Command::NImportCdr)->trigger();
    return true;
}

}  // namespace orv::utils
