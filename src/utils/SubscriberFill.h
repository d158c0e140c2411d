#pragma once
// The subscriber fill: for every number of a range, a subscriber row in AbTab.DB (number, tag,
// presence) and a payments row in PaneDate.DB (number, tag), each added only where the table
// has no row with that number and that tag (tags compared without regard to case). Existing rows
// are never changed. Values go into a new row by position, in the table's own field order.
//
// Errors are orv::Error. A zero number at either end is refused with "Неправильный ввод данных"
// and nothing is written; a range that runs backwards writes nothing. A row a table refuses (the
// unique number of PaneDate.DB held by another tag, a tag longer than its field) stops the fill
// at that number: the rows before it stay, and the engine's message names the number and what
// was added, so that the operator knows where to resume. The run is one transaction otherwise,
// holding both tables from the presence test to the commit.

#include <QString>

namespace orv::db {
class Database;
}

namespace orv::utils {

struct SubscriberFillResult {
    qint64 abTabAdded = 0;
    qint64 paneDateAdded = 0;
};

SubscriberFillResult fillSubscribers(db::Database& db, qint64 from, qint64 to,
                                     const QString& priznak, const QString& exist);

}  // namespace orv::utils
