#include "app/Subsystems.h"

#include "billing/forms/BillingCommands.h"
#include "calls/forms/CallViews.h"
#include "reports/forms/ReportCommands.h"

namespace orv::app {

void installSubsystems(ui::MainWindowHost& window) {
    orv::billing::installBilling(window);
    orv::calls::installCallViews(window);
    orv::reports::installReports(window);
}

}  // namespace orv::app
