#include "app/Subsystems.h"

#include "billing/forms/BillingCommands.h"
#include "calls/forms/CallViews.h"
#include "utils/forms/TableCommands.h"
#include "reports/forms/ReportCommands.h"

namespace orv::app {

void installSubsystems(ui::MainWindowHost& window) {
    orv::billing::installBilling(window);
    orv::calls::installCallViews(window);
    orv::utils::installTableCommands(window);
    orv::reports::installReports(window);
}

}  // namespace orv::app
