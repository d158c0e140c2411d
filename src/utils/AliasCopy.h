#pragma once
// Copies every table of one alias into another, whichever engines hold them (a folder of table
// files, a server database): the way an exchange moves onto a server and back. All or nothing:
// the target must hold none of the tables, and either all of them appear there with every row
// or none does. The source is only read.

#include <QList>
#include <QPair>
#include <QString>

namespace orv::db {
class TableStore;
}

namespace orv::utils {

// Returns each table copied with its row count, in the order of the source's listing. Refused
// (orv::Error) when the source has no tables or the target already has one of them.
QList<QPair<QString, qint64>> copyAlias(db::TableStore& from, db::TableStore& to);

}  // namespace orv::utils
