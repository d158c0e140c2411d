#include "reports/forms/ReportCommands.h"

#include "core/Error.h"

#include "reports/forms/CallStatementDialog.h"
#include "reports/forms/InvoiceWindow.h"
#include "reports/forms/IssuerDialog.h"
#include "reports/forms/PrintoutWindow.h"
#include "ui/QueryModel.h"
#include "ui/XlsxSave.h"

#include <QTableView>

namespace orv::reports {

void saveGridAsXlsx(ui::MainWindowHost& window) {
    const auto* model = qobject_cast<const ui::QueryModel*>(window.grid()->model());
    if (!model || window.gridDataSource().isEmpty() || !model->query().isOpen())
        raise(Error::Kind::Refused, QStringLiteral("В окне отображения нет данных для сохранения"));
    const db::Query& query = model->query();
    const QString name = query.name().isEmpty() ? window.gridDataSource() : query.name();
    const qint64 rows = ui::saveGridAsXlsx(window.widget(), query, model->columns(), name);
    if (rows >= 0)
        window.setStatusText(1, QStringLiteral("Сохранено в Excel записей: %1").arg(rows));
}

ReportWindows installReports(ui::MainWindowHost& window) {
    ReportWindows windows{new TForm4(window), new TForm12(window)};
    window.connectCommand(ui::Command::N6, [form = windows.form4] { form->BitBtnReportClick(); });
    window.connectCommand(ui::Command::PrintWindow,
                          [form = windows.form12] { form->PrintWindowClick(); });
    window.connectCommand(ui::Command::NSaveXlsx, [&window] { saveGridAsXlsx(window); });
    window.connectCommand(ui::Command::NCallStatement, [&window] { showCallStatement(window); });
    auto* issuer = new TFormIssuer(window.settingsStore(), window.widget());
    window.addSettingsButton(QStringLiteral("Реквизиты…"), [issuer] { issuer->showModal(); });
    return windows;
}

}  // namespace orv::reports
