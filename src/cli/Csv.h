#pragma once
// CSV output of orvanta-cli: UTF-8, RFC 4180 quoting, a header of column names, dates
// dd.mm.yyyy, times hh:mm:ss, empty for NULL. Floats are the tables' amounts of money:
// printed as stored rounded to four decimals, with '.' and without trailing zeros
// (1977.8600000000001 is "1977.86").

#include "core/ViewColumn.h"

#include <QList>
#include <QStringList>
#include <QTextStream>
#include <QVariant>

namespace orv::db {
class Query;
}

namespace orv::cli {

QString csvNumber(double value);
QString csvField(const QVariant& value);
QString csvLine(const QStringList& fields);
// Writes the visible rows of an open query; headers replace the field names when given.
void writeCsv(QTextStream& out, const db::Query& query, const QStringList& headers = {});
// Writes the visible rows of an open view: its columns in grid order, titled as in the grid.
void writeViewCsv(QTextStream& out, const db::Query& query, const QList<core::ViewColumn>& columns);

}  // namespace orv::cli
