#pragma once
// The call listings (all, city, long-distance) over one month of the call archive instead of
// DESTTAR, with the same selection parameters and number-list filter: the archive is attached
// while the listing opens and its month is read as DESTTAR. The result is read-only, as every
// listing is.
//
// Errors are orv::Error: a month the archive does not hold is refused with the operator's
// message, and nothing is opened.

#include "calls/ListingViews.h"

#include <QDate>

namespace orv::billing {

// Requires: view is not the obsolete long-distance listing.
db::Query& openArchivedListing(calls::ListingViews& views, calls::Listing view,
                               const core::SelectionPanel& panel, const QDate& month);

}  // namespace orv::billing
