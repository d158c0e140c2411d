#include "ui/GridColumns.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QPointer>
#include <QTableView>
#include <algorithm>

namespace orv::ui {
namespace {

// Room a cell's text needs beside it: the item's margins on both sides and the grid line.
constexpr int kCellPadding = 12;

int widestCell(const QTableView* view, const QAbstractItemModel* model, int column) {
    const QFontMetrics metrics = view->fontMetrics();
    const int rows = std::min(model->rowCount(), kMeasuredRows);
    int widest = 0;
    for (int row = 0; row < rows; ++row) {
        const QString text = model->index(row, column).data(Qt::DisplayRole).toString();
        widest = std::max(widest, metrics.horizontalAdvance(text));
    }
    return widest + kCellPadding;
}

// The header's own need, as the header computes it (text, margins and the sort arrow).
int headerWidth(const QTableView* view, const QAbstractItemModel* model, int column) {
    const QString title = model->headerData(column, Qt::Horizontal).toString();
    return view->horizontalHeader()->fontMetrics().horizontalAdvance(title) + 2 * kCellPadding;
}

}  // namespace

void fitColumns(QTableView* view, int maximum) {
    const QAbstractItemModel* model = view->model();
    if (!model) return;
    for (int column = 0; column < model->columnCount(); ++column) {
        const int width =
            std::max(widestCell(view, model, column), headerWidth(view, model, column));
        view->setColumnWidth(column, std::min(width, maximum));
    }
}

void keepColumnsFitted(QTableView* view, int maximum) {
    QAbstractItemModel* model = view->model();
    fitColumns(view, maximum);
    if (!model) return;
    const QPointer<QTableView> guarded(view);
    const auto refit = [guarded, model, maximum] {
        if (guarded && guarded->model() == model) fitColumns(guarded, maximum);
    };
    QObject::connect(model, &QAbstractItemModel::modelReset, view, refit);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, view, refit);
    QObject::connect(model, &QAbstractItemModel::headerDataChanged, view, refit);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, view,
                     [refit](const QModelIndex&, int first) {
                         if (first < kMeasuredRows) refit();
                     });
}

}  // namespace orv::ui
