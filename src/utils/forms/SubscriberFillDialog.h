#pragma once
// TForm5 "Заполнение": the values of the subscriber fill: the number range "С Номера" and
// "По Номер" (seven optional digits each), the tag "Признак" and the presence "Наличие"
// (editable lists: any other text may be typed). The dialog has no title-bar buttons; it closes
// through OK (the default button), Cancel or Escape, and keeps its values between uses.

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace orv::utils {

class TForm5 : public QDialog {
    Q_OBJECT

  public:
    explicit TForm5(QWidget* parent = nullptr);

    // The raw texts of the number fields: a blank for every position left empty.
    QString numberFromText() const;
    QString numberToText() const;
    QString priznak() const;
    QString exist() const;

  private:
    QLineEdit* MaskEditNumberFrom;
    QLineEdit* MaskEditNumberTo;
    QComboBox* ComboBoxPrizn;
    QComboBox* ComboBoxExist;
};

}  // namespace orv::utils
