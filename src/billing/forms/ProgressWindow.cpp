#include "billing/forms/ProgressWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace orv::billing {
TProgrForm::TProgrForm(QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      progressBar_(new QProgressBar(this)),
      labelNumber_(new QLabel(this)) {
    setObjectName(QStringLiteral("ProgrForm"));
    setWindowTitle(QStringLiteral("ПРЕОБРАЗОВАНИЕ"));
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QStringLiteral("Преобразование информации"), this);
    caption->setAlignment(Qt::AlignCenter);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setRange(0, 100);
    labelNumber_->setObjectName(QStringLiteral("LabelNumber"));
    labelNumber_->setAlignment(Qt::AlignCenter);
    layout->addWidget(caption);
    layout->addWidget(progressBar_);
    layout->addWidget(labelNumber_);
    setFixedSize(400, 110);
}

void TProgrForm::start() {
    progressBar_->setValue(0);
    labelNumber_->clear();
    // Over the middle of the main window, where the operator is looking.
    if (const QWidget* owner = parentWidget())
        move(owner->window()->frameGeometry().center() - rect().center());
    show();
    raise();
}

void TProgrForm::setProgress(int percent, const QString& account) {
    progressBar_->setValue(percent);
    labelNumber_->setText(account);
}

}  // namespace orv::billing
