#include "utils/ListFilterReceivers.h"

#include <QStringList>

namespace orv::utils {

void ListFilterReceivers::add(ListFilterReceiver receiver) {
    if (!filter_.isEmpty()) receiver.setFilter(filter_);
    if (filtered_) receiver.setFiltered(true);
    receivers_.push_back(std::move(receiver));
}

void ListFilterReceivers::setFilter(const db::RecordFilter& filter) {
    filter_ = filter;
    for (const ListFilterReceiver& receiver : receivers_) receiver.setFilter(filter);
}

void ListFilterReceivers::setFiltered(bool on) {
    filtered_ = on;
    for (const ListFilterReceiver& receiver : receivers_) receiver.setFiltered(on);
}

QStringList ListFilterReceivers::statements() const {
    QStringList names;
    for (const ListFilterReceiver& receiver : receivers_) names.append(receiver.statements);
    return names;
}

}  // namespace orv::utils
