// The table fills and the number lists without windows: what the fills add to AbTab, PaneDate
// and Prazdn, the list files as they are written and read, the list filter and where it goes.

#include "TestSupport.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "core/Selection.h"
#include "db/Table.h"
#include "utils/HolidayFill.h"
#include "utils/ListFilterReceivers.h"
#include "utils/ListTextFile.h"
#include "utils/NumberLists.h"
#include "utils/SubscriberFill.h"

#include <QFile>
#include <algorithm>

using namespace orv;
using namespace orv::test;

namespace {

void insert(TempDatabase& t, const QString& table, const QString& values) {
    db::Query(t.db(), QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, values)).execute();
}

QStringList rows(TempDatabase& t, const QString& table) {
    db::Query q(t.db(), QStringLiteral("SELECT * FROM %1").arg(table));
    q.open();
    QStringList all = rowsOf(q);
    std::sort(all.begin(), all.end());
    return all;
}

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class SubscriberFillTest : public ::testing::Test {
  protected:
    void SetUp() override {
        t.create(db::schema::abTab());
        t.create(db::schema::paneDate());
    }
    TempDatabase t;
};

}  // namespace

TEST_F(SubscriberFillTest, RangesAddOneRowPerMissingAccount) {
    struct Case {
        const char* name;
        qint64 from, to;
        const char* priznak;
        qint64 abTab, paneDate;  // rows added
    } cases[] = {
        {"a range", 101, 103, "ALL", 3, 3},
        {"the same again adds nothing", 101, 103, "ALL", 0, 0},
        {"the tag in other letters is the same account", 102, 102, "all", 0, 0},
        {"from equal to to", 104, 104, "ALL", 1, 1},
        {"from above to", 110, 105, "ALL", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const utils::SubscriberFillResult r = utils::fillSubscribers(
            t.db(), c.from, c.to, QLatin1String(c.priznak), QStringLiteral("YES"));
        EXPECT_EQ(r.abTabAdded, c.abTab);
        EXPECT_EQ(r.paneDateAdded, c.paneDate);
    }
    EXPECT_EQ(
        rows(t, QStringLiteral("AbTab")),
        (QStringList{"101|ALL|YES||||", "102|ALL|YES||||", "103|ALL|YES||||", "104|ALL|YES||||"}));
    EXPECT_EQ(rows(t, QStringLiteral("PaneDate")),
              (QStringList{"101|ALL|||", "102|ALL|||", "103|ALL|||", "104|ALL|||"}));
}

TEST_F(SubscriberFillTest, EachTableGetsOnlyTheRowItLacks) {
    insert(t, QStringLiteral("AbTab"), QStringLiteral("201, 'BUDG', 'NO', 'Иванов', '', '', ''"));
    insert(t, QStringLiteral("PaneDate"), QStringLiteral("202, 'budg', '2001-03-01', 5, 5"));
    const auto r =
        utils::fillSubscribers(t.db(), 201, 202, QStringLiteral("BUDG"), QStringLiteral("YES"));
    EXPECT_EQ(r.abTabAdded, 1);
    EXPECT_EQ(r.paneDateAdded, 1);
    EXPECT_EQ(rows(t, QStringLiteral("AbTab")),
              (QStringList{"201|BUDG|NO|Иванов|||", "202|BUDG|YES||||"}));
    EXPECT_EQ(rows(t, QStringLiteral("PaneDate")),
              (QStringList{"201|BUDG|||", "202|budg|01.03.2001|5|5"}));
}

TEST_F(SubscriberFillTest, AnotherTagsPaymentRowStopsTheFillAtThatNumber) {
    utils::fillSubscribers(t.db(), 300, 302, QStringLiteral("ALL"), QStringLiteral("YES"));
    // 302 has its payments row under ALL: the unique number of PaneDate refuses VECH there.
    try {
        utils::fillSubscribers(t.db(), 298, 303, QStringLiteral("VECH"), QStringLiteral("YES"));
        ADD_FAILURE() << "the key violation was not reported";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Engine);
        EXPECT_TRUE(e.message().contains(QStringLiteral("key violation"))) << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("на номере 300"))) << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("AbTab 3, PaneDate 2"))) << e.what();
    }
    // 298 and 299 complete, 300 has its subscriber row only, nothing above it.
    EXPECT_EQ(rows(t, QStringLiteral("AbTab")).filter(QStringLiteral("VECH")),
              (QStringList{"298|VECH|YES||||", "299|VECH|YES||||", "300|VECH|YES||||"}));
    EXPECT_EQ(rows(t, QStringLiteral("PaneDate")).filter(QStringLiteral("VECH")),
              (QStringList{"298|VECH|||", "299|VECH|||"}));
}

TEST_F(SubscriberFillTest, ZeroEndsAndOverlongTagsAreRefusedWithoutWriting) {
    for (const auto& [from, to] : {std::pair<qint64, qint64>{0, 5}, {5, 0}, {0, 0}}) {
        try {
            utils::fillSubscribers(t.db(), from, to, QStringLiteral("ALL"), QStringLiteral("YES"));
            ADD_FAILURE() << from << "-" << to << " was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Неправильный ввод данных"));
        }
    }
    EXPECT_THROW(
        utils::fillSubscribers(t.db(), 1, 2, QStringLiteral("ELEVENCHARS"), QStringLiteral("YES")),
        Error);
    EXPECT_TRUE(rows(t, QStringLiteral("AbTab")).isEmpty());
    EXPECT_TRUE(rows(t, QStringLiteral("PaneDate")).isEmpty());
}

TEST(HolidayFill, EveryWeekendOfTheYearOnce) {
    TempDatabase t;
    t.create(db::schema::prazdn());
    insert(t, QStringLiteral("Prazdn"), QStringLiteral("'2001-01-06'"));  // a Saturday, by hand
    insert(t, QStringLiteral("Prazdn"), QStringLiteral("'2001-03-08'"));  // a weekday holiday
    struct Case {
        int year;
        qsizetype added;
        const char* first;
        const char* last;
    } cases[] = {
        {2001, 103, "07.01.2001", "30.12.2001"},  // 104 weekends, one there already
        {2005, 105, "01.01.2005", "31.12.2005"},
        {2000, 106, "01.01.2000", "31.12.2000"},  // a leap year beginning on a Saturday
        {2001, 0, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.year);
        const QList<QDate> added = utils::fillWeekends(t.db(), c.year);
        ASSERT_EQ(added.size(), c.added);
        if (!c.first) continue;
        EXPECT_EQ(core::dateText(added.first()), QLatin1String(c.first));
        EXPECT_EQ(core::dateText(added.last()), QLatin1String(c.last));
        for (const QDate& d : added) EXPECT_GE(d.dayOfWeek(), Qt::Saturday);
    }
    EXPECT_EQ(rows(t, QStringLiteral("Prazdn")).size(), 2 + 103 + 105 + 106);
    try {
        utils::fillWeekends(t.db(), 0);
        ADD_FAILURE() << "year 0 was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Invalid argument to date encode"));
    }
}

TEST(ListTextFile, WritesCp1251WithCrLfAndReadsWhatOthersWrite) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Main.slst"));
    utils::writeListLines(path, {QStringLiteral("Фирмы"), QStringLiteral("   1234")});
    EXPECT_EQ(bytesOf(path), QByteArray("\xD4\xE8\xF0\xEC\xFB\r\n   1234\r\n"));

    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"cp1251 crlf", "\xD4\xE8\xF0\xEC\xFB\r\n\xA8\xEB\xEA\xE0\r\n", {"Фирмы", "Ёлка"}},
        {"utf-8 lf, no final line end", "Фирмы\nЁлка", {"Фирмы", "Ёлка"}},
        {"utf-8 with a byte-order mark",
         "\xEF\xBB\xBF"
         "101\r\n",
         {"101"}},
        {"blanks kept", "   1234\r\n\r\n", {"   1234", ""}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(path, c.bytes);
        EXPECT_EQ(utils::readListLines(path), c.lines);
    }
    // A character outside the code page is kept by writing UTF-8.
    utils::writeListLines(path, {QStringLiteral("Łódź")});
    EXPECT_EQ(utils::readListLines(path), QStringList{QStringLiteral("Łódź")});

    try {
        utils::readListLines(dir.filePath(QStringLiteral("none.lst")));
        ADD_FAILURE() << "a missing file was read";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Не удалось открыть файл ") + dir.filePath("none.lst"));
    }
    const QString unwritable = dir.filePath(QStringLiteral("no/such/folder/a.lst"));
    try {
        utils::writeListLines(unwritable, {QStringLiteral("1")});
        ADD_FAILURE() << "a file in a missing folder was written";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Не удалось создать файл ") + unwritable);
    }
}

TEST(NumberLists, LinesBecomeTheFilterOrAreRefusedByLine) {
    struct Case {
        const char* name;
        QStringList lines;
        const char* filter;  // nullptr: no filter; "!" refused
        const char* error = "";
    } cases[] = {
        {"three numbers", {"101", "102", "205"}, "AbNumber=101 or AbNumber=102 or AbNumber=205"},
        {"one number", {"7"}, "AbNumber=7"},
        {"as the editor writes", {"   1234", "1234   "}, "AbNumber=1234 or AbNumber=1234"},
        {"empty keeps the old filter", {}, nullptr},
        {"a blank line", {"101", "       "}, "!", "строка 2: \"       \""},
        {"letters", {"101", "102", "1O3"}, "!", "строка 3: \"1O3\""},
        {"a filter text smuggled in", {"1 or 1=1"}, "!", "строка 1"},
        {"an inner blank", {"12 34"}, "!", "строка 1"},
        {"a sign", {"-5"}, "!", "строка 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            const auto filter = utils::listFilter(c.lines, QStringLiteral("/lists/firm.lst"));
            ASSERT_NE(std::string(c.filter ? c.filter : ""), "!");
            ASSERT_EQ(filter.has_value(), c.filter != nullptr);
            if (filter) {
                EXPECT_EQ(filter->text(), QLatin1String(c.filter));
            }
        } catch (const Error& e) {
            ASSERT_EQ(std::string(c.filter ? c.filter : ""), "!") << e.what();
            EXPECT_EQ(e.kind(), Error::Kind::Refused);
            EXPECT_TRUE(e.message().startsWith(
                QStringLiteral("Неправильный номер в списке /lists/firm.lst, ")))
                << e.what();
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.error))) << e.what();
        }
    }
    const auto filter = utils::listFilter({"101", "205"}, QStringLiteral("a.lst"));
    EXPECT_TRUE(filter->accepts(205));
    EXPECT_FALSE(filter->accepts(102));
}

TEST(NumberLists, FilesAreFoundWithoutRegardToCase) {
    QTemporaryDir dir;
    writeBytes(dir.filePath(QStringLiteral("FIRM.LST")), "1\r\n");
    writeBytes(dir.filePath(QStringLiteral("main.SLST")), "firm\r\n");
    writeBytes(dir.filePath(QStringLiteral("my.lst")), "2\r\n");
    EXPECT_EQ(utils::listFilePath(dir.path(), QStringLiteral("firm")),
              dir.filePath(QStringLiteral("FIRM.LST")));
    EXPECT_EQ(utils::findFileNoCase(dir.path(), QStringLiteral("Main.slst")),
              dir.filePath(QStringLiteral("main.SLST")));
    // A list registered from my.list.lst goes by "my" and is looked for as my.lst.
    EXPECT_EQ(
        utils::listFilePath(dir.path(), core::GetClearFName(QStringLiteral("/x/my.list.lst"))),
        dir.filePath(QStringLiteral("my.lst")));
    EXPECT_EQ(utils::listFilePath(dir.path(), QStringLiteral("none")),
              dir.filePath(QStringLiteral("none.lst")));
    writeBytes(dir.filePath(QStringLiteral("Firm.lst")), "3\r\n");
    EXPECT_EQ(utils::listFilePath(dir.path(), QStringLiteral("Firm")),
              dir.filePath(QStringLiteral("Firm.lst")));
    EXPECT_THROW(utils::listFilePath(dir.path(), QStringLiteral("firm")), Error);
}

TEST(ListFilterReceivers, ReachEveryReceiverInOrderAndStartLateOnesWithTheFilter) {
    QStringList calls;
    auto receiver = [&calls](const char* name) {
        return utils::ListFilterReceiver{
            QLatin1String(name),
            [&calls, name](const db::RecordFilter& f) {
                calls.append(QStringLiteral("%1 filter %2").arg(QLatin1String(name), f.text()));
            },
            [&calls, name](bool on) {
                calls.append(QStringLiteral("%1 %2").arg(QLatin1String(name), on ? "on" : "off"));
            }};
    };
    utils::ListFilterReceivers receivers;
    receivers.add(receiver("calls"));
    receivers.add(receiver("debts"));
    receivers.setFilter(db::RecordFilter::parse(QStringLiteral("AbNumber=5")));
    receivers.setFiltered(true);
    receivers.add(receiver("report"));
    EXPECT_EQ(calls, (QStringList{"calls filter AbNumber=5", "debts filter AbNumber=5", "calls on",
                                  "debts on", "report filter AbNumber=5", "report on"}));
    EXPECT_EQ(receivers.statements(), (QStringList{"calls", "debts", "report"}));
}
