#pragma once
// The program's help: Russian pages compiled into the program, shown in a window with the
// contents on one tab and a keyword index with a search field on the other. Each help context
// of the main window's controls (100..1000) has its own page.

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace orv::app {

class HelpWindow : public QWidget {
    Q_OBJECT

  public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void showContents();
    // The page of the help context; the contents for a context that has none.
    void showTopic(int context);
    void showPage(const QUrl& page);

    // "qrc:/help/<page>.html" of a help context, empty when the context has no page.
    static QUrl topicPage(int context);
    // "qrc:/help/<name>" of a page by its file name.
    static QUrl page(const QString& name);
    QUrl currentPage() const;

  private:
    struct IndexEntry {
        QString keyword;
        QUrl page;
    };
    struct Page {
        QUrl url;
        QString title;
        QString text;  // plain text, for the search
    };

    void loadPages();
    void fillIndex(const QString& filter);

    QList<Page> pages_;
    QList<IndexEntry> index_;
    QListWidget* contents_;
    QLineEdit* search_;
    QListWidget* indexList_;
    QTextBrowser* browser_;
};

}  // namespace orv::app
