#pragma once
// A read-only table model over an open statement, for the main grid: one row per visible row
// of the result, one column per core::ViewColumn the caller lists. Rows are fetched from the
// statement only as the view asks for them (the statement pages its result), so a million calls
// open and scroll without being read at once.
//
// The model does not own the statement. After the statement was opened, closed or re-filtered,
// call refresh(); a closed statement shows no rows. refresh() throws orv::Error when a column
// names a field the open result does not have, and the model then shows no rows.

#include "core/ViewColumn.h"
#include "db/Query.h"

#include <QAbstractTableModel>
#include <QList>
#include <QLocale>
#include <QString>

namespace orv::ui {

class QueryModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // Shows the statement's result at once when it is open (and throws as refresh() does).
    QueryModel(db::Query& query, QList<core::ViewColumn> columns, const QLocale& locale = QLocale(),
               QObject* parent = nullptr);

    db::Query& query() const { return *query_; }
    const QList<core::ViewColumn>& columns() const { return columns_; }

    // Re-reads the row count and the field positions of the statement's current result.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    QString text(const QVariant& value, core::ViewColumn::Display format) const;

    db::Query* query_;
    QList<core::ViewColumn> columns_;
    QLocale locale_;
    QList<int> fieldIndexes_;    // result field of each column
    QList<bool> numericFields_;  // whether that field holds numbers
    int rows_ = 0;
};

}  // namespace orv::ui
