#include "reports/forms/IssuerDialog.h"

#include "core/Error.h"
#include "reports/IssuerTexts.h"
#include "ui/ErrorBox.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv::reports {

TFormIssuer::TFormIssuer(core::SettingsStore& store, QWidget* parent)
    : QDialog(parent), store_(store) {
    setObjectName(QStringLiteral("FormIssuer"));
    setWindowTitle(QStringLiteral("Реквизиты для счетов"));
    auto* layout = new QVBoxLayout(this);
    auto* note =
        new QLabel(QStringLiteral("Данные сервисного центра, которые печатаются на каждом счете.\n"
                                  "Значения со словом «ОБРАЗЕЦ» — примеры, замените их своими."),
                   this);
    layout->addWidget(note);
    auto* form = new QFormLayout;
    for (const IssuerSetting& setting : issuerSettings()) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(setting.name);
        edit->setMinimumWidth(320);
        form->addRow(setting.name + u':', edit);
        edits_.append(edit);
    }
    layout->addLayout(form);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Horizontal, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TFormIssuer::OkClick);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

int TFormIssuer::showModal() {
    try {
        const IssuerTexts texts = readIssuerTexts(store_);
        for (qsizetype i = 0; i < edits_.size(); ++i)
            edits_[i]->setText(texts.*issuerSettings()[i].member);
    } catch (const Error& e) {
        ui::showErrorBox(parentWidget(), e.message());
        return Rejected;
    }
    edits_.first()->setFocus();
    return exec();
}

void TFormIssuer::OkClick() {
    IssuerTexts texts;
    for (qsizetype i = 0; i < edits_.size(); ++i)
        texts.*issuerSettings()[i].member = edits_[i]->text();
    try {
        writeIssuerTexts(store_, texts);
    } catch (const Error& e) {
        ui::showErrorBox(this, e.message());
        return;
    }
    accept();
}

}  // namespace orv::reports
