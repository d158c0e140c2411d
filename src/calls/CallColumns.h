#pragma once
// The columns of the views that show calls, titled by one table of captions: DESTTAR's columns
// and those the views add (the lookups Sng and Foren, the reason a call is not billed).

#include "core/ViewColumn.h"

#include <QList>
#include <QStringList>

namespace orv::calls {

// Requires: field is one of the call columns.
core::ViewColumn callColumn(const QString& field,
                            core::ViewColumn::Display display = core::ViewColumn::Display::Plain);
QList<core::ViewColumn> callColumns(const QStringList& fields);

}  // namespace orv::calls
