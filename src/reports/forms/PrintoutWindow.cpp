#include "reports/forms/PrintoutWindow.h"

#include "reports/forms/PreviewWindow.h"
#include "ui/QueryModel.h"

#include <QTableView>

namespace orv::reports {

TForm12::TForm12(ui::MainWindowHost& window) : QObject(window.widget()), window_(window) {
    setObjectName(QStringLiteral("Form12"));
}

void TForm12::PrepareReport() {
    const auto* model = qobject_cast<const ui::QueryModel*>(window_.grid()->model());
    if (!model || window_.gridDataSource().isEmpty()) {
        printout_.PrepareReport(nullptr, {});
        return;
    }
    const db::Query& query = model->query();
    const QString name = query.name().isEmpty() ? window_.gridDataSource() : query.name();
    printout_.PrepareReport(&query, name, model->columns());
}

void TForm12::PrintWindowClick() {
    PrepareReport();
    ReportPreview preview(printout_.layout(), printout_.data(), printout_.title(),
                          window_.widget());
    preview.exec();
}

}  // namespace orv::reports
