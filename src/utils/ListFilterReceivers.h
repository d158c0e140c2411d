#pragma once
// Where the number-list filter goes: the statements that carry it (the call listings, the debt
// view, the invoice query), each reached through a receiver with two functions, one taking the
// filter and one switching it on or off. The filter and the switch are kept here too, so that a
// receiver added later starts with the filter in force.
//
// Receivers are reached in the order added; an error of one (a view that cannot re-filter)
// propagates and those after it keep their previous state.

#include "db/RecordFilter.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace orv::utils {

struct ListFilterReceiver {
    QString statements;  // the statements it filters, for messages and tests: "QueryDolg"
    std::function<void(const db::RecordFilter&)> setFilter;
    std::function<void(bool)> setFiltered;
};

class ListFilterReceivers {
  public:
    void add(ListFilterReceiver receiver);
    void setFilter(const db::RecordFilter& filter);
    void setFiltered(bool on);

    const db::RecordFilter& filter() const { return filter_; }
    bool isFiltered() const { return filtered_; }
    QStringList statements() const;

  private:
    std::vector<ListFilterReceiver> receivers_;
    db::RecordFilter filter_;
    bool filtered_ = false;
};

}  // namespace orv::utils
