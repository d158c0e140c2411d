#include "utils/forms/TableEditor.h"

#include "core/Error.h"
#include "ui/ErrorBox.h"
#include "ui/GridColumns.h"
#include "ui/Guarded.h"
#include "ui/QueryModel.h"
#include "ui/WaitCursor.h"
#include "ui/XlsxSave.h"
#include "utils/TableEditModel.h"
#include "utils/TableExport.h"
#include "utils/XlsxExport.h"
#include "utils/forms/ExportDialog.h"
#include "utils/forms/OpenTableDialog.h"
#include "utils/forms/SqlWindow.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

namespace orv::utils {
namespace {

const QString kStandard = QLatin1String(db::kStandardAlias);

struct NavButton {
    const char* caption;
    const char* hint;
};

// The record navigator's buttons, in order, with their tool tips.
constexpr NavButton kNavButtons[] = {
    {"|<", "Первая запись"},         {"<", "Предыдущая запись"},
    {">", "Следующая запись"},       {">|", "Последняя запись"},
    {"+", "Вставить запись"},        {"-", "Удалить запись"},
    {"^", "Редактировать запись"},   {"\u2713", "Запомнить изменения"},
    {"\u2717", "Отменить изменеия"}, {"\u21bb", "Освежить данные"},
};

QList<core::ViewColumn> columnsOf(const db::Query& query) {
    QList<core::ViewColumn> columns;
    for (const db::FieldDef& f : query.fields()) columns.append({f.name, f.name});
    return columns;
}

}  // namespace

TForm7::TForm7(const db::Aliases& aliases, QWidget* parent)
    : QDialog(parent),
      aliases_(aliases),
      aliasIn_(kStandard),
      aliasOut_(kStandard),
      databaseIn_(
          std::make_unique<db::Database>(QStringLiteral("LocalIn"), aliases_.path(kStandard))),
      databaseOut_(
          std::make_unique<db::Database>(QStringLiteral("LocalOut"), aliases_.path(kStandard))),
      table1_(new TableEditModel(this)),
      query1_(*databaseIn_),
      form9_(new TForm9([this](const QString& a) -> db::Database& { return rebindIn(a); }, this)),
      form10_(
          new TForm10([this](const QString& a) -> db::Database& { return rebindOut(a); }, this)) {
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Редактор таблиц"));
    setSizeGripEnabled(true);
    resize(760, 520);

    auto* tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("ToolBar1"));
    ToolButton1 = addTool(QStringLiteral("ToolButton1"), QStringLiteral("Открыть"),
                          QStringLiteral("Открыть таблицу"), &TForm7::ToolButton1Click);
    ToolButton2 = addTool(QStringLiteral("ToolButton2"), QStringLiteral("Очистить"),
                          QStringLiteral("Очистить таблицу"), &TForm7::ToolButton2Click);
    ToolButton3 = addTool(QStringLiteral("ToolButton3"), QStringLiteral("Запрос"),
                          QStringLiteral("Выполнить Запрос SQL"), &TForm7::ToolButton3Click);
    ToolButton5 = addTool(QStringLiteral("ToolButton5"), QStringLiteral("Экспорт таблицы"),
                          QStringLiteral("Экспорт таблицы"), &TForm7::ToolButton5Click);
    ToolButton6 = addTool(QStringLiteral("ToolButton6"), QStringLiteral("Экспорт результата"),
                          QStringLiteral("Экспорт результата в окне"), &TForm7::ToolButton6Click);
    ToolButton7 = addTool(QStringLiteral("ToolButton7"), QStringLiteral("Excel"),
                          QStringLiteral("Сохранить в Excel…"), &TForm7::ToolButton7Click);
    ToolButton4 = addTool(QStringLiteral("ToolButton4"), QStringLiteral("Закрыть"),
                          QStringLiteral("Закрыть таблицу"), &TForm7::ToolButton4Click);
    for (QToolButton* b : {ToolButton1, ToolButton2, ToolButton3, ToolButton5, ToolButton6,
                           ToolButton7, ToolButton4})
        tools->addWidget(b);

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setTabKeyNavigation(true);
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 6);
    DBGrid1->verticalHeader()->setFixedWidth(22);
    connect(DBGrid1, &QTableView::clicked, this, [this] { DBGrid1CellClick(); });

    StaticText1 = new QLabel(this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setFrameShape(QFrame::Panel);
    StaticText1->setFrameShadow(QFrame::Sunken);
    StaticText2 = new QLabel(this);
    StaticText2->setObjectName(QStringLiteral("StaticText2"));
    StaticText2->setFrameShape(QFrame::Panel);
    StaticText2->setFrameShadow(QFrame::Sunken);
    auto* strip = new QHBoxLayout;
    strip->addWidget(StaticText1, 1);
    strip->addWidget(StaticText2, 1);

    buildNavigator();
    ButtonExit = new QPushButton(QStringLiteral("Выход"), this);
    ButtonExit->setObjectName(QStringLiteral("ButtonExit"));
    ButtonExit->setAutoDefault(false);
    connect(ButtonExit, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(DBNavigator1);
    bottom->addStretch(1);
    bottom->addWidget(ButtonExit);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(tools);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(strip);
    layout->addLayout(bottom);

    connect(
        table1_, &TableEditModel::refused, this,
        [this](const QString& message) {
            QMessageBox::warning(this, QCoreApplication::applicationName(), message);
        },
        Qt::QueuedConnection);
    connect(table1_, &TableEditModel::stateChanged, this, [this] {
        updateNavigator();
        if (!showsQuery_ && table1_->isOpen()) Table1AfterOpen();
    });
    showTable();
}

TForm7::~TForm7() = default;

QToolButton* TForm7::addTool(const QString& name, const QString& caption, const QString& hint,
                             void (TForm7::*handler)()) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(caption);
    button->setToolTip(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this,
            [this, handler] { run([this, handler] { (this->*handler)(); }); });
    return button;
}

void TForm7::buildNavigator() {
    DBNavigator1 = new QToolBar(this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    int i = 0;
    for (const NavButton& b : kNavButtons) {
        QAction* action = DBNavigator1->addAction(QString::fromUtf8(b.caption));
        action->setToolTip(QString::fromUtf8(b.hint));
        const Nav nav = static_cast<Nav>(i++);
        connect(action, &QAction::triggered, this,
                [this, nav] { run([this, nav] { navigate(nav); }); });
        navigator_.append(action);
    }
}

void TForm7::run(const std::function<void()>& body) { ui::guarded(this, body); }

void TForm7::connectGrid() {
    connect(DBGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                currentRowChanged(current.row(), previous.row());
            });
}

void TForm7::showTable() {
    showsQuery_ = false;
    DBGrid1->setModel(table1_);
    ui::keepColumnsFitted(DBGrid1);
    DBGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    connectGrid();
    updateNavigator();
}

void TForm7::showQuery() {
    showsQuery_ = true;
    ui::QueryModel* old = queryModel_;
    queryModel_ = new ui::QueryModel(query1_, columnsOf(query1_), QLocale(), this);
    DBGrid1->setModel(queryModel_);
    ui::keepColumnsFitted(DBGrid1);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    delete old;
    connectGrid();
    updateNavigator();
}

void TForm7::updateNavigator() {
    const bool table = !showsQuery_ && table1_->isOpen();
    const bool editing = table && table1_->editRow() >= 0;
    for (int i = 0; i < navigator_.size(); ++i) {
        const Nav nav = static_cast<Nav>(i);
        const bool changes =
            nav == Nav::Insert || nav == Nav::Delete || nav == Nav::Edit || nav == Nav::Refresh;
        const bool pending = nav == Nav::Post || nav == Nav::Cancel;
        navigator_[i]->setEnabled(pending   ? editing
                                  : changes ? table
                                            : DBGrid1->model()->rowCount() > 0);
    }
}

// Leaving a row posts it; an inserted row left empty is dropped; a refused post keeps the row.
void TForm7::currentRowChanged(int current, int previous) {
    if (showsQuery_ || previous < 0 || previous == current) return;
    if (table1_->editRow() != previous) return;
    if (table1_->insertIsEmpty()) {
        table1_->cancel();
        return;
    }
    try {
        table1_->post();
    } catch (const Error& e) {
        const QModelIndex back =
            table1_->index(previous, std::max(0, DBGrid1->currentIndex().column()));
        QTimer::singleShot(0, this, [this, back, message = e.message()] {
            DBGrid1->setCurrentIndex(back);
            ui::showErrorBox(this, message);
        });
    }
}

void TForm7::navigate(Nav action) {
    QAbstractItemModel* model = DBGrid1->model();
    const QModelIndex at = DBGrid1->currentIndex();
    const int column = std::max(0, at.column());
    const int rows = model->rowCount();
    auto go = [&](int row) {
        if (rows == 0) return;
        DBGrid1->setCurrentIndex(model->index(std::clamp(row, 0, rows - 1), column));
        DBGrid1CellClick();
    };
    switch (action) {
        case Nav::First:
            go(0);
            break;
        case Nav::Prior:
            go(at.row() - 1);
            break;
        case Nav::Next:
            go(at.row() + 1);
            break;
        case Nav::Last:
            go(rows - 1);
            break;
        case Nav::Insert: {
            if (table1_->editRow() >= 0) table1_->post();
            const int row = table1_->insertRecord();
            DBGrid1->setCurrentIndex(table1_->index(row, 0));
            DBGrid1->scrollTo(table1_->index(row, 0));
            DBGrid1->edit(table1_->index(row, 0));
            break;
        }
        case Nav::Delete:
            if (at.isValid() && confirm(QStringLiteral("Удалить запись?")))
                table1_->deleteRecord(at.row());
            break;
        case Nav::Edit:
            if (at.isValid()) {
                table1_->edit(at.row());
                DBGrid1->edit(at);
            }
            break;
        case Nav::Post:
            table1_->post();
            break;
        case Nav::Cancel:
            table1_->cancel();
            break;
        case Nav::Refresh:
            table1_->refresh();
            break;
    }
}

bool TForm7::confirm(const QString& question) {
    return QMessageBox::question(this, QCoreApplication::applicationName(), question,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

db::Database& TForm7::rebindIn(const QString& alias) {
    closeGridDataSet();
    // Query1's statement holds the tables it names attached; let go of them before rebinding.
    query1_.close();
    query1_.unprepare();
    inConnected_ = false;
    databaseIn_->rebind(aliases_.path(alias));
    inConnected_ = true;
    aliasIn_ = alias;
    return *databaseIn_;
}

db::Database& TForm7::connectedIn() {
    if (!inConnected_)
        orv::raise(Error::Kind::Engine, QStringLiteral("База данных LocalIn не подключена"));
    return *databaseIn_;
}

db::Database& TForm7::rebindOut(const QString& alias) {
    closeGridDataSet();
    databaseOut_->rebind(aliases_.path(alias));
    aliasOut_ = alias;
    return *databaseOut_;
}

void TForm7::closeGridDataSet() {
    if (showsQuery_) {
        query1_.close();
        if (queryModel_) queryModel_->refresh();
    } else {
        offerToSave();
        closeTable();
    }
}

void TForm7::offerToSave() {
    if (table1_->state() != TableEditModel::State::Edit) return;
    if (confirm(QStringLiteral("Сохранить изменения"))) table1_->post();
}

void TForm7::closeTable() {
    if (!table1_->isOpen()) return;
    table1_->close();
    Table1AfterClose();
}

void TForm7::openTable(const QString& name) {
    closeTable();
    db::Database& in = connectedIn();
    table1_->open(in, existingTable(in, name));
    showTable();
    Table1AfterOpen();
}

void TForm7::ToolButton1Click() {
    if (form9_->run() != QDialog::Accepted || form9_->tableName().isEmpty()) return;
    const ui::WaitCursor wait;
    openTable(form9_->tableName());
}

void TForm7::ToolButton2Click() {
    if (!confirm(QStringLiteral("Вы действительно хотите очистить таблицу"))) return;
    const QString name = form9_->tableName();
    closeTable();
    clearTable(*databaseIn_, name);
    openTable(name);
}

void TForm7::ToolButton3Click() {
    query1_.setSql(QString());
    if (queryModel_) queryModel_->refresh();
    if (!sqlWindow_ || sqlWindow_->exec() != TForm3::Ok) return;
    query1_.close();
    query1_.setSql(sqlWindow_->lines());
    std::optional<QString> failure;
    {
        const ui::WaitCursor wait;
        try {
            connectedIn();
            query1_.open();
        } catch (const Error& e) {
            failure = e.message();
        }
    }
    // A refused statement leaves the grid on its previous data set.
    if (failure) {
        showWrongSet(this, *failure);
        return;
    }
    showQuery();
    Table1AfterOpen();
}

void TForm7::ToolButton4Click() {
    if (table1_->isOpen()) {
        offerToSave();
        closeTable();
    }
    query1_.close();
    if (showsQuery_) showTable();
}

bool TForm7::mayReplace(const QString& target) {
    if (!targetExists(*databaseOut_, target)) return true;
    return confirm(
        QStringLiteral("Таблица %1 уже существует. Заменить?").arg(newTableName(target)));
}

void TForm7::ToolButton5Click() {
    if (form9_->run() != QDialog::Accepted || form9_->tableName().isEmpty()) return;
    if (form10_->run() != QDialog::Accepted || form10_->tableName().isEmpty()) return;
    const QString source = existingTable(*databaseIn_, form9_->tableName());
    const QString target = form10_->tableName();
    if (!mayReplace(target)) return;
    const ui::WaitCursor wait;
    closeTable();
    copyTable(*databaseIn_, source, *databaseOut_, target, Indexes::Copy);
    openTable(source);
}

void TForm7::ToolButton6Click() {
    const bool query = showsQuery_;
    const QString table = table1_->tableName();
    if (form10_->run() != QDialog::Accepted || form10_->tableName().isEmpty()) return;
    const QString target = form10_->tableName();
    if (!mayReplace(target)) return;
    const ui::WaitCursor wait;
    if (query) {
        query1_.open();
        exportResult(query1_, *databaseOut_, target);
        showQuery();
        Table1AfterOpen();
    } else {
        if (table.isEmpty())
            orv::raise(Error::Kind::Refused, QStringLiteral("Нет открытого набора данных"));
        copyTable(*databaseIn_, table, *databaseOut_, target, Indexes::Omit);
        openTable(table);
    }
}

void TForm7::ToolButton7Click() {
    if (showsQuery_) {
        if (!query1_.isOpen())
            orv::raise(Error::Kind::Refused, QStringLiteral("Нет открытого набора данных"));
        ui::saveGridAsXlsx(this, query1_, fieldColumns(query1_), QStringLiteral("Запрос"));
        return;
    }
    const QString table = table1_->tableName();
    if (table.isEmpty() || !table1_->isOpen())
        orv::raise(Error::Kind::Refused, QStringLiteral("Нет открытого набора данных"));
    const QString name = existingTable(*databaseIn_, table);
    db::Query rows(*databaseIn_, QStringLiteral("SELECT * FROM %1").arg(name));
    rows.open();
    ui::saveGridAsXlsx(this, rows, fieldColumns(rows), name);
}

void TForm7::Table1AfterOpen() {
    const qint64 count = showsQuery_ ? query1_.recordCount() : table1_->recordCount();
    StaticText2->setText(QStringLiteral("Всего ") + QString::number(count));
}

void TForm7::Table1AfterClose() {
    StaticText1->clear();
    StaticText2->clear();
}

void TForm7::DBGrid1CellClick() {
    const QModelIndex at = DBGrid1->currentIndex();
    if (!at.isValid()) return;
    const qint64 count = showsQuery_ ? query1_.recordCount() : table1_->recordCount();
    StaticText1->setText(QStringLiteral("%1 из %2").arg(at.row() + 1).arg(count));
}

void TForm7::done(int result) {
    try {
        offerToSave();
    } catch (const Error&) {
        // Closing the editor goes on whatever the save does.
    }
    table1_->close();
    Table1AfterClose();
    QDialog::done(result);
}

}  // namespace orv::utils
