#pragma once
// TOKBottomDlg1, the payment dialog "Оплата": the subscriber number, the category, the amount
// due (found again on every change of the number or the category, shown as currency or
// "Не найден") and the amount paid. OK confirms the payment through the core (one transaction),
// Cancel or Esc closes it writing nothing. A refused confirmation shows its message; the dialog
// then closes with the OK result as well, and the caller refreshes its debt view.

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace orv::db {
class Database;
}

namespace orv::billing {

class TOKBottomDlg1 : public QDialog {
    Q_OBJECT

  public:
    explicit TOKBottomDlg1(db::Database& db, QWidget* parent = nullptr);

    // The number last read from the number field; kept between shows.
    qint64 currentNumber() const { return currentNumber_; }

    QLineEdit* maskEditNumber() const { return maskEditNumber_; }
    QComboBox* comboBoxPriznak() const { return comboBoxPriznak_; }
    QLineEdit* editDolg() const { return editDolg_; }
    QLineEdit* editPane() const { return editPane_; }
    QPushButton* okButton() const { return okBtn_; }
    QPushButton* cancelButton() const { return cancelBtn_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void FormShow();
    void MaskEditNumberChange();
    void OKBtnClick();

    db::Database& db_;
    qint64 currentNumber_ = 0;
    QLineEdit* maskEditNumber_;
    QComboBox* comboBoxPriznak_;
    QLineEdit* editDolg_;
    QLineEdit* editPane_;
    QPushButton* okBtn_;
    QPushButton* cancelBtn_;
};

}  // namespace orv::billing
