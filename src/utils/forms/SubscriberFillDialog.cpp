#include "utils/forms/SubscriberFillDialog.h"

#include <QComboBox>
#include <QCompleter>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv::utils {
namespace {

QLineEdit* numberEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setInputMask(QStringLiteral("9999999;_"));
    return edit;
}

// An editable list whose text stays as typed: no completion into other letters, no new items.
QComboBox* choice(QWidget* parent, const char* name, const QStringList& items) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->completer()->setCaseSensitivity(Qt::CaseSensitive);
    box->addItems(items);
    box->setCurrentIndex(0);
    return box;
}

QString rawText(const QLineEdit* edit) { return edit->displayText().replace(u'_', u' '); }

}  // namespace

TForm5::TForm5(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      MaskEditNumberFrom(numberEdit(this, "MaskEditNumberFrom")),
      MaskEditNumberTo(numberEdit(this, "MaskEditNumberTo")),
      ComboBoxPrizn(
          choice(this, "ComboBoxPrizn",
                 {QStringLiteral("ALL"), QStringLiteral("VECH"), QStringLiteral("DAY"),
                  QStringLiteral("BUDG"), QStringLiteral("OTHER"), QStringLiteral("BLOCK")})),
      ComboBoxExist(choice(this, "ComboBoxExist", {QStringLiteral("YES"), QStringLiteral("NO")})) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Заполнение"));
    setModal(true);

    auto* header = new QLabel(QStringLiteral("Введите значения для заполнения таблицы"), this);
    header->setObjectName(QStringLiteral("Panel1"));
    header->setToolTip(QStringLiteral("Ввод значений для начального заполнения таблицы"));
    header->setFrameStyle(QFrame::Panel | QFrame::Raised);
    header->setAlignment(Qt::AlignCenter);
    header->setMinimumHeight(26);

    auto* fields = new QFormLayout;
    auto row = [this, fields](const QString& caption, QWidget* control) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(control);
        fields->addRow(label, control);
    };
    row(QStringLiteral("С &Номера"), MaskEditNumberFrom);
    row(QStringLiteral("П&о Номер"), MaskEditNumberTo);
    row(QStringLiteral("&Признак"), ComboBoxPrizn);
    row(QStringLiteral("Н&аличие"), ComboBoxExist);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName(QStringLiteral("BitBtn2"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TForm5::numberFromText() const { return rawText(MaskEditNumberFrom); }
QString TForm5::numberToText() const { return rawText(MaskEditNumberTo); }
QString TForm5::priznak() const { return ComboBoxPrizn->currentText(); }
QString TForm5::exist() const { return ComboBoxExist->currentText(); }

}  // namespace orv::utils
