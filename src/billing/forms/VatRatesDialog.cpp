#include "billing/forms/VatRatesDialog.h"

#include "billing/VatRates.h"
#include "core/Clock.h"
#include "core/Settings.h"
#include "ui/Guarded.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orv::billing {

TFormVatRates::TFormVatRates(db::Database& db, QWidget* parent) : QDialog(parent), db_(db) {
    setObjectName(QStringLiteral("FormVatRates"));
    setWindowTitle(QStringLiteral("Ставки НДС"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Услуги месяца облагаются НДС по ставке, действующей с его первого дня."),
        this));
    grid_ = new QTableWidget(0, 2, this);
    grid_->setObjectName(QStringLiteral("GridVatRates"));
    grid_->setHorizontalHeaderLabels({QStringLiteral("Действует с"), QStringLiteral("Процент")});
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->verticalHeader()->hide();
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setMinimumHeight(160);
    layout->addWidget(grid_);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("С даты:"), this));
    editFrom_ = new QDateEdit(this);
    editFrom_->setObjectName(QStringLiteral("EditVatFrom"));
    editFrom_->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    editFrom_->setCalendarPopup(true);
    row->addWidget(editFrom_);
    row->addWidget(new QLabel(QStringLiteral("Процент:"), this));
    editPercent_ = new QLineEdit(this);
    editPercent_->setObjectName(QStringLiteral("EditVatPercent"));
    editPercent_->setMaximumWidth(80);
    row->addWidget(editPercent_);
    auto* set = new QPushButton(QStringLiteral("Добавить или заменить"), this);
    set->setObjectName(QStringLiteral("BtnSetVatRate"));
    row->addWidget(set);
    layout->addLayout(row);
    connect(set, &QPushButton::clicked, this, &TFormVatRates::SetRateClick);
    connect(editPercent_, &QLineEdit::returnPressed, this, &TFormVatRates::SetRateClick);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, Qt::Horizontal, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    set->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void TFormVatRates::fillGrid() {
    const VatRates rates = VatRates::read(db_);
    grid_->setRowCount(int(rates.rates().size()));
    for (int r = 0; r < rates.rates().size(); ++r) {
        const VatRate& rate = rates.rates()[r];
        grid_->setItem(r, 0,
                       new QTableWidgetItem(rate.from.toString(QStringLiteral("dd.MM.yyyy"))));
        auto* percent = new QTableWidgetItem(vatPercentText(rate.percent));
        percent->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid_->setItem(r, 1, percent);
    }
}

void TFormVatRates::showModal() {
    if (!ui::guarded(parentWidget(), [this] { fillGrid(); })) return;
    const QDate today = orv::today();
    editFrom_->setDate(QDate(today.year(), today.month(), 1));
    editPercent_->clear();
    editPercent_->setFocus();
    exec();
}

void TFormVatRates::SetRateClick() {
    const bool set = ui::guarded(this, [this] {
        setVatRate(db_, editFrom_->date(), core::floatFromText(editPercent_->text(), QLocale()));
        fillGrid();
        editPercent_->clear();
    });
    if (!set) {
        editPercent_->setFocus();
        editPercent_->selectAll();
    }
}

}  // namespace orv::billing
