#include "billing/forms/PaymentDialog.h"

#include "billing/Payment.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/Settings.h"

#include <QComboBox>
#include <QCompleter>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv::billing {
namespace {

QLabel* boldLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

TOKBottomDlg1::TOKBottomDlg1(db::Database& db, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowTitleHint),
      db_(db),
      maskEditNumber_(new QLineEdit(this)),
      comboBoxPriznak_(new QComboBox(this)),
      editDolg_(new QLineEdit(this)),
      editPane_(new QLineEdit(this)),
      okBtn_(new QPushButton(QStringLiteral("OK"), this)),
      cancelBtn_(new QPushButton(QStringLiteral("Отмена"), this)) {
    setObjectName(QStringLiteral("OKBottomDlg1"));
    setWindowTitle(QStringLiteral("Оплата"));
    setModal(true);

    maskEditNumber_->setObjectName(QStringLiteral("MaskEditNumber"));
    maskEditNumber_->setInputMask(QStringLiteral("0000000;_"));
    comboBoxPriznak_->setObjectName(QStringLiteral("ComboBoxPriznak"));
    comboBoxPriznak_->setEditable(true);
    // The text stays as typed: no completion to an item in other letters, no new items.
    comboBoxPriznak_->setInsertPolicy(QComboBox::NoInsert);
    comboBoxPriznak_->completer()->setCaseSensitivity(Qt::CaseSensitive);
    comboBoxPriznak_->addItems({QStringLiteral("ALL"), QStringLiteral("VECH"),
                                QStringLiteral("DAY"), QStringLiteral("BUDG"),
                                QStringLiteral("OTHER"), QStringLiteral("BLOCK")});
    comboBoxPriznak_->setCurrentIndex(0);
    editDolg_->setObjectName(QStringLiteral("EditDolg"));
    editDolg_->setReadOnly(true);
    editDolg_->setFocusPolicy(Qt::NoFocus);
    editPane_->setObjectName(QStringLiteral("EditPane"));
    okBtn_->setObjectName(QStringLiteral("OKBtn"));
    okBtn_->setDefault(true);
    cancelBtn_->setObjectName(QStringLiteral("CancelBtn"));

    auto* fields = new QFormLayout;
    fields->addRow(boldLabel(QStringLiteral("НОМЕР"), this), maskEditNumber_);
    fields->addRow(boldLabel(QStringLiteral("ПРИЗНАК"), this), comboBoxPriznak_);
    fields->addRow(boldLabel(QStringLiteral("ДОЛГ"), this), editDolg_);
    fields->addRow(boldLabel(QStringLiteral("ОПЛАЧЕНО"), this), editPane_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okBtn_);
    buttons->addWidget(cancelBtn_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setFixedSize(302, 188);

    connect(maskEditNumber_, &QLineEdit::textChanged, this, [this] { MaskEditNumberChange(); });
    connect(comboBoxPriznak_, &QComboBox::currentTextChanged, this,
            [this] { MaskEditNumberChange(); });
    connect(okBtn_, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(cancelBtn_, &QPushButton::clicked, this, &QDialog::reject);
}

void TOKBottomDlg1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TOKBottomDlg1::FormShow() {
    maskEditNumber_->clear();
    editDolg_->clear();
    editPane_->clear();
    maskEditNumber_->setFocus();
}

void TOKBottomDlg1::MaskEditNumberChange() {
    // The mask's blanks read as spaces: digits up to the first blank make the number.
    currentNumber_ = core::lenientInteger(maskEditNumber_->displayText().replace(u'_', u' '));
    try {
        const auto due = amountDue(db_, currentNumber_, comboBoxPriznak_->currentText());
        editDolg_->setText(due ? due->toCurrencyString(locale()) : kDebtNotFound);
    } catch (const Error& e) {
        editDolg_->setText(e.message());
    }
}

void TOKBottomDlg1::OKBtnClick() {
    try {
        confirmPayment(db_, currentNumber_, comboBoxPriznak_->currentText(), editPane_->text(),
                       locale(), orv::today());
    } catch (const Error& e) {
        QMessageBox::information(this, QCoreApplication::applicationName(), e.message());
    }
    accept();
}

}  // namespace orv::billing
