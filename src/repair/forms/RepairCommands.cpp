#include "repair/forms/RepairCommands.h"

#include "db/Database.h"
#include "repair/forms/RepairForm.h"
#include "ui/WaitCursor.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

namespace orv::repair {
namespace {

QStringList openTableFiles(QWidget* parent, const QString& folder) {
    return QFileDialog::getOpenFileNames(parent, {}, folder);
}

// The tables of a server to merge, picked from its list (several at once), in the list's order.
QStringList chooseServerTables(QWidget* parent, const QStringList& tables) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("MergeTablesDialog"));
    dialog.setWindowTitle(QStringLiteral("Слияние таблиц"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Выберите не менее двух таблиц:"), &dialog));
    auto* list = new QListWidget(&dialog);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->addItems(tables);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return {};
    QStringList chosen;
    for (int row = 0; row < list->count(); ++row)
        if (list->item(row)->isSelected()) chosen.append(list->item(row)->text());
    return chosen;
}

void showNotice(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QCoreApplication::applicationName(), text);
}

}  // namespace

RepairCommands::RepairCommands(ui::MainWindowHost& window)
    : QObject(window.widget()),
      window_(window),
      merge_(window.tarifEveryday()),
      repairForm_(new TMainFormRepair(window.aliases(), window.widget())),
      chooseFiles_([&window](QWidget* parent, const QString& folder) {
          db::Database& everyday = window.tarifEveryday();
          return everyday.isServer() ? chooseServerTables(parent, everyday.tableNames())
                                     : openTableFiles(parent, folder);
      }),
      notice_(showNotice) {
    setObjectName(QStringLiteral("RepairCommands"));
}

void RepairCommands::N9Click() {
    if (merge_.queryUnion().isOpen()) merge_.queryUnion().close();
    const QStringList files = chooseFiles_(window_.widget(), window_.tarifEveryday().folder());
    if (files.size() < 2) return;
    const ui::WaitCursor wait;
    merge_.merge(files);
}

void RepairCommands::N8Click() {
    notice_(window_.widget(), QStringLiteral("Закройте \"SelvikTerminal\" и нажмите OK"));
    repairForm_->exec();
    if (!repairForm_->tableReplaced()) return;
    // A rebuilt table is a new file: attachments to the old one are dropped so that the next
    // statement reads the new one.
    repairForm_->clearTableReplaced();
    window_.freeGrid();
    window_.tarifStandard().detachUnused();
    window_.tarifEveryday().detachUnused();
}

RepairCommands& installRepair(ui::MainWindowHost& window) {
    auto* commands = new RepairCommands(window);
    window.connectCommand(ui::Command::N9, [commands] { commands->N9Click(); });
    window.connectCommand(ui::Command::N8, [commands] { commands->N8Click(); });
    return *commands;
}

}  // namespace orv::repair
