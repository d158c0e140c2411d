#include "app/forms/CommandHooks.h"

#include "app/forms/MainWindow.h"
#include "billing/forms/BillingCommands.h"
#include "calls/forms/CallViews.h"

#include <QTableView>

namespace orv::app {

void installCommands(TForm1& window) {
    window.connectCommand(QStringLiteral("ToolButtonSettings"),
                          [&window] { window.ToolButtonSettingsClick(); });
    window.connectCommand(QStringLiteral("Help"), [&window] { window.HelpClick(); });
    window.connectCommand(QStringLiteral("ToolButtonExit"), [&window] { window.close(); });
    orv::billing::installBilling(window);
    orv::calls::installCallViews(window);
    QObject::connect(window.grid(), &QTableView::clicked, &window,
                     [&window](const QModelIndex& index) { window.DBGrid1CellClick(index); });
}

}  // namespace orv::app
