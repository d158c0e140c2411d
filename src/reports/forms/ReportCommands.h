#pragma once
// The print drop-down of the main window: N6 the invoices (BitBtnReportClick on TForm4) and
// PrintWindow the printout of the grid (PrintWindowClick on TForm12), NCallStatement the itemized
// statement of an archived month. installReports() creates both windows once, as children of the
// main window, and connects the commands; the
// settings dialog gets the button "Реквизиты…" for the issuer's texts of the invoices.

#include "ui/MainWindowHost.h"

namespace orv::reports {

class TForm4;
class TForm12;

struct ReportWindows {
    TForm4* form4;
    TForm12* form12;
};

// "Сохранить в Excel…": the main grid's view into a workbook; refused when the grid shows
// nothing.
void saveGridAsXlsx(ui::MainWindowHost& window);

ReportWindows installReports(ui::MainWindowHost& window);

}  // namespace orv::reports
