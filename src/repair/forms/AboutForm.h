#pragma once
// TAboutForm: the About box of the table utility, shown modally from the repair window.

#include <QDialog>

namespace orv::repair {

class TAboutForm : public QDialog {
    Q_OBJECT

  public:
    explicit TAboutForm(QWidget* parent = nullptr);
};

}  // namespace orv::repair
