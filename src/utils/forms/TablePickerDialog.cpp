#include "utils/forms/TablePickerDialog.h"

#include "db/Database.h"
#include "ui/Guarded.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace orv::utils {

TablePickerDialog::TablePickerDialog(const QString& caption, Rebind rebind, QWidget* parent)
    : QDialog(parent), rebind_(std::move(rebind)) {
    setWindowTitle(caption);
    resize(420, 360);
    LocalView = new QListWidget(this);
    LocalView->setObjectName(QStringLiteral("LocalView"));
    LocalView->setViewMode(QListView::IconMode);
    LocalView->setResizeMode(QListView::Adjust);
    LocalView->setMovement(QListView::Static);
    LocalView->setGridSize(QSize(110, 56));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("Таблица:"), this));
    nameRow->addWidget(Edit1, 1);
    auto* aliasRow = new QHBoxLayout;
    aliasRow->addWidget(new QLabel(QStringLiteral("Псевдоним:"), this));
    aliasRow->addWidget(ComboBox1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LocalView, 1);
    layout->addLayout(nameRow);
    layout->addLayout(aliasRow);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(LocalView, &QListWidget::itemClicked, this, &TablePickerDialog::LocalViewClick);
    connect(LocalView, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        LocalViewClick(item);
        accept();
    });
    connect(ComboBox1, &QComboBox::textActivated, this, [this] { ComboBox1Change(); });
}

void TablePickerDialog::setAliases(const QStringList& names, const QString& current) {
    const QSignalBlocker block(ComboBox1);
    ComboBox1->clear();
    ComboBox1->addItems(names);
    ComboBox1->setCurrentText(current);
}

QString TablePickerDialog::alias() const { return ComboBox1->currentText(); }
QString TablePickerDialog::tableName() const { return Edit1->text(); }
void TablePickerDialog::setTableName(const QString& name) { Edit1->setText(name); }

int TablePickerDialog::run() {
    FormShow();
    return exec();
}

void TablePickerDialog::FormShow() { ComboBox1Change(); }

void TablePickerDialog::ComboBox1Change() {
    names_.clear();
    LocalView->setSortingEnabled(false);
    LocalView->clear();
    if (!ui::guarded(this, [this] { names_ = rebind_(alias()).tableNames(); })) return;
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const QString& name : names_) new QListWidgetItem(icon, name, LocalView);
    LocalView->sortItems();
}

void TablePickerDialog::LocalViewClick(QListWidgetItem* item) {
    if (item) Edit1->setText(item->text());
}

}  // namespace orv::utils
