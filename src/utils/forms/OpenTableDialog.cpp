#include "utils/forms/OpenTableDialog.h"

namespace orv::utils {

TForm9::TForm9(Rebind rebindIn, QWidget* parent)
    : TablePickerDialog(QStringLiteral("Открыть Таблицу"), std::move(rebindIn), parent) {
    setObjectName(QStringLiteral("Form9"));
}

}  // namespace orv::utils
