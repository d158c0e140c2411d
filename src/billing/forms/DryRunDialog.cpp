#include "billing/forms/DryRunDialog.h"

#include "billing/DryRun.h"
#include "ui/GridColumns.h"
#include "ui/QueryModel.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace orv::billing {
namespace {

QTableView* grid(QWidget* parent, const char* name, QAbstractItemModel* model) {
    auto* view = new QTableView(parent);
    view->setObjectName(QLatin1String(name));
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    ui::keepColumnsFitted(view);
    return view;
}

QString summaryText(const DebtRunSummary& s) {
    return QStringLiteral(
               "Долг на %1: месяцев %2, абонентов %3, в архив OldMG %4, удалено звонков %5.\n"
               "Это пробный расчет: ни одна таблица не изменена.")
        .arg(s.reckoningDate.toString(QStringLiteral("dd.MM.yyyy")))
        .arg(s.months)
        .arg(s.accounts)
        .arg(s.callsArchived)
        .arg(s.callsRetired);
}

}  // namespace

TDryRunForm::TDryRunForm(DryRun& trial, QWidget* parent)
    : QDialog(parent),
      summary_(new QLabel(summaryText(trial.summary()), this)),
      pages_(new QTabWidget(this)) {
    setObjectName(QStringLiteral("DryRunForm"));
    setWindowTitle(QStringLiteral("Пробный расчет долга"));
    summary_->setObjectName(QStringLiteral("LabelSummary"));
    debts_ = new ui::QueryModel(trial.debtView(), debtViewColumns(), QLocale(), this);
    calls_ = new ui::QueryModel(trial.retiredCalls(), DryRun::retiredColumns(), QLocale(), this);
    debtGrid_ = grid(pages_, "GridDolg", debts_);
    callsGrid_ = grid(pages_, "GridRetired", calls_);
    pages_->addTab(debtGrid_, QStringLiteral("&Долги после расчета (%1)").arg(debts_->rowCount()));
    pages_->addTab(callsGrid_, QStringLiteral("&Удаляемые звонки (%1)").arg(calls_->rowCount()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(pages_, 1);
    layout->addWidget(buttons);
    resize(900, 560);
}

}  // namespace orv::billing
