#include "utils/forms/FillCommands.h"

#include "core/Error.h"
#include "core/Settings.h"
#include "ui/WaitCursor.h"
#include "utils/HolidayFill.h"
#include "utils/SubscriberFill.h"
#include "utils/forms/HolidayFillDialog.h"
#include "utils/forms/SubscriberFillDialog.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace orv::utils {

FillCommands::FillCommands(ui::MainWindowHost& window)
    : QObject(window.widget()),
      window_(window),
      form5_(new TForm5(window.widget())),
      form8_(new TForm8(window.widget())) {
    setObjectName(QStringLiteral("FillCommands"));
}

void FillCommands::ToolButtonUtilsClick() {
    if (form5_->exec() != QDialog::Accepted) return;
    try {
        const ui::WaitCursor wait;
        fillSubscribers(window_.tarifStandard(), core::lenientInteger(form5_->numberFromText()),
                        core::lenientInteger(form5_->numberToText()), form5_->priznak(),
                        form5_->exist());
    } catch (const Error& e) {
        // A zero number is a plain notice; the engine's errors go to the error box.
        if (e.kind() != Error::Kind::Refused) throw;
        QMessageBox::information(window_.widget(), QCoreApplication::applicationName(),
                                 e.message());
    }
}

void FillCommands::N4Click() {
    if (form8_->exec() != QDialog::Accepted) return;
    fillWeekends(window_.tarifStandard(),
                 static_cast<int>(core::lenientInteger(form8_->yearText())));
}

FillCommands& installTableFills(ui::MainWindowHost& window) {
    auto* commands = new FillCommands(window);
    window.connectCommand(ui::Command::N2, [commands] { commands->ToolButtonUtilsClick(); });
    window.connectCommand(ui::Command::N4, [commands] { commands->N4Click(); });
    return *commands;
}

}  // namespace orv::utils
