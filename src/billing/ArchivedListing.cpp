#include "billing/ArchivedListing.h"

#include "billing/CallArchive.h"
#include "core/Error.h"

namespace orv::billing {

db::Query& openArchivedListing(calls::ListingViews& views, calls::Listing view,
                               const core::SelectionPanel& panel, const QDate& month) {
    db::Database& db = views.query(view).database();
    const ArchiveAttachment archive(db);
    const QDate first(month.year(), month.month(), 1);
    if (!archive.holdsMonth(first))
        raise(Error::Kind::Refused, QStringLiteral("В архиве разговоров нет месяца %1")
                                        .arg(first.toString(QStringLiteral("MM.yyyy"))));
    return views.open(view, panel,
                      QStringLiteral("SELECT AbNumber, Date_of_call, Time_of_call, Longivity, Cat, "
                                     "Number_of_call, Code, CodeForeign, TRF FROM %1")
                          .arg(archive.table(first)));
}

}  // namespace orv::billing
