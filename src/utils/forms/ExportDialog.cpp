#include "utils/forms/ExportDialog.h"

namespace orv::utils {

TForm10::TForm10(Rebind rebindOut, QWidget* parent)
    : TablePickerDialog(QStringLiteral("Экспорт в таблицу"), std::move(rebindOut), parent) {
    setObjectName(QStringLiteral("Form10"));
}

}  // namespace orv::utils
