#include "app/Subsystems.h"

#include "billing/forms/BillingCommands.h"
#include "calls/forms/CallViews.h"
#include "repair/forms/RepairCommands.h"

namespace orv::app {

void installSubsystems(ui::MainWindowHost& window) {
    orv::billing::installBilling(window);
    orv::calls::installCallViews(window);
    orv::repair::installRepair(window);
}

}  // namespace orv::app
