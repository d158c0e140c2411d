#pragma once
// The table editor's model of one table: every row of the table in stored (rowid) order, read
// only as the grid scrolls to it, and edited one record at a time through the table's declared
// column types and checks.
//
// Opening reads the rows' keys alone (EditableRows.h: a rowid, or a server's row address and
// version); rows are fetched in windows of consecutive keys and a few windows are kept, so a
// million calls open at once and scroll without being held in memory. Rows that another program
// appends after opening are seen after refresh().
//
// Editing follows the record cursor's states: setData() on a row starts editing it (Edit) and
// collects the new values in a buffer; insertRecord() adds an empty row at the end (Insert);
// post() writes the buffer (UPDATE by the row's key or INSERT) and cancel() drops it. A value that
// cannot be of its field's type, or is too long for it, is refused at once: setData() returns
// false, the buffer keeps its old value, refused() carries a message naming the field and the
// row stays in edit mode. post() throws orv::Error when the table refuses the record (a
// required field left empty, a duplicate key); the buffer and the state are kept then, so
// nothing half-written reaches the table and nothing typed is lost. A row that another program
// changed (on a server) or deleted since it was read is never written over: post() and
// deleteRecord() then drop the edit, re-read the table and throw orv::Error saying so.

#include "db/Database.h"
#include "db/FieldType.h"
#include "utils/EditableRows.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QVector>
#include <memory>
#include <vector>

namespace orv::utils {

class TableEditModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit TableEditModel(QObject* parent = nullptr);

    // Opens an existing table of the database (any case, with or without ".db"); throws
    // orv::Error when there is none. The database must outlive the open model.
    void open(db::Database& database, const QString& tableName);
    // Drops an unposted record and shows no rows.
    void close();
    bool isOpen() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    const QString& tableName() const { return table_; }
    db::Database* database() const { return database_; }
    const QList<db::FieldDef>& fields() const { return fields_; }
    qint64 recordCount() const { return static_cast<qint64>(keys_.size()); }

    // The row being edited or inserted; -1 in Browse.
    int editRow() const { return state_ == State::Edit || state_ == State::Insert ? editRow_ : -1; }
    // Whether the inserted record still has every field empty.
    bool insertIsEmpty() const;
    // The value of a field of a row, as the grid shows it while editing (buffer included).
    QVariant value(int row, int column) const;
    // Sets one field of a row, editing that row; throws orv::Error naming the field when the
    // value is refused, or when another row has an unposted change that the table refuses.
    void setValue(int row, int column, const QVariant& value);

    void edit(int row);
    // Adds an empty record at the end and returns its row.
    int insertRecord();
    void post();
    void cancel();
    void deleteRecord(int row);
    // Re-reads the keys (rows appended, changed or deleted by others); an unposted record is
    // dropped.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Test hook: how many windows of rows are held right now.
    int TEST_cachedWindows() const { return static_cast<int>(windows_.size()); }

  signals:
    // A value that setData() refused, with the message naming the field.
    void refused(const QString& message);
    // The state or the row being edited changed.
    void stateChanged();

  private:
    using Row = QVector<QVariant>;

    const Row& rowValues(int row) const;
    void loadWindow(qint64 window) const;
    void dropWindowsFrom(int row);
    void setState(State state, int row);
    QVariant checkedValue(int column, const QVariant& value) const;
    // Re-reads the table after a write that found its row gone, and says so.
    [[noreturn]] void refuseGoneRow(const QString& what);

    db::Database* database_ = nullptr;
    QString table_;
    QList<db::FieldDef> fields_;
    std::unique_ptr<EditableRows> rows_;
    std::vector<RowKey> keys_;
    mutable QHash<qint64, QVector<Row>> windows_;
    mutable QList<qint64> windowOrder_;  // least recently loaded first
    State state_ = State::Inactive;
    int editRow_ = -1;
    Row buffer_;
};

}  // namespace orv::utils
