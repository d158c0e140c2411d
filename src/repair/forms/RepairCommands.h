#pragma once
// The table commands of the main window's "Утилиты" menu: N9 "Слияние таблиц" (N9Click, the
// merge of everyday tables) and N8 "Восстановление таблиц" (N8Click, the verify and rebuild
// window after the notice to close the call collector). installRepair() creates the repair
// window once, at program start, and the merge with its QueryUnion, as children of the window.

#include "ui/MainWindowHost.h"
#include "utils/TableMerge.h"

#include <QObject>
#include <functional>

namespace orv::repair {

class TMainFormRepair;

class RepairCommands : public QObject {
    Q_OBJECT

  public:
    explicit RepairCommands(ui::MainWindowHost& window);

    void N9Click();
    void N8Click();

    TMainFormRepair* repairForm() const { return repairForm_; }
    utils::TableMerge& merge() { return merge_; }
    // Test seams: the multi-file dialog of the merge (the chosen files in the dialog's order,
    // empty = cancel) and the notice before the repair window.
    void setFilesChooser(std::function<QStringList(QWidget*, const QString& folder)> chooser) {
        chooseFiles_ = std::move(chooser);
    }
    void setNotice(std::function<void(QWidget*, const QString&)> notice) {
        notice_ = std::move(notice);
    }

  private:
    ui::MainWindowHost& window_;
    utils::TableMerge merge_;
    TMainFormRepair* repairForm_;
    std::function<QStringList(QWidget*, const QString&)> chooseFiles_;
    std::function<void(QWidget*, const QString&)> notice_;
};

// Creates the commands' object as a child of the window and connects N8 and N9.
RepairCommands& installRepair(ui::MainWindowHost& window);

}  // namespace orv::repair
