#pragma once
// The number lists in the main window: the lists sub-menu's N78791 "Используемые списки"
// (N10Click, TForm2) and N13 "Редактор списков" (N6Click, TForm11), and the selection panel's
// list filter, CheckBox1 "По списку" (CheckBox1Click) and the selector ComboBoxList
// (ComboBoxListChange).
//
// Choosing a list reads its file (the start directory, the list's name and ".lst", found
// without regard to case) into the window's ListNumbers and sets its filter on every receiver;
// ticking CheckBox1 switches the filter on for all of them, and open views re-filter at once.
// A list that cannot be read, is empty, or holds a line that is not a number changes nothing:
// the error is shown ("Не удалось открыть файл ...", "Неправильный номер в списке ...") and the
// filter stays as it was. Typed text that names no item is not a choice.
//
// The selector is filled from FirmList.txt in the program's folder when this object is made,
// then from main.slst in the start directory when the window is first shown (either missing is
// no error), and again each time TForm2 closes; filling it chooses nothing.

#include "ui/MainWindowHost.h"
#include "utils/ListFilterReceivers.h"

#include <QObject>

class QCheckBox;
class QComboBox;

namespace orv::utils {

class TForm11;
class TForm2;

class ListCommands : public QObject {
    Q_OBJECT

  public:
    explicit ListCommands(ui::MainWindowHost& window);

    void N10Click();
    void N6Click();
    void ComboBoxListChange();
    void CheckBox1Click();

    // Receivers of the filter, reached in the order added (QueryAll, QueryCity, QueryMG,
    // QueryDolg, QueryReport).
    void addFilterReceiver(ListFilterReceiver receiver) { receivers_.add(std::move(receiver)); }
    const ListFilterReceivers& receivers() const { return receivers_; }

    // Replaces the selector's items, leaving none chosen and the filters as they are.
    void setSelectorItems(const QStringList& names);
    // Whether the selector's text is one of its items, chosen.
    bool hasSelectedList() const;

    // Fills the selector from a list-of-lists file found without regard to case; a file that
    // is missing or cannot be read leaves it as it is.
    void loadSelectorItems(const QString& path);

    TForm11* listEditor() const { return form11_; }
    TForm2* listsInUse() const { return form2_; }

  private:
    ui::MainWindowHost& window_;
    QCheckBox* checkBox1_;
    QComboBox* comboBoxList_;
    ListFilterReceivers receivers_;
    TForm11* form11_;
    TForm2* form2_;
};

// Creates the commands' object and both list windows as children of the window, fills the
// selector from FirmList.txt, adds the FormShow step that reads main.slst, connects N78791 and
// N13 and enables CheckBox1 and ComboBoxList.
ListCommands& installNumberLists(ui::MainWindowHost& window);

}  // namespace orv::utils
