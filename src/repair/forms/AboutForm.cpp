#include "repair/forms/AboutForm.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace orv::repair {

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setAutoFillBackground(true);
    QPalette teal = palette();
    teal.setColor(QPalette::Window, QColor(0, 128, 128));
    setPalette(teal);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette plain = panel->palette();
    plain.setColor(QPalette::Window, QColor(192, 192, 192));
    panel->setPalette(plain);
    auto* title = new QLabel(QStringLiteral("Table Utility"), panel);
    QFont big = title->font();
    big.setPointSize(20);
    big.setBold(true);
    title->setFont(big);
    title->setStyleSheet(QStringLiteral("color: blue;"));
    title->setAlignment(Qt::AlignCenter);
    auto* line1 = new QLabel(QStringLiteral("Verifies and rebuilds the tables of Orvanta"), panel);
    auto* line2 = new QLabel(QStringLiteral("Version ") + QStringLiteral(ORVANTA_VERSION), panel);
    for (QLabel* line : {line1, line2}) line->setAlignment(Qt::AlignCenter);
    auto* inner = new QVBoxLayout(panel);
    inner->addWidget(title);
    inner->addWidget(line1);
    inner->addWidget(line2);

    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint());
}

}  // namespace orv::repair
