#pragma once
// TRestoreForm, "Восстановить из копии": the snapshots of the tables the debt run changes,
// newest first and chosen, with the date of the run that took each, why, the rows of DESTTAR
// and DolgTb.db and the size. "Восстановить" (or Enter, or a double click) closes it with the
// chosen snapshot; "Отмена" or Esc with none. The restore itself, with its confirmation, is the
// caller's.

#include "billing/Snapshot.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace orv::billing {

class TRestoreForm : public QDialog {
    Q_OBJECT

  public:
    TRestoreForm(const QList<SnapshotInfo>& snapshots, QWidget* parent = nullptr);

    // The chosen snapshot's name; empty when none is chosen.
    QString chosenName() const;

    QTableWidget* list() const { return list_; }
    QPushButton* restoreButton() const { return restoreBtn_; }

  private:
    QTableWidget* list_;
    QPushButton* restoreBtn_;
};

}  // namespace orv::billing
