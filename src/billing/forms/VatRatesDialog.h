#pragma once
// TFormVatRates, the dialog "Ставки НДС" opened by the button "НДС…" of the settings dialog:
// the table of VAT rates by start date, oldest first, and a row to add a rate from a date or
// replace the one starting on it. A percent that is no number or lies outside 0..100 is refused
// with its message and changes nothing; the table is shown again after every change.

#include <QDialog>

class QDateEdit;
class QLineEdit;
class QTableWidget;

namespace orv::db {
class Database;
}

namespace orv::billing {

class TFormVatRates : public QDialog {
    Q_OBJECT

  public:
    TFormVatRates(db::Database& db, QWidget* parent = nullptr);

    // Reads the table and shows the dialog modally; a table that cannot be read is shown as an
    // error instead.
    void showModal();
    // "Добавить или заменить".
    void SetRateClick();

  private:
    void fillGrid();

    db::Database& db_;
    QTableWidget* grid_;
    QDateEdit* editFrom_;
    QLineEdit* editPercent_;
};

}  // namespace orv::billing
