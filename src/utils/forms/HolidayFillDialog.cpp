#include "utils/forms/HolidayFillDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace orv::utils {

TForm8::TForm8(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      MaskEditYear(new QLineEdit(this)) {
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Заполнение"));
    setModal(true);
    MaskEditYear->setObjectName(QStringLiteral("MaskEditYear"));
    MaskEditYear->setInputMask(QStringLiteral("0000;_"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TForm8::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Введите год для предварительного заполнения"), this));
    layout->addWidget(new QLabel(QStringLiteral("таблицы информацией о выходных днях"), this));
    layout->addWidget(MaskEditYear);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TForm8::yearText() const { return MaskEditYear->displayText().replace(u'_', u' '); }

void TForm8::accept() {
    const QString year = MaskEditYear->displayText();
    const auto digits =
        std::count_if(year.begin(), year.end(), [](QChar c) { return c.isDigit(); });
    if (MaskEditYear->isModified() && digits < 4) {
        QMessageBox::critical(this, QCoreApplication::applicationName(),
                              QStringLiteral("Invalid input value.  Use escape key to abandon "
                                             "changes"));
        MaskEditYear->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace orv::utils
