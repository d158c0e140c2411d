#pragma once
// Grid columns as wide as what they show: each column fits its header and its widest cell, up
// to a maximum so that one long text does not push the other columns out of sight. The rows
// measured are the first kMeasuredRows; a view of a million calls is measured in no time and
// its later rows hold texts of the same kinds.

class QTableView;

namespace orv::ui {

inline constexpr int kMaxColumnWidth = 320;
inline constexpr int kMeasuredRows = 500;

// Sets every column's width once, from the model the view has now.
void fitColumns(QTableView* view, int maximum = kMaxColumnWidth);
// fitColumns now and again whenever the view's present model is reset, gets another layout or
// its first rows; call it again after setting another model. The operator may still drag a
// column wider or narrower.
void keepColumnsFitted(QTableView* view, int maximum = kMaxColumnWidth);

}  // namespace orv::ui
