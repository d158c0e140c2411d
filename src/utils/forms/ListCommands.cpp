#include "utils/forms/ListCommands.h"

#include "core/Error.h"
#include "utils/ListTextFile.h"
#include "utils/NumberLists.h"
#include "utils/forms/ListEditor.h"
#include "utils/forms/ListsInUse.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalBlocker>

namespace orv::utils {

ListCommands::ListCommands(ui::MainWindowHost& window)
    : QObject(window.widget()),
      window_(window),
      checkBox1_(window.listCheckBox()),
      comboBoxList_(window.listComboBox()),
      form11_(new TForm11([&window] { return window.startDirectory(); }, window.widget())),
      form2_(new TForm2([&window] { return window.startDirectory(); },
                        [this](const QStringList& names) { setSelectorItems(names); },
                        window.widget())) {
    setObjectName(QStringLiteral("ListCommands"));
    comboBoxList_->setEditable(true);
    comboBoxList_->setInsertPolicy(QComboBox::NoInsert);
    connect(comboBoxList_, &QComboBox::currentTextChanged, this,
            [this] { window_.runCommand([this] { ComboBoxListChange(); }); });
    connect(checkBox1_, &QCheckBox::toggled, this,
            [this] { window_.runCommand([this] { CheckBox1Click(); }); });
}

void ListCommands::loadSelectorItems(const QString& path) {
    try {
        setSelectorItems(
            readListLines(findFileNoCase(QFileInfo(path).path(), QFileInfo(path).fileName())));
    } catch (const Error&) {
        // A missing or unreadable list of lists leaves the selector as it is.
    }
}

void ListCommands::setSelectorItems(const QStringList& names) {
    const QSignalBlocker blocker(comboBoxList_);
    comboBoxList_->clear();
    comboBoxList_->addItems(names);
    comboBoxList_->setCurrentIndex(-1);
    comboBoxList_->setEditText(QString());
}

bool ListCommands::hasSelectedList() const {
    const int index = comboBoxList_->currentIndex();
    return index >= 0 && comboBoxList_->itemText(index) == comboBoxList_->currentText();
}

void ListCommands::N10Click() {
    form2_->FormShow();
    form2_->exec();
    form2_->FormClose();
    form2_->FormHide();
}

void ListCommands::N6Click() {
    form11_->FormShow();
    form11_->exec();
    form11_->FormHide();
}

void ListCommands::ComboBoxListChange() {
    if (!hasSelectedList()) return;
    const QString path = listFilePath(window_.startDirectory(), comboBoxList_->currentText());
    const QStringList lines = readListLines(path);
    const std::optional<db::RecordFilter> filter = listFilter(lines, path);
    if (!filter) return;
    window_.listNumbers() = lines;
    receivers_.setFilter(*filter);
}

void ListCommands::CheckBox1Click() {
    if (checkBox1_->isChecked() && !hasSelectedList()) {
        checkBox1_->setChecked(false);  // runs this handler again, unticked
        return;
    }
    receivers_.setFiltered(checkBox1_->isChecked());
}

ListCommands& installNumberLists(ui::MainWindowHost& window) {
    auto* commands = new ListCommands(window);
    commands->loadSelectorItems(QDir::current().filePath(QLatin1String(kFirmListFile)));
    window.addShowStep([commands, &window] {
        commands->loadSelectorItems(window.startDirectory() + QStringLiteral("/main.slst"));
    });
    window.connectCommand(ui::Command::N78791, [commands] { commands->N10Click(); });
    window.connectCommand(ui::Command::N13, [commands] { commands->N6Click(); });
    window.listCheckBox()->setEnabled(true);
    window.listComboBox()->setEnabled(true);
    return *commands;
}

}  // namespace orv::utils
