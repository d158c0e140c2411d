#include "app/Subsystems.h"

#include "billing/forms/BillingCommands.h"
#include "calls/forms/CallViews.h"
#include "utils/forms/FillCommands.h"
#include "utils/forms/ListCommands.h"

namespace orv::app {

void installSubsystems(ui::MainWindowHost& window) {
    auto& billing = orv::billing::installBilling(window);
    auto& calls = orv::calls::installCallViews(window);
    orv::utils::installTableFills(window);
    auto& lists = orv::utils::installNumberLists(window);
    // The list filter reaches QueryAll, QueryCity and QueryMG, then QueryDolg.
    lists.addFilterReceiver({QStringLiteral("QueryAll, QueryCity, QueryMG"),
                             [&calls](const db::RecordFilter& f) { calls.setListFilter(f); },
                             [&calls](bool on) { calls.setListFiltered(on); }});
    lists.addFilterReceiver({QStringLiteral("QueryDolg"),
                             [&billing](const db::RecordFilter& f) { billing.setListFilter(f); },
                             [&billing](bool on) { billing.setListFiltered(on); }});
}

}  // namespace orv::app
