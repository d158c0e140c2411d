#include "app/forms/HelpWindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

// Resources of a static library are registered by hand, outside any namespace.
static void initHelpResources() { Q_INIT_RESOURCE(help); }

namespace orv::app {
namespace {

// The pages in the order of the contents.
const char* const kPages[] = {
    "index.html",    "start.html",   "views.html",       "dates.html",    "times.html",
    "numbers.html",  "debts.html",   "debtrun.html",     "month.html",    "refused.html",
    "debtview.html", "payment.html", "print.html",       "invoices.html", "printout.html",
    "utils.html",    "tables.html",  "subscribers.html", "holidays.html", "lists.html",
    "settings.html", "keys.html",    "sql.html",
};

struct Topic {
    int context;
    const char* page;
};

const Topic kTopics[] = {
    {100, "views.html"},   {200, "numbers.html"},   {300, "dates.html"},       {400, "times.html"},
    {500, "utils.html"},   {600, "tables.html"},    {700, "subscribers.html"}, {800, "debts.html"},
    {900, "debtrun.html"}, {1000, "debtview.html"},
};

QUrl pageUrl(const QString& page) { return QUrl(QStringLiteral("qrc:/help/") + page); }

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    initHelpResources();
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Справка — Тарификация Orvanta"));
    resize(940, 600);

    contents_ = new QListWidget(this);
    contents_->setObjectName(QStringLiteral("HelpContents"));
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("HelpSearch"));
    search_->setPlaceholderText(QStringLiteral("Слово для поиска"));
    search_->setClearButtonEnabled(true);
    indexList_ = new QListWidget(this);
    indexList_->setObjectName(QStringLiteral("HelpIndex"));
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenLinks(true);

    auto* indexTab = new QWidget(this);
    auto* indexLayout = new QVBoxLayout(indexTab);
    auto* searchLabel = new QLabel(QStringLiteral("&Введите слово:"), indexTab);
    searchLabel->setBuddy(search_);
    indexLayout->addWidget(searchLabel);
    indexLayout->addWidget(search_);
    indexLayout->addWidget(indexList_, 1);

    auto* tabs = new QTabWidget(this);
    tabs->addTab(contents_, QStringLiteral("&Содержание"));
    tabs->addTab(indexTab, QStringLiteral("&Указатель"));

    auto* splitter = new QSplitter(this);
    splitter->addWidget(tabs);
    splitter->addWidget(browser_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({320, 620});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);

    // Esc closes the help, as it closes the program's dialogs.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    loadPages();
    for (const Page& page : pages_) {
        auto* item = new QListWidgetItem(page.title, contents_);
        item->setData(Qt::UserRole, page.url);
    }
    fillIndex({});

    auto open = [this](QListWidgetItem* item) {
        if (item) browser_->setSource(item->data(Qt::UserRole).toUrl());
    };
    connect(contents_, &QListWidget::itemActivated, this, open);
    connect(contents_, &QListWidget::itemClicked, this, open);
    connect(indexList_, &QListWidget::itemActivated, this, open);
    connect(indexList_, &QListWidget::itemClicked, this, open);
    connect(search_, &QLineEdit::textChanged, this, &HelpWindow::fillIndex);
    connect(search_, &QLineEdit::returnPressed, this, [this, open] {
        if (indexList_->count() > 0) {
            indexList_->setCurrentRow(0);
            open(indexList_->item(0));
        }
    });
}

void HelpWindow::loadPages() {
    static const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"));
    static const QRegularExpression keywords(
        QStringLiteral("<meta\\s+name=\"keywords\"\\s+content=\"([^\"]*)\""));
    for (const char* name : kPages) {
        QFile file(QStringLiteral(":/help/") + QLatin1String(name));
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QString html = QString::fromUtf8(file.readAll());
        QTextDocument document;
        document.setHtml(html);
        Page page{pageUrl(QLatin1String(name)), title.match(html).captured(1).trimmed(),
                  document.toPlainText()};
        pages_.append(page);
        const QStringList words =
            keywords.match(html).captured(1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& word : words) index_.append({word.trimmed(), page.url});
    }
    std::sort(index_.begin(), index_.end(), [](const IndexEntry& a, const IndexEntry& b) {
        return QString::localeAwareCompare(a.keyword, b.keyword) < 0;
    });
}

// The keywords that contain the filter; when none does, the pages whose text contains it.
void HelpWindow::fillIndex(const QString& filter) {
    indexList_->clear();
    const QString wanted = filter.trimmed();
    for (const IndexEntry& entry : index_) {
        if (!wanted.isEmpty() && !entry.keyword.contains(wanted, Qt::CaseInsensitive)) continue;
        auto* item = new QListWidgetItem(entry.keyword, indexList_);
        item->setData(Qt::UserRole, entry.page);
    }
    if (indexList_->count() > 0 || wanted.isEmpty()) return;
    for (const Page& page : pages_) {
        if (!page.text.contains(wanted, Qt::CaseInsensitive)) continue;
        auto* item = new QListWidgetItem(QStringLiteral("В тексте: ") + page.title, indexList_);
        item->setData(Qt::UserRole, page.url);
    }
}

void HelpWindow::showContents() {
    browser_->setSource(pageUrl(QStringLiteral("index.html")));
    contents_->setCurrentRow(0);
}

void HelpWindow::showTopic(int context) {
    const QUrl page = topicPage(context);
    if (page.isEmpty()) {
        showContents();
        return;
    }
    showPage(page);
}

void HelpWindow::showPage(const QUrl& page) {
    browser_->setSource(page);
    for (int row = 0; row < contents_->count(); ++row)
        if (contents_->item(row)->data(Qt::UserRole).toUrl() == page) contents_->setCurrentRow(row);
}

QUrl HelpWindow::page(const QString& name) { return pageUrl(name); }

QUrl HelpWindow::topicPage(int context) {
    for (const Topic& topic : kTopics)
        if (topic.context == context) return pageUrl(QLatin1String(topic.page));
    return {};
}

QUrl HelpWindow::currentPage() const { return browser_->source(); }

}  // namespace orv::app
