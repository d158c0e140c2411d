#pragma once
// Qt's own texts in Russian: the standard buttons ("Да", "Отмена"), file dialogs, completers
// and the print preview speak the program's language whatever the user's locale says.

class QCoreApplication;

namespace orv::ui {

// Loads Qt's Russian translation (qtbase_ru.qm from Qt's translations folder) into the
// application; false when the file is missing, and Qt then keeps its English texts.
bool installQtTranslations(QCoreApplication& application);

}  // namespace orv::ui
