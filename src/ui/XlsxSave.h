#pragma once
// "Сохранить в Excel…" of a grid: asks for the workbook's name (".xlsx" added when missing) and
// writes the grid's open result into it (utils/XlsxExport.h) with a progress window that can
// stop it; the hourglass shows meanwhile. Returns the rows written, or -1 when the operator
// cancelled the file dialog or stopped the export (nothing is written then). Errors are thrown
// as orv::Error for the caller's command boundary.

#include "core/ViewColumn.h"

#include <QList>
#include <QString>

class QWidget;

namespace orv::db {
class Query;
}

namespace orv::ui {

qint64 saveGridAsXlsx(QWidget* parent, const db::Query& query,
                      const QList<core::ViewColumn>& columns, const QString& suggestedName);

}  // namespace orv::ui
