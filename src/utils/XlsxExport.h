#pragma once
// Spreadsheets for the accountant: an open result written as an XLSX workbook (libxlsxwriter in
// its constant-memory mode, so a million calls take no more memory than a hundred). The first
// row holds the column titles as the window shows them, frozen; numbers are numbers (amounts
// with two decimals), dates and times real dates and times; column widths fit the longest text.
// A result longer than a sheet's 1,048,575 data rows goes on into further sheets.
//
// The workbook is written beside its path and renamed into place when complete: a failure, a
// stopped export or a kill leaves whatever was at the path as it was. Errors: Error(Engine)
// "Не удалось записать файл <path>: <cause>".

#include "core/ViewColumn.h"

#include <QList>
#include <QString>
#include <functional>

namespace orv::db {
class Query;
}

namespace orv::utils {

// Called every few thousand rows with the rows written and the total; returning false stops
// the export (nothing is written, Error(Refused) "Выгрузка прервана").
using XlsxProgress = std::function<bool(qint64 done, qint64 total)>;

// The visible rows of an open result, the columns in the order given, titled as given.
qint64 writeXlsx(const db::Query& query, const QList<core::ViewColumn>& columns,
                 const QString& path, const XlsxProgress& progress = {});
// Every field of an open result, titled by its name.
qint64 writeXlsx(const db::Query& query, const QString& path, const XlsxProgress& progress = {});
// The columns of every field of the result, titled by name, shown as their types say.
QList<core::ViewColumn> fieldColumns(const db::Query& query);

// Whether a file name asks for a workbook (ends in ".xlsx", any case).
bool isXlsxPath(const QString& path);

}  // namespace orv::utils
