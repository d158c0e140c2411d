#pragma once
// TForm10, "Экспорт в таблицу": picks the alias and the name of the table the table editor's
// exports write. Its alias selector rebinds the editor's writing connection DatabaseOut.

#include "utils/forms/TablePickerDialog.h"

namespace orv::utils {

class TForm10 : public TablePickerDialog {
    Q_OBJECT

  public:
    explicit TForm10(Rebind rebindOut, QWidget* parent = nullptr);
};

}  // namespace orv::utils
