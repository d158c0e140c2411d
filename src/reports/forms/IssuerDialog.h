#pragma once
// The dialog "Реквизиты для счетов": the issuer's seven texts printed on every invoice, read
// from the settings store when shown and stored on OK. A store that cannot be read or written
// shows its message; nothing is stored then.

#include "core/SettingsStore.h"

#include <QDialog>
#include <QList>

class QLineEdit;

namespace orv::reports {

class TFormIssuer : public QDialog {
    Q_OBJECT

  public:
    TFormIssuer(core::SettingsStore& store, QWidget* parent = nullptr);

    // Loads the texts and shows the dialog modally.
    int showModal();
    void OkClick();

  private:
    core::SettingsStore& store_;
    QList<QLineEdit*> edits_;  // in the order of issuerSettings()
};

}  // namespace orv::reports
