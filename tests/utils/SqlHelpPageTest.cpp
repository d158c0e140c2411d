// The help page on the SQL dialect tells the truth: every example on it runs, as written, on a
// database holding the program's tables.

#include "TestSupport.h"
#include "core/Error.h"
#include "db/Dialect.h"
#include "db/Query.h"

#include <QFile>
#include <QRegularExpression>

using namespace orv;

TEST(SqlHelpPage, EveryExampleRuns) {
    QFile page(QStringLiteral(ORVANTA_HELP_DIR "/sql.html"));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    test::TempDatabase t;
    for (const db::TableDef& def : db::schema::permanentTables()) t.create(def);
    static const QRegularExpression pre(QStringLiteral("<pre>(.*?)</pre>"),
                                        QRegularExpression::DotMatchesEverythingOption);
    int examples = 0;
    for (auto it = pre.globalMatch(html); it.hasNext(); ++examples) {
        QString sql = it.next().captured(1);
        sql.replace(QLatin1String("&lt;"), QLatin1String("<"))
            .replace(QLatin1String("&gt;"), QLatin1String(">"))
            .replace(QLatin1String("&amp;"), QLatin1String("&"));
        db::Query query(t.db(), sql);
        try {
            if (query.dialect().isSelecting())
                query.open();
            else
                query.execute();
        } catch (const Error& e) {
            ADD_FAILURE() << sql.toStdString() << "\n" << e.message().toStdString();
        }
    }
    EXPECT_GE(examples, 8);
}
