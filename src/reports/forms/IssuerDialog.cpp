#include "reports/forms/IssuerDialog.h"

#include "reports/IssuerTexts.h"
#include "ui/Guarded.h"

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
    const bool read = ui::guarded(parentWidget(), [this] {
        const IssuerTexts texts = readIssuerTexts(store_);
        for (qsizetype i = 0; i < edits_.size(); ++i)
            edits_[i]->setText(texts.*issuerSettings()[i].member);
    });
    if (!read) return Rejected;
    edits_.first()->setFocus();
    return exec();
}

void TFormIssuer::OkClick() {
    IssuerTexts texts;
    for (qsizetype i = 0; i < edits_.size(); ++i)
        texts.*issuerSettings()[i].member = edits_[i]->text();
    if (ui::guarded(this, [&] { writeIssuerTexts(store_, texts); })) accept();
}

}  // namespace orv::reports
