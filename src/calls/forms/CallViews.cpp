#include "calls/forms/CallViews.h"

#include "calls/forms/CdrCommands.h"
#include "ui/LongWork.h"
#include "ui/WaitCursor.h"

#include <QInputDialog>

namespace orv::calls {
namespace {

QString countText(const db::Query& query) {
    return QStringLiteral("Всего: ") + QString::number(query.recordCount());
}

constexpr Listing kListings[] = {Listing::All, Listing::City, Listing::LongDistance,
                                 Listing::OldLongDistance};
constexpr Grouped kGrouped[] = {Grouped::City, Grouped::LongDistance, Grouped::All};

}  // namespace

CallViewCommands::CallViewCommands(ui::MainWindowHost& window)
    : QObject(window.widget()),
      window_(window),
      listings_(window.tarifStandard()),
      grouped_(window.tarifStandard()) {
    setObjectName(QStringLiteral("CallViewCommands"));
    for (Listing view : kListings)
        listingModels_[static_cast<int>(view)] =
            new ui::QueryModel(listings_.query(view), listingInfo(view).columns, QLocale(), this);
    for (Grouped view : kGrouped)
        groupedModels_[static_cast<int>(view)] =
            new ui::QueryModel(grouped_.query(view), groupedInfo(view).columns, QLocale(), this);
}

void CallViewCommands::showListing(Listing view, void (CallViewCommands::*handler)()) {
    const ListingInfo& info = listingInfo(view);
    // The city view leaves the grid's data set open, as it always has.
    if (view != Listing::City) window_.freeGrid();
    db::Query& query = listings_.query(view);
    ui::QueryModel* grid = model(view);
    const bool archived = archiveMonth_.isValid() && view != Listing::OldLongDistance;
    {
        const ui::WaitCursor wait;
        const QString caption = archived
                                    ? info.caption + QStringLiteral(" (архив ") +
                                          archiveMonth_.toString(QStringLiteral("MM.yyyy")) + u')'
                                    : info.caption;
        window_.setRazg(caption, info.hint, [this, handler] { (this->*handler)(); });
        query.close();
        grid->refresh();
        if (archived)
            archive_.open(listings_, view, window_.selection(), archiveMonth_);
        else
            listings_.open(view, window_.selection());
    }
    grid->refresh();
    window_.bindGrid(grid, info.dataSource, [&query, grid] {
        query.close();
        grid->refresh();
    });
    window_.setStatusText(0, countText(query));
}

void CallViewCommands::showGrouped(Grouped view, void (CallViewCommands::*handler)()) {
    const GroupedInfo& info = groupedInfo(view);
    window_.freeGrid();
    db::Query& query = grouped_.query(view);
    ui::QueryModel* grid = model(view);
    window_.setRazg(info.caption, info.hint, [this, handler] { (this->*handler)(); });
    grouped_.close(view);
    grid->refresh();
    ui::LongWork::run(window_, [view](db::Database& own, ui::LongWork::Progress&) {
        GroupedViews::runPipeline(own, view);
    });
    {
        const ui::WaitCursor wait;
        grouped_.openResult(view);
    }
    grid->refresh();
    window_.bindGrid(grid, info.dataSource, [&query, grid] {
        query.close();
        grid->refresh();
    });
    window_.setStatusText(0, countText(query));
}

void CallViewCommands::ButtonAllClick() {
    showListing(Listing::All, &CallViewCommands::ButtonAllClick);
}

void CallViewCommands::ButtonCityClick() {
    showListing(Listing::City, &CallViewCommands::ButtonCityClick);
}

void CallViewCommands::ButtonMGClick() {
    showListing(Listing::LongDistance, &CallViewCommands::ButtonMGClick);
}

void CallViewCommands::N7Click() {
    showListing(Listing::OldLongDistance, &CallViewCommands::N7Click);
}

void CallViewCommands::NCallArchiveClick() {
    if (!archive_.months) return;
    QList<QDate> months;
    {
        const ui::WaitCursor wait;
        months = archive_.months();
    }
    QStringList items = {QStringLiteral("Текущие разговоры")};
    int current = 0;
    for (auto it = months.crbegin(); it != months.crend(); ++it) {
        if (*it == archiveMonth_) current = int(items.size());
        items.append(it->toString(QStringLiteral("MM.yyyy")));
    }
    bool chosen = false;
    const QString item = QInputDialog::getItem(window_.widget(), QStringLiteral("Архив"),
                                               QStringLiteral("Показывать разговоры:"), items,
                                               current, false, &chosen);
    if (!chosen) return;
    const qsizetype index = items.indexOf(item);
    setArchiveMonth(index <= 0 ? QDate() : months[months.size() - index]);
}

void CallViewCommands::setArchiveMonth(const QDate& month) {
    archiveMonth_ = month;
    const struct {
        Listing view;
        void (CallViewCommands::*handler)();
    } shown[] = {{Listing::All, &CallViewCommands::ButtonAllClick},
                 {Listing::City, &CallViewCommands::ButtonCityClick},
                 {Listing::LongDistance, &CallViewCommands::ButtonMGClick}};
    for (const auto& s : shown)
        if (window_.gridDataSource() == listingInfo(s.view).dataSource) (this->*s.handler)();
}

void CallViewCommands::ButtonAllGroupClick() {
    showGrouped(Grouped::All, &CallViewCommands::ButtonAllGroupClick);
}

void CallViewCommands::ButtonCityGroupClick() {
    showGrouped(Grouped::City, &CallViewCommands::ButtonCityGroupClick);
}

void CallViewCommands::ButtonMGGroupClick() {
    showGrouped(Grouped::LongDistance, &CallViewCommands::ButtonMGGroupClick);
}

void CallViewCommands::refreshListings() {
    for (Listing view : kListings) {
        const ListingInfo& info = listingInfo(view);
        if (!info.listFiltered) continue;
        model(view)->refresh();
        if (window_.gridDataSource() == info.dataSource)
            window_.setStatusText(0, countText(listings_.query(view)));
    }
}

void CallViewCommands::setListFilter(const db::RecordFilter& filter) {
    listings_.setListFilter(filter);
    refreshListings();
}

void CallViewCommands::setListFiltered(bool on) {
    listings_.setListFiltered(on);
    refreshListings();
}

CallViewCommands& installCallViews(ui::MainWindowHost& window) {
    auto* commands = new CallViewCommands(window);
    const struct {
        ui::Command command;
        void (CallViewCommands::*handler)();
    } table[] = {
        {ui::Command::DropAll, &CallViewCommands::ButtonAllClick},
        {ui::Command::DropCity, &CallViewCommands::ButtonCityClick},
        {ui::Command::DropMG, &CallViewCommands::ButtonMGClick},
        {ui::Command::DropAllGroup, &CallViewCommands::ButtonAllGroupClick},
        {ui::Command::DropCityGroup, &CallViewCommands::ButtonCityGroupClick},
        {ui::Command::DropMGGroup, &CallViewCommands::ButtonMGGroupClick},
        {ui::Command::N7, &CallViewCommands::N7Click},
        {ui::Command::NCallArchive, &CallViewCommands::NCallArchiveClick},
    };
    for (const auto& entry : table)
        window.connectCommand(entry.command,
                              [commands, handler = entry.handler] { (commands->*handler)(); });
    installCdrCommands(window);
    return *commands;
}

}  // namespace orv::calls
