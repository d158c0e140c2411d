#pragma once
// The call view commands of the main window: DropAll, DropCity, DropMG (ButtonAllClick,
// ButtonCityClick, ButtonMGClick), DropAllGroup, DropCityGroup, DropMGGroup
// (ButtonAllGroupClick, ButtonCityGroupClick, ButtonMGGroupClick) and N7 (N7Click). Each one
// relabels ToolButtonRazg so that its body repeats the view, opens the view's statement, binds
// the grid to the view's data source and writes "Всего: " and the record count into status
// panel 0.
//
// CallViewCommands holds the statements (ListingViews, GroupedViews) and one grid model per
// data source; installCallViews() creates it once as a child of the window and connects the
// commands. A command's error ends it where it failed and is shown by the window's runCommand;
// the pointer is restored and ToolButtonRazg keeps its new caption, hint and handler.
//
// NCallArchive ("Архив…") chooses what DropAll, DropCity and DropMG list: "Текущие разговоры"
// (DESTTAR) or one month of the call archive, through the CallArchiveAccess the program gives
// (the archive belongs to the debt run); the view shown is listed again from the choice.

#include "calls/GroupedViews.h"
#include "calls/ListingViews.h"
#include "ui/MainWindowHost.h"
#include "ui/QueryModel.h"

#include <QDate>
#include <QObject>
#include <array>
#include <functional>

namespace orv::calls {

// The call archive as the views reach it: its months (oldest first) and a listing opened over
// one of them.
struct CallArchiveAccess {
    std::function<QList<QDate>()> months;
    std::function<db::Query&(ListingViews&, Listing, const core::SelectionPanel&, const QDate&)>
        open;
};

class CallViewCommands : public QObject {
    Q_OBJECT

  public:
    explicit CallViewCommands(ui::MainWindowHost& window);

    void ButtonAllClick();
    void ButtonCityClick();
    void ButtonMGClick();
    void ButtonAllGroupClick();
    void ButtonCityGroupClick();
    void ButtonMGGroupClick();
    void N7Click();
    void NCallArchiveClick();

    void setArchiveAccess(CallArchiveAccess access) { archive_ = std::move(access); }
    // The archived month the listings show; invalid for the current calls.
    const QDate& archiveMonth() const { return archiveMonth_; }
    // Chooses the listings' source; the view shown, if a listing, is listed again.
    void setArchiveMonth(const QDate& month);

    ListingViews& listings() { return listings_; }
    GroupedViews& grouped() { return grouped_; }
    ui::QueryModel* model(Listing view) const { return listingModels_[static_cast<int>(view)]; }
    ui::QueryModel* model(Grouped view) const { return groupedModels_[static_cast<int>(view)]; }

    // The number-list filter of QueryAll, QueryCity and QueryMG: the grid shows the change at
    // once, and status panel 0 the new count when the grid shows one of these views.
    void setListFilter(const db::RecordFilter& filter);
    void setListFiltered(bool on);

  private:
    void showListing(Listing view, void (CallViewCommands::*handler)());
    void showGrouped(Grouped view, void (CallViewCommands::*handler)());
    void refreshListings();

    ui::MainWindowHost& window_;
    ListingViews listings_;
    GroupedViews grouped_;
    std::array<ui::QueryModel*, 4> listingModels_{};
    std::array<ui::QueryModel*, 3> groupedModels_{};
    CallArchiveAccess archive_;
    QDate archiveMonth_;
};

// Creates the commands' object as a child of the window, connects and enables the seven view
// commands.
CallViewCommands& installCallViews(ui::MainWindowHost& window);

}  // namespace orv::calls
