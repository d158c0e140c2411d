#pragma once
// The two read-only views of debts and payments: the debt view QueryDolg (every DolgTb.db row
// whose number and category match a row of AbTab.DB, with the subscriber's Exist and, last, the
// calculated amount due Dolg + NDS, "Итого к оплате") and the
// payment view QueryShowPane (every row of PaneDate.DB with the calculated Stay, the payment
// minus the amount that was due, in four-decimal fixed point). The columns are listed in grid
// order with their headings and how their values are shown.
//
// The number-list filter belongs to QueryDolg only; it is kept by the view object, survives
// closing and reopening and re-filters an open result at once. Errors are orv::Error (a missing
// or locked table); a view that fails to open stays closed.

#include "core/ViewColumn.h"
#include "db/Query.h"
#include "db/RecordFilter.h"

#include <QList>
#include <QString>

namespace orv::db {
class Database;
}

namespace orv::billing {

// QueryDolg in grid order: АбНомер, Признак, Наличие, К Оплате, ПредДолг, ДатаРассчета, ...,
// Итого к оплате.
const QList<core::ViewColumn>& debtViewColumns();
// QueryShowPane in grid order, Stay last.
const QList<core::ViewColumn>& paymentViewColumns();

class DebtViews {
  public:
    explicit DebtViews(db::Database& db);
    DebtViews(const DebtViews&) = delete;
    DebtViews& operator=(const DebtViews&) = delete;

    db::Query& queryDolg() { return queryDolg_; }
    db::Query& queryShowPane() { return queryShowPane_; }

    // Close the statement if open and open it again on the tables as they are now.
    db::Query& openDolg();
    db::Query& openShowPane();

    void setListFilter(const db::RecordFilter& filter) { queryDolg_.setFilter(filter); }
    void setListFiltered(bool on) { queryDolg_.setFiltered(on); }

  private:
    db::Query queryDolg_;
    db::Query queryShowPane_;
};

}  // namespace orv::billing
