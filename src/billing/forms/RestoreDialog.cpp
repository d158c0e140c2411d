#include "billing/forms/RestoreDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orv::billing {
namespace {

qint64 rowsOf(const SnapshotInfo& snapshot, const QString& table) {
    for (const SnapshotTable& t : snapshot.tables)
        if (t.table.compare(table, Qt::CaseInsensitive) == 0) return t.rows;
    return 0;
}

QTableWidgetItem* item(const QString& text, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* cell = new QTableWidgetItem(text);
    cell->setTextAlignment(alignment | Qt::AlignVCenter);
    return cell;
}

}  // namespace

TRestoreForm::TRestoreForm(const QList<SnapshotInfo>& snapshots, QWidget* parent)
    : QDialog(parent), list_(new QTableWidget(this)) {
    setObjectName(QStringLiteral("RestoreForm"));
    setWindowTitle(QStringLiteral("Восстановить из копии"));
    const QStringList headings = {QStringLiteral("Копия"),   QStringLiteral("Дата расчета"),
                                  QStringLiteral("Причина"), QStringLiteral("Звонков"),
                                  QStringLiteral("Долгов"),  QStringLiteral("Размер, КБ")};
    list_->setObjectName(QStringLiteral("ListSnapshots"));
    list_->setColumnCount(int(headings.size()));
    list_->setHorizontalHeaderLabels(headings);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->setRowCount(int(snapshots.size()));
    const QLocale locale;
    for (qsizetype i = 0; i < snapshots.size(); ++i) {
        const SnapshotInfo& s = snapshots[snapshots.size() - 1 - i];
        const int row = int(i);
        list_->setItem(row, 0, item(s.name));
        list_->setItem(row, 1, item(s.runDate.toString(QStringLiteral("dd.MM.yyyy"))));
        list_->setItem(row, 2, item(s.reason));
        list_->setItem(row, 3,
                       item(locale.toString(rowsOf(s, QStringLiteral("DESTTAR"))), Qt::AlignRight));
        list_->setItem(row, 4,
                       item(locale.toString(rowsOf(s, QStringLiteral("DolgTb"))), Qt::AlignRight));
        list_->setItem(row, 5,
                       item(locale.toString((s.compressedBytes + 1023) / 1024), Qt::AlignRight));
    }
    list_->resizeColumnsToContents();
    list_->horizontalHeader()->setStretchLastSection(true);
    if (!snapshots.isEmpty()) list_->selectRow(0);

    auto* buttons = new QDialogButtonBox(this);
    restoreBtn_ = buttons->addButton(QStringLiteral("Восстановить"), QDialogButtonBox::AcceptRole);
    restoreBtn_->setObjectName(QStringLiteral("RestoreBtn"));
    restoreBtn_->setDefault(true);
    restoreBtn_->setEnabled(!snapshots.isEmpty());
    buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(760, 360);
    list_->setFocus();
}

QString TRestoreForm::chosenName() const {
    const QList<QTableWidgetItem*> chosen = list_->selectedItems();
    return chosen.isEmpty() ? QString() : list_->item(chosen.first()->row(), 0)->text();
}

}  // namespace orv::billing
