#pragma once
// TForm12, the window contents printout: it holds the printout's report for the program's
// whole run and is never shown itself. PrepareReport() rebuilds the layout from the data set
// the main grid is bound to; PrintWindowClick shows it in the preview.

#include "reports/WindowPrintout.h"
#include "ui/MainWindowHost.h"

#include <QObject>

namespace orv::reports {

class TForm12 : public QObject {
    Q_OBJECT

  public:
    explicit TForm12(ui::MainWindowHost& window);

    WindowPrintout& printout() { return printout_; }

    // The grid's data set (the statement behind its model), titled with the statement's
    // component name, or the data source's name for a statement without one. A grid bound to
    // nothing, or to a model that is no statement, leaves both bands empty.
    void PrepareReport();
    // PrepareReport, then the preview until the user closes it.
    void PrintWindowClick();

  private:
    ui::MainWindowHost& window_;
    WindowPrintout printout_;
};

}  // namespace orv::reports
