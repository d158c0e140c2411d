#pragma once
// TForm9, "Открыть Таблицу": picks the alias and the table the table editor reads. Its alias
// selector rebinds the editor's reading connection DatabaseIn; the text of its name field is
// the editor's current table name (opening, clearing and exporting a table use it).

#include "utils/forms/TablePickerDialog.h"

namespace orv::utils {

class TForm9 : public TablePickerDialog {
    Q_OBJECT

  public:
    explicit TForm9(Rebind rebindIn, QWidget* parent = nullptr);
};

}  // namespace orv::utils
