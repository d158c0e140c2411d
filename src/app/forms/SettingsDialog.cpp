#include "app/forms/SettingsDialog.h"

#include "core/Error.h"
#include "ui/ErrorBox.h"

#include <QCheckBox>
#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <tuple>
#include <utility>

namespace orv::app {
namespace {

// A strip's layout with the small margins the fixed dialog size leaves room for.
template <typename Layout>
Layout* stripLayout(QWidget* frame) {
    auto* layout = new Layout(frame);
    layout->setContentsMargins(5, 4, 5, 4);
    layout->setSpacing(3);
    return layout;
}

QFrame* strip(QWidget* parent, QVBoxLayout* dialogLayout) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Raised);
    dialogLayout->addWidget(frame);
    return frame;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QLineEdit* edit(QWidget* parent, const char* name) {
    auto* line = new QLineEdit(parent);
    line->setObjectName(QLatin1String(name));
    line->setFixedWidth(64);
    return line;
}

// A label with its edit box on one line below the strip's check box.
QHBoxLayout* labelled(QWidget* parent, const QString& text, QLineEdit* line) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setBuddy(line);
    row->addWidget(label, 1);
    row->addWidget(line);
    return row;
}

// A strip of a check box over a labelled value: the penalty and the VAT.
std::pair<QCheckBox*, QLineEdit*> switchedValue(QWidget* parent, QVBoxLayout* dialogLayout,
                                                const char* checkName, const QString& caption,
                                                const char* editName, const QString& label) {
    QFrame* frame = strip(parent, dialogLayout);
    QCheckBox* box = checkBox(frame, checkName, caption);
    QLineEdit* line = edit(frame, editName);
    auto* frameLayout = stripLayout<QVBoxLayout>(frame);
    frameLayout->addWidget(box);
    frameLayout->addLayout(labelled(frame, label, line));
    return {box, line};
}

}  // namespace

TFormSettings::TFormSettings(std::function<void(const core::VatSettings&)> vatChanged,
                             QWidget* parent, const QLocale& locale)
    : QDialog(parent), vatChanged_(std::move(vatChanged)), locale_(locale) {
    setObjectName(QStringLiteral("FormSettings"));
    setWindowTitle(QStringLiteral("Настройки"));
    setFixedSize(308, 285);
    // The dialog keeps its fixed design size; a font with the metrics of the one it was laid
    // out for keeps the long captions whole.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(8.5);
    setFont(font);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(4);

    QFrame* mg = strip(this, layout);
    checkMg_ =
        checkBox(mg, "CheckBoxMG", QStringLiteral("Учет международных и междугородних разговоров"));
    stripLayout<QVBoxLayout>(mg)->addWidget(checkMg_);

    std::tie(checkPenya_, editProcent_) = switchedValue(
        this, layout, "CheckBoxPenya", QStringLiteral("Использование пени при расчете долга"),
        "EditProcent", QStringLiteral("Пеня :   количество  процентов в день"));
    std::tie(checkUseNds_, editNdsPercent_) = switchedValue(
        this, layout, "CheckBoxUseNDS", QStringLiteral("Использование НДС при расчете долга"),
        "EditNDSPercent", QStringLiteral("НДС :   количество  процентов"));

    QFrame* minutes = strip(this, layout);
    editNoUchet_ = edit(minutes, "EditNoUchet");
    auto* minutesLayout = stripLayout<QVBoxLayout>(minutes);
    minutesLayout->addLayout(
        labelled(minutes, QStringLiteral("Необсчитываемое кол-во минут в месяц"), editNoUchet_));

    QFrame* buttons = strip(this, layout);
    buttons_ = buttons;
    ok_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"),
                          buttons);
    ok_->setObjectName(QStringLiteral("BitBtn1"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                              QStringLiteral("Отмена"), buttons);
    cancel_->setObjectName(QStringLiteral("BitBtn2"));
    auto* buttonLayout = stripLayout<QHBoxLayout>(buttons);
    buttonLayout->addStretch();
    buttonLayout->addWidget(ok_);
    buttonLayout->addWidget(cancel_);
    buttonLayout->addStretch();

    // The design-time contents equal the defaults; every show replaces them from the store.
    checkMg_->setChecked(true);
    editProcent_->setText(QStringLiteral("1"));
    checkUseNds_->setChecked(true);
    editNdsPercent_->setText(QStringLiteral("20"));
    editNoUchet_->setText(QStringLiteral("0"));

    setTabOrder(checkMg_, checkPenya_);
    setTabOrder(checkPenya_, editProcent_);
    setTabOrder(editProcent_, checkUseNds_);
    setTabOrder(checkUseNds_, editNdsPercent_);
    setTabOrder(editNdsPercent_, editNoUchet_);
    setTabOrder(editNoUchet_, ok_);
    setTabOrder(ok_, cancel_);

    connect(ok_, &QPushButton::clicked, this, &TFormSettings::BitBtn1Click);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

QPushButton* TFormSettings::addButton(const QString& caption, std::function<void()> handler) {
    auto* button = new QPushButton(caption, buttons_);
    button->setAutoDefault(false);
    auto* strip = static_cast<QHBoxLayout*>(buttons_->layout());
    strip->insertWidget(0, button);
    connect(button, &QPushButton::clicked, this, std::move(handler));
    return button;
}

void TFormSettings::FormShow() {
    const core::Settings s = core::readSettings(store_);
    checkMg_->setChecked(s.chargeLongDistance);
    checkPenya_->setChecked(s.usePenalty);
    editProcent_->setText(core::floatToText(s.penaltyPercent, locale_));
    checkUseNds_->setChecked(s.useNds);
    editNdsPercent_->setText(core::floatToText(s.ndsPercent, locale_));
    editNoUchet_->setText(QString::number(s.freeMinutes));
    checkMg_->setFocus();
}

void TFormSettings::BitBtn1Click() {
    core::Settings s;
    s.chargeLongDistance = checkMg_->isChecked();
    s.usePenalty = checkPenya_->isChecked();
    s.useNds = checkUseNds_->isChecked();
    // Both percents are checked before anything is stored, so that a typing error neither
    // half-applies the change nor loses what was typed.
    const std::pair<QLineEdit*, double*> percents[] = {{editProcent_, &s.penaltyPercent},
                                                       {editNdsPercent_, &s.ndsPercent}};
    for (const auto& [line, value] : percents) {
        try {
            *value = core::floatFromText(line->text(), locale_);
        } catch (const Error& e) {
            ui::showErrorBox(this, e.message());
            line->setFocus();
            line->selectAll();
            return;
        }
    }
    s.freeMinutes = core::integerFromText(editNoUchet_->text());
    try {
        core::writeSettings(store_, s);
    } catch (const Error& e) {
        ui::showErrorBox(this, e.message());
        // The values written before the failure are in force: the program's VAT follows the
        // store when it can still be read, and keeps its values otherwise.
        try {
            vatChanged_(core::readVat(store_));
        } catch (const Error&) {
        }
        return;
    }
    vatChanged_(core::VatSettings{s.useNds, s.ndsPercent});
    accept();
}

}  // namespace orv::app
