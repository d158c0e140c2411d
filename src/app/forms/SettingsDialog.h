#pragma once
// TFormSettings, the modal dialog "Настройки" of the six settings: long-distance calls charged,
// the penalty and its daily percent, VAT and its percent, the free minutes a month. It reads and
// writes the settings file through a store of its own.
//
// FormShow() loads the controls from the store (throws orv::Error for a damaged value; the
// dialog is then not shown). OK checks both percent texts before it stores anything: a text
// that is no number ("1,5" and "1.5" both are) shows "'<text>' не число", stores nothing and
// keeps the dialog open with that field focused. A valid OK stores all six values, passes the
// new VAT pair to the window's receiver and closes. A write that fails is shown and the dialog
// stays open. Cancel (Esc) stores nothing.

#include "core/Settings.h"
#include "core/SettingsStore.h"

#include <QDialog>
#include <QLocale>
#include <functional>

class QCheckBox;
class QFrame;
class QLineEdit;
class QPushButton;

namespace orv::app {

class TFormSettings : public QDialog {
    Q_OBJECT

  public:
    // vatChanged receives UseNDS/NDSPercent after every valid OK. Percent texts are shown and
    // read with the locale's decimal separator ("." is read as well).
    explicit TFormSettings(std::function<void(const core::VatSettings&)> vatChanged,
                           QWidget* parent = nullptr, const QLocale& locale = QLocale());

    void FormShow();
    // OK: stores and closes with Accepted, or shows why not and stays open.
    void BitBtn1Click();
    // A button at the left of the bottom strip that opens a dialog of another subsystem
    // (the issuer's texts of the invoices); the six settings stay as they are.
    QPushButton* addButton(const QString& caption, std::function<void()> handler);

  private:
    core::SettingsStore store_;
    std::function<void(const core::VatSettings&)> vatChanged_;
    QLocale locale_;
    QCheckBox* checkMg_;
    QCheckBox* checkPenya_;
    QLineEdit* editProcent_;
    QCheckBox* checkUseNds_;
    QLineEdit* editNdsPercent_;
    QLineEdit* editNoUchet_;
    QFrame* buttons_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace orv::app
