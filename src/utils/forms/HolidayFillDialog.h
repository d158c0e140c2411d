#pragma once
// TForm8 "Заполнение": the year of the days-off fill, four required digits in MaskEditYear,
// with OK and Cancel. A year that was edited but holds fewer than four digits is refused when
// the dialog is confirmed ("Invalid input value.  Use escape key to abandon changes") and the
// dialog stays open; a field never touched confirms and reads as 0. Keeps its value between
// uses.

#include <QDialog>

class QLineEdit;

namespace orv::utils {

class TForm8 : public QDialog {
    Q_OBJECT

  public:
    explicit TForm8(QWidget* parent = nullptr);

    // The raw text of the year field: a blank for every position left empty.
    QString yearText() const;

    void accept() override;

  private:
    QLineEdit* MaskEditYear;
};

}  // namespace orv::utils
