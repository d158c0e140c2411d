#pragma once
// The error box of the windows: the text of a failed command with an OK button, titled with the
// application's name ("Tariff").

#include <QCoreApplication>
#include <QMessageBox>

namespace orv::ui {

inline void showErrorBox(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QCoreApplication::applicationName(), text);
}

}  // namespace orv::ui
