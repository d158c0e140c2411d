#include "reports/forms/ReportCommands.h"

#include "reports/forms/InvoiceWindow.h"
#include "reports/forms/IssuerDialog.h"
#include "reports/forms/PrintoutWindow.h"

namespace orv::reports {

ReportWindows installReports(ui::MainWindowHost& window) {
    ReportWindows windows{new TForm4(window), new TForm12(window)};
    window.connectCommand(ui::Command::N6, [form = windows.form4] { form->BitBtnReportClick(); });
    window.connectCommand(ui::Command::PrintWindow,
                          [form = windows.form12] { form->PrintWindowClick(); });
    auto* issuer = new TFormIssuer(window.settingsStore(), window.widget());
    window.addSettingsButton(QStringLiteral("Реквизиты…"), [issuer] { issuer->showModal(); });
    return windows;
}

}  // namespace orv::reports
