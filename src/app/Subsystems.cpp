#include "app/Subsystems.h"

#include "billing/ArchivedListing.h"
#include "billing/CallArchive.h"
#include "billing/forms/BillingCommands.h"
#include "calls/forms/CallViews.h"
#include "repair/forms/RepairCommands.h"
#include "reports/forms/InvoiceWindow.h"
#include "reports/forms/ReportCommands.h"
#include "utils/forms/FillCommands.h"
#include "utils/forms/ListCommands.h"
#include "utils/forms/TableCommands.h"

namespace orv::app {

void installSubsystems(ui::MainWindowHost& window) {
    auto& billing = orv::billing::installBilling(window);
    auto& calls = orv::calls::installCallViews(window);
    calls.setArchiveAccess({[&window] {
                                QList<QDate> months;
                                for (const billing::ArchiveMonth& m :
                                     billing::listArchive(window.tarifStandard()))
                                    months.append(m.month);
                                return months;
                            },
                            billing::openArchivedListing});
    orv::utils::installTableCommands(window);
    const orv::reports::ReportWindows reports = orv::reports::installReports(window);
    orv::utils::installTableFills(window);
    auto& lists = orv::utils::installNumberLists(window);
    // The list filter reaches QueryAll, QueryCity and QueryMG, then QueryDolg and QueryReport.
    lists.addFilterReceiver({QStringLiteral("QueryAll, QueryCity, QueryMG"),
                             [&calls](const db::RecordFilter& f) { calls.setListFilter(f); },
                             [&calls](bool on) { calls.setListFiltered(on); }});
    lists.addFilterReceiver({QStringLiteral("QueryDolg"),
                             [&billing](const db::RecordFilter& f) { billing.setListFilter(f); },
                             [&billing](bool on) { billing.setListFiltered(on); }});
    orv::reports::InvoiceReport& invoices = reports.form4->report();
    lists.addFilterReceiver({QStringLiteral("QueryReport"),
                             [&invoices](const db::RecordFilter& f) { invoices.setListFilter(f); },
                             [&invoices](bool on) { invoices.setListFiltered(on); }});
    orv::repair::installRepair(window);
}

}  // namespace orv::app
