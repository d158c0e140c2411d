#include "app/forms/MainWindow.h"

#include "app/forms/HelpWindow.h"
#include "app/forms/SettingsDialog.h"
#include "app/forms/Splash.h"
#include "billing/VatRates.h"
#include "core/Clock.h"
#include "db/Schema.h"
#include "db/ServerAddress.h"
#include "ui/GridColumns.h"
#include "ui/Guarded.h"
#include "ui/WaitCursor.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <pwd.h>
#include <unistd.h>

#include <iterator>
#include <utility>

namespace orv::app {
namespace {

const char kHelpContext[] = "helpContext";

// A drop-down tool button whose Alt key opens its menu: the body of the button keeps its own
// click (nothing for the buttons without a handler).
class DropDownButton : public QToolButton {
  public:
    using QToolButton::QToolButton;

  protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::Shortcut) {
            showMenu();
            return true;
        }
        return QToolButton::event(event);
    }
};

// A caption shown as it is, without a mnemonic.
QString literal(const QString& caption) {
    QString text = caption;
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

// The log-on name of the user, at most 29 characters.
QString logOnName() {
    QString name;
    if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_name)
        name = QString::fromLocal8Bit(entry->pw_name);
    if (name.isEmpty()) name = qEnvironmentVariable("USER");
    return name.left(29);
}

QLineEdit* maskedEdit(QWidget* parent, const char* name, const QString& mask, int helpContext) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setInputMask(mask);
    edit->setProperty(kHelpContext, helpContext);
    return edit;
}

// The raw text of a masked edit: literals kept, a blank for every position left empty.
QString rawText(const QLineEdit* edit) {
    QString text = edit->displayText();
    return text.replace(QLatin1Char('_'), QLatin1Char(' '));
}

}  // namespace

TForm1::TForm1(ProgramData& data, QWidget* parent) : QMainWindow(parent), data_(data) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Тарификация Orvanta"));
    resize(766, 510);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = rect();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }

    buildToolBars();
    auto* centre = new QWidget(this);
    auto* layout = new QHBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildGrid();
    layout->addWidget(grid_, 1);
    layout->addWidget(buildSelectionPanel());
    setCentralWidget(centre);
    buildStatusBar();

    FormCreate();
    splash_ = new TForm6(this);
    settingsDialog_ =
        new TFormSettings([this](const core::VatSettings& vat) { changeVat(vat); }, this);
    connectOwnCommands();
}

void TForm1::connectOwnCommands() {
    using enum ui::Command;
    connectCommand(ToolButtonSettings, [this] { ToolButtonSettingsClick(); });
    connectCommand(Help, [this] { HelpClick(); });
    connectCommand(ToolButtonExit, [this] { close(); });
    connect(grid_, &QTableView::clicked, this,
            [this](const QModelIndex& index) { DBGrid1CellClick(index); });
}

// The grid's model goes with the children, after this window's members: it is unbound first.
TForm1::~TForm1() { bindGrid(nullptr, QString()); }

void TForm1::FormCreate() {
    ui::guarded(this, [this] { db::schema::createMissingStartupTables(tarifStandard()); });
}

void TForm1::FormShow() {
    if (shown_) return;
    shown_ = true;
    startDirectory_ = QDir::currentPath();
    {
        ui::WaitCursor wait;
        if (splash_) {
            splash_->show();
            splash_->repaint();
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        }
        // Dates and times need no global format: the program reads and writes them only through
        // core::dateFromText/dateText and core::timeFromText/timeText, in dd.mm.yyyy and hh:mm:ss.
        delete splash_;
    }
    setStatusText(2, QStringLiteral("Пользователь: ") + logOnName());
    setStatusText(3, QStringLiteral("Версия: ") + QStringLiteral(ORVANTA_VERSION));
    const QString place = tarifStandard().folder();
    dataPlace_->setText(
        QStringLiteral("Данные: ") +
        (db::ServerAddress::isAddress(place)
             ? QStringLiteral("сервер PostgreSQL ") + db::ServerAddress::parse(place).display()
             : QDir::toNativeSeparators(place)));
    vat_ = core::readVat(settings_);
    for (const auto& step : showSteps_) step();
}

void TForm1::addShowStep(std::function<void()> step) { showSteps_.append(std::move(step)); }

void TForm1::addSettingsButton(const QString& caption, std::function<void()> handler) {
    settingsDialog_->addButton(caption, std::move(handler));
}

// --- commands ----------------------------------------------------------------------------------

QAction* TForm1::action(ui::Command command) const {
    return actions_.at(static_cast<size_t>(command));
}

void TForm1::connectCommand(ui::Command command, std::function<void()> handler) {
    QAction* target = action(command);
    connect(target, &QAction::triggered, this,
            [this, handler = std::move(handler)] { runCommand(handler); });
    target->setEnabled(true);
}

void TForm1::runCommand(const std::function<void()>& body) { ui::guarded(this, body); }

void TForm1::setCommandsEnabled(bool enabled) {
    for (QToolBar* bar : findChildren<QToolBar*>()) bar->setEnabled(enabled);
    if (!enabled) {
        for (QAction* action : actions_) {
            if (!action->isEnabled()) continue;
            action->setEnabled(false);
            heldDisabled_.append(action);
        }
        return;
    }
    for (QAction* action : std::as_const(heldDisabled_)) action->setEnabled(true);
    heldDisabled_.clear();
}

void TForm1::setRazg(const QString& caption, const QString& hint, std::function<void()> handler) {
    QAction* body = action(ui::Command::ToolButtonRazg);
    body->setText(literal(caption));
    body->setIconText(literal(caption));
    body->setToolTip(hint);
    razgHandler_ = std::move(handler);
}

QMenu* TForm1::addMenu(const QString& name, int helpContext) {
    auto* menu = new QMenu(this);
    menu->setObjectName(name);
    if (helpContext) menu->setProperty(kHelpContext, helpContext);
    menu->installEventFilter(this);
    return menu;
}

// One disabled action per command of the table, added to its drop-down menu.
void TForm1::buildActions() {
    QMenu* razg = addMenu(QStringLiteral("PopupMenuRazg"), 100);
    QMenu* utils = addMenu(QStringLiteral("PopupMenuUtils"), 500);
    QMenu* lists = addMenu(QStringLiteral("N12"), 500);
    lists->setTitle(QStringLiteral("Ра&бота со списками"));
    QMenu* dolg = addMenu(QStringLiteral("PopupMenuDolg"), 800);
    QMenu* report = addMenu(QStringLiteral("PopupMenuReport"), 0);
    QMenu* raschet = addMenu(QStringLiteral("PopupMenuRaschet"), 0);
    auto menuOf = [&](ui::Menu menu) -> QMenu* {
        switch (menu) {
            case ui::Menu::PopupMenuRazg:
                return razg;
            case ui::Menu::PopupMenuUtils:
                return utils;
            case ui::Menu::N12:
                return lists;
            case ui::Menu::PopupMenuDolg:
                return dolg;
            case ui::Menu::PopupMenuReport:
                return report;
            case ui::Menu::PopupMenuRaschet:
                return raschet;
            case ui::Menu::None:
                break;
        }
        return nullptr;
    };
    for (const ui::CommandInfo& info : ui::commandTable()) {
        auto* action = new QAction(QString::fromUtf8(info.caption), this);
        action->setObjectName(QLatin1String(info.name));
        if (*info.hint) action->setToolTip(QString::fromUtf8(info.hint));
        if (info.helpContext) action->setProperty(kHelpContext, info.helpContext);
        action->setEnabled(false);
        if (QMenu* menu = menuOf(info.menu)) menu->addAction(action);
        actions_.push_back(action);
        // The lists sub-menu follows the last utility that precedes it in the table.
        if (info.id == ui::Command::N9) utils->addMenu(lists);
    }
}

void TForm1::buildToolBars() {
    buildActions();
    auto* razg = findChild<QMenu*>(QStringLiteral("PopupMenuRazg"));
    auto* utils = findChild<QMenu*>(QStringLiteral("PopupMenuUtils"));
    auto* dolg = findChild<QMenu*>(QStringLiteral("PopupMenuDolg"));
    auto* report = findChild<QMenu*>(QStringLiteral("PopupMenuReport"));

    // The body of ToolButtonRazg repeats the last chosen view (F5 from the keyboard).
    QAction* razgBody = action(ui::Command::ToolButtonRazg);
    razgBody->setEnabled(true);
    razgBody->setShortcut(QKeySequence(Qt::Key_F5));
    addAction(razgBody);
    connect(razgBody, &QAction::triggered, this, [this] {
        if (razgHandler_) runCommand(razgHandler_);
    });

    // A plain button shows its action's caption with the mnemonic.
    auto plain = [this](QToolBar* bar, ui::Command command) {
        QAction* action = this->action(command);
        action->setIconText(action->text());
        auto* button = new QToolButton(bar);
        button->setObjectName(ui::commandName(command));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setAutoRaise(true);
        button->setDefaultAction(action);
        bar->addWidget(button);
    };
    auto dropDown = [](QToolBar* bar, const QString& name, const QString& caption,
                       const QString& hint, QMenu* menu) {
        auto* button = new DropDownButton(bar);
        button->setObjectName(name);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setAutoRaise(true);
        button->setText(caption);
        button->setToolTip(hint);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::MenuButtonPopup);
        bar->addWidget(button);
        return button;
    };

    auto* bar1 = new QToolBar(QStringLiteral("ToolBar1"), this);
    bar1->setObjectName(QStringLiteral("ToolBar1"));
    auto* bar2 = new QToolBar(QStringLiteral("ToolBar2"), this);
    bar2->setObjectName(QStringLiteral("ToolBar2"));
    for (QToolBar* bar : {bar1, bar2}) {
        bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
        bar->setFloatable(false);
        addToolBar(Qt::TopToolBarArea, bar);
    }

    razgButton_ = dropDown(bar1, QStringLiteral("ToolButtonRazg"), QString(), QString(), razg);
    razgButton_->setDefaultAction(razgBody);
    razgButton_->setMenu(razg);
    auto* razgKey = new QShortcut(QKeySequence(QStringLiteral("Alt+Р")), this);
    connect(razgKey, &QShortcut::activated, razgButton_, &QToolButton::showMenu);
    dropDown(bar1, QStringLiteral("ToolButtonUtils"), QStringLiteral("&Утилиты"),
             QStringLiteral("Утилиты"), utils);
    dropDown(bar1, QStringLiteral("ToolButtonDolg"), QStringLiteral("&Долг"),
             QStringLiteral("Работа с долгами"), dolg);
    // The body of "Расчет" opens the payment dialog; its drop-down the statement commands.
    QAction* raschetBody = action(ui::Command::ToolButtonRaschet);
    raschetBody->setIconText(raschetBody->text());
    // Its mnemonic keeps opening the dialog, as before the drop-down was added.
    auto* raschetButton = new QToolButton(bar1);
    raschetButton->setObjectName(ui::commandName(ui::Command::ToolButtonRaschet));
    raschetButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    raschetButton->setAutoRaise(true);
    raschetButton->setDefaultAction(raschetBody);
    raschetButton->setMenu(findChild<QMenu*>(QStringLiteral("PopupMenuRaschet")));
    raschetButton->setPopupMode(QToolButton::MenuButtonPopup);
    bar1->addWidget(raschetButton);

    dropDown(bar2, QStringLiteral("ToolButtonReport"), QStringLiteral("&Печать"),
             QStringLiteral("Печать"), report);
    plain(bar2, ui::Command::ToolButtonBrowseSQL);
    plain(bar2, ui::Command::ToolButtonSettings);
    plain(bar2, ui::Command::Help);
    plain(bar2, ui::Command::ToolButtonExit);
}

void TForm1::buildGrid() {
    grid_ = new QTableView(this);
    grid_->setObjectName(QStringLiteral("DBGrid1"));
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setFocusPolicy(Qt::ClickFocus);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->verticalHeader()->setVisible(false);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        findChild<QMenu*>(QStringLiteral("PopupMenuRazg"))
            ->popup(grid_->viewport()->mapToGlobal(at));
    });
}

QWidget* TForm1::buildSelectionPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("PanelSelection"));
    panel->setFixedWidth(126);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(4);

    auto* title = new QLabel(QStringLiteral("Отбор"), panel);
    title->setObjectName(QStringLiteral("PanelTitle"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    title->setFrameStyle(QFrame::Panel | QFrame::Raised);
    title->setMinimumHeight(24);
    layout->addWidget(title);

    // One group of the panel: a frame holding its controls, its help context on all of them.
    auto group = [panel, layout](const char* name, int helpContext) {
        auto* frame = new QFrame(panel);
        frame->setObjectName(QLatin1String(name));
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (helpContext) frame->setProperty(kHelpContext, helpContext);
        layout->addWidget(frame);
        auto* grid = new QGridLayout(frame);
        grid->setContentsMargins(4, 4, 4, 4);
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(3);
        return std::pair(frame, grid);
    };
    auto checkBox = [](QWidget* parent, const char* name, const QString& caption, int context) {
        auto* box = new QCheckBox(caption, parent);
        box->setObjectName(QLatin1String(name));
        if (context) box->setProperty(kHelpContext, context);
        return box;
    };
    // The range edits "С" and "По" below the check box of a group.
    auto range = [](QWidget* parent, QGridLayout* grid, QCheckBox* box, QLineEdit* from,
                    QLineEdit* to) {
        grid->addWidget(box, 0, 0, 1, 2);
        auto* fromLabel = new QLabel(QStringLiteral("С"), parent);
        fromLabel->setBuddy(from);
        auto* toLabel = new QLabel(QStringLiteral("По"), parent);
        toLabel->setBuddy(to);
        grid->addWidget(fromLabel, 1, 0);
        grid->addWidget(from, 1, 1);
        grid->addWidget(toLabel, 2, 0);
        grid->addWidget(to, 2, 1);
    };

    auto [listFrame, listGrid] = group("PanelList", 0);
    checkList_ = checkBox(listFrame, "CheckBox1", QStringLiteral("По списку"), 300);
    comboList_ = new QComboBox(listFrame);
    comboList_->setObjectName(QStringLiteral("ComboBoxList"));
    // Enabled when the number lists connect to them.
    checkList_->setEnabled(false);
    comboList_->setEnabled(false);
    listGrid->addWidget(checkList_, 0, 0);
    listGrid->addWidget(comboList_, 1, 0);

    auto [dateFrame, dateGrid] = group("PanelDate", 300);
    checkDate_ = checkBox(dateFrame, "CheckBoxByDate", QStringLiteral("По дате"), 300);
    dateFrom_ = maskedEdit(dateFrame, "MaskEditDF", QStringLiteral("00.00.0000;_"), 300);
    dateTo_ = maskedEdit(dateFrame, "MaskEditDT", QStringLiteral("00.00.0000;_"), 300);
    range(dateFrame, dateGrid, checkDate_, dateFrom_, dateTo_);

    auto [timeFrame, timeGrid] = group("PanelTime", 400);
    checkTime_ = checkBox(timeFrame, "CheckBoxByTime", QStringLiteral("По времени"), 400);
    timeFrom_ = maskedEdit(timeFrame, "MaskEditTF", QStringLiteral("00:00;_"), 400);
    timeTo_ = maskedEdit(timeFrame, "MaskEditTT", QStringLiteral("00:00;_"), 400);
    range(timeFrame, timeGrid, checkTime_, timeFrom_, timeTo_);

    auto [numberFrame, numberGrid] = group("PanelNumber", 200);
    checkNumber_ = checkBox(numberFrame, "CheckBoxByNumber", QStringLiteral("По номеру"), 200);
    numberFrom_ = maskedEdit(numberFrame, "MaskEditNumberFrom", QStringLiteral("0000000;_"), 200);
    numberTo_ = maskedEdit(numberFrame, "MaskEditNumberTo", QStringLiteral("0000000;_"), 200);
    range(numberFrame, numberGrid, checkNumber_, numberFrom_, numberTo_);
    layout->addStretch(1);

    QWidget* order[] = {checkList_, comboList_, checkDate_,   dateFrom_,   dateTo_,  checkTime_,
                        timeFrom_,  timeTo_,    checkNumber_, numberFrom_, numberTo_};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    return panel;
}

void TForm1::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    for (int width : {100, 100, 300, 100}) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(panels_.size()));
        // The designed widths are the least; a longer text widens its panel.
        label->setMinimumWidth(width);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addWidget(label);
        panels_.append(label);
    }
    // Where the tables live, for the operator who looks for them or backs them up.
    dataPlace_ = new QLabel(bar);
    dataPlace_->setObjectName(QStringLiteral("StatusDataFolder"));
    dataPlace_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bar->addPermanentWidget(dataPlace_);
}

// --- grid and status bar -----------------------------------------------------------------------

void TForm1::bindGrid(QAbstractItemModel* model, const QString& dataSourceName,
                      std::function<void()> close) {
    if (QAbstractItemModel* old = grid_->model()) disconnect(old, nullptr, this, nullptr);
    grid_->setModel(model);
    ui::keepColumnsFitted(grid_);
    dataSource_ = dataSourceName;
    closeDataSource_ = std::move(close);
    if (model) {
        connect(model, &QObject::destroyed, this, [this] {
            dataSource_.clear();
            closeDataSource_ = nullptr;
        });
    }
}

QString TForm1::freeGrid() {
    const QString name = dataSource_;
    const std::function<void()> close = std::move(closeDataSource_);
    bindGrid(nullptr, QString());
    if (close) close();
    return name;
}

void TForm1::DBGrid1CellClick(const QModelIndex& index) {
    if (index.isValid()) setStatusText(1, QString::number(index.row() + 1));
}

void TForm1::setStatusText(int panel, const QString& text) {
    if (panel < 0 || panel >= panels_.size()) return;
    panels_[panel]->setText(text);
    // A text longer than the room the window leaves its panel is read whole in the tool tip.
    panels_[panel]->setToolTip(text);
}

QString TForm1::statusText(int panel) const {
    return panel >= 0 && panel < panels_.size() ? panels_[panel]->text() : QString();
}

core::SelectionPanel TForm1::selection() const {
    core::SelectionPanel s;
    s.byList = checkList_->isChecked();
    s.list = comboList_->currentText();
    s.byDate = checkDate_->isChecked();
    s.dateFrom = rawText(dateFrom_);
    s.dateTo = rawText(dateTo_);
    s.byTime = checkTime_->isChecked();
    s.timeFrom = rawText(timeFrom_);
    s.timeTo = rawText(timeTo_);
    s.byNumber = checkNumber_->isChecked();
    s.numberFrom = rawText(numberFrom_);
    s.numberTo = rawText(numberTo_);
    return s;
}

// --- own commands --------------------------------------------------------------------------------

void TForm1::changeVat(const core::VatSettings& vat) {
    if (vat.ndsPercent != vat_.ndsPercent) {
        const QDate today = orv::today();
        ui::guarded(this, [&] {
            billing::setVatRate(tarifStandard(), QDate(today.year(), today.month(), 1),
                                vat.ndsPercent);
        });
    }
    vat_ = vat;
}

void TForm1::ToolButtonSettingsClick() {
    settingsDialog_->FormShow();
    settingsDialog_->exec();
}

void TForm1::HelpClick() { showHelp(0); }

// The help window, owned by the modal window open now (when one is): a modal window blocks
// every window but its own, and the help must stay usable above the window that asked.
HelpWindow* TForm1::helpWindow() {
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner) owner = this;
    if (!help_) {
        help_ = new HelpWindow(owner);
    } else if (help_->parentWidget() != owner) {
        const QRect place = help_->geometry();
        help_->setParent(owner, Qt::Window);
        help_->setGeometry(place);
    }
    return help_;
}

void TForm1::raiseHelp() {
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void TForm1::showHelp(int context) {
    HelpWindow* help = helpWindow();
    if (context)
        help->showTopic(context);
    else
        help->showContents();
    raiseHelp();
}

void TForm1::showHelpPage(const QString& page) {
    helpWindow()->showPage(HelpWindow::page(page));
    raiseHelp();
}

// F1 reaches the window from any control that does not take it itself.
void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        helpOnFocus();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// F1 on a control: the help context of the control or of the nearest parent that has one.
void TForm1::helpOnFocus() {
    for (QObject* at = focusWidget(); at; at = at->parent()) {
        const int context = at->property(kHelpContext).toInt();
        if (context) {
            showHelp(context);
            return;
        }
    }
    showHelp(0);
}

// F1 in an open menu: the context of the highlighted item, else of its menu.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    auto* menu = qobject_cast<QMenu*>(watched);
    if (menu && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        int context = 0;
        if (const QAction* item = menu->activeAction())
            context = item->property(kHelpContext).toInt();
        for (QObject* at = menu; !context && at; at = at->parent())
            context = at->property(kHelpContext).toInt();
        while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        showHelp(context);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (help_) help_->close();
    QMainWindow::closeEvent(event);
}

}  // namespace orv::app
