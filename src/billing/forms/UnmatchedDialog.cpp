#include "billing/forms/UnmatchedDialog.h"

#include "billing/BankImport.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "ui/GridColumns.h"
#include "ui/Guarded.h"
#include "ui/MainWindowHost.h"
#include "ui/QueryModel.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace orv::billing {

TFormUnmatched::TFormUnmatched(ui::MainWindowHost& window, const QString& ourAccount)
    : QDialog(window.widget()),
      window_(window),
      ourAccount_(ourAccount),
      query_(window.tarifStandard()),
      grid_(new QTableView(this)),
      number_(new QLineEdit(this)),
      category_(new QComboBox(this)),
      post_(new QPushButton(QStringLiteral("&Провести"), this)),
      result_(new QLabel(this)) {
    setObjectName(QStringLiteral("FormUnmatched"));
    setWindowTitle(QStringLiteral("Неразнесенные платежи"));
    openUnmatchedPayments(query_);
    model_ = new ui::QueryModel(query_, unmatchedViewColumns(), QLocale(), this);
    grid_->setObjectName(QStringLiteral("GridUnmatched"));
    grid_->setModel(model_);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->verticalHeader()->setVisible(false);
    ui::keepColumnsFitted(grid_);

    number_->setObjectName(QStringLiteral("EditNumber"));
    number_->setInputMask(QStringLiteral("9999999;_"));
    category_->setObjectName(QStringLiteral("ComboBoxPriznak"));
    category_->setEditable(true);
    category_->addItems({QStringLiteral("ALL"), QStringLiteral("VECH"), QStringLiteral("DAY"),
                         QStringLiteral("BUDG"), QStringLiteral("OTHER"), QStringLiteral("BLOCK")});
    post_->setObjectName(QStringLiteral("ButtonPost"));
    result_->setObjectName(QStringLiteral("LabelResult"));
    connect(post_, &QPushButton::clicked, this,
            [this] { ui::guarded(this, [this] { ButtonPostClick(); }); });

    auto* entry = new QHBoxLayout;
    auto* numberLabel = new QLabel(QStringLiteral("&Номер абонента"), this);
    numberLabel->setBuddy(number_);
    auto* categoryLabel = new QLabel(QStringLiteral("П&ризнак"), this);
    categoryLabel->setBuddy(category_);
    entry->addWidget(numberLabel);
    entry->addWidget(number_);
    entry->addWidget(categoryLabel);
    entry->addWidget(category_);
    entry->addWidget(post_);
    entry->addStretch(1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("Закрыть"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_, 1);
    layout->addLayout(entry);
    layout->addWidget(result_);
    layout->addWidget(buttons);
    resize(980, 520);
}

void TFormUnmatched::refresh() {
    openUnmatchedPayments(query_);
    model_->refresh();
}

void TFormUnmatched::ButtonPostClick() {
    const QModelIndex current = grid_->currentIndex();
    if (!current.isValid())
        orv::raise(Error::Kind::Refused, QStringLiteral("Выберите платеж в списке"));
    bool ok = false;
    const qint64 number = number_->text().trimmed().toLongLong(&ok);
    if (!ok || number <= 0)
        orv::raise(Error::Kind::Refused, QStringLiteral("Введите номер абонента"));
    const qint64 id = query_.value(current.row(), QStringLiteral("Id")).toLongLong();
    const PaymentResult paid = postUnmatchedPayment(
        window_.tarifStandard(), id, number, category_->currentText(), ourAccount_, orv::today());
    result_->setText(QStringLiteral("Оплата записана: к оплате %1, оплачено %2, остаток %3")
                         .arg(paid.due.toCurrencyString(QLocale()),
                              paid.paid.toCurrencyString(QLocale()),
                              paid.remaining.toCurrencyString(QLocale())));
    refresh();
}

}  // namespace orv::billing
