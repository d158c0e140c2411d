// The listing views, the obsolete long-distance view and the grouped views on real table files:
// which calls each lists, the selection, the lookup columns, the number-list filter and the
// files it is read from.

#include "CallsTestData.h"
#include "calls/GroupedViews.h"
#include "calls/ListingViews.h"
#include "core/Error.h"

#include <QFile>

using namespace orv;
using namespace orv::test;
using calls::Listing;

namespace {

class ListingViewsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        createPermanentTables(t);
        addRows(t, QStringLiteral("Sng"), {QStringLiteral("'495', 'Москва'")});
        addRows(t, QStringLiteral("Foren"), {QStringLiteral("'44', 'Великобритания'")});
    }

    // AbNumber and time of every row of an open view.
    static QStringList numbersAndTimes(const db::Query& q) {
        QStringList rows;
        for (qint64 r = 0; r < q.recordCount(); ++r)
            rows.append(db::displayText(q.value(r, QStringLiteral("AbNumber"))) + QLatin1Char(' ') +
                        db::displayText(q.value(r, QStringLiteral("Time_of_call"))));
        return rows;
    }

    TempDatabase t;
    calls::ListingViews views{t.db()};
};

core::SelectionPanel timeRange(const char* from, const char* to) {
    core::SelectionPanel panel;
    panel.byTime = true;
    panel.timeFrom = QLatin1String(from);
    panel.timeTo = QLatin1String(to);
    return panel;
}

}  // namespace

TEST_F(ListingViewsTest, EachViewListsItsCategoriesOnceInOrder) {
    addRows(t, QStringLiteral("DESTTAR"),
            {call(102, "2001-03-05", "10:00:00", 1, 7), call(101, "2001-03-06", "09:00:00", 1, 8),
             call(101, "2001-03-05", "11:00:00", 1, 2), call(101, "2001-03-05", "11:00:00", 1, 2),
             call(101, "2001-03-05", "08:00:00", 1, 12)});
    struct Case {
        Listing view;
        QStringList rows;
    } cases[] = {
        {Listing::All, {"101 08:00:00", "101 11:00:00", "101 09:00:00", "102 10:00:00"}},
        {Listing::City, {"101 11:00:00", "102 10:00:00"}},
        {Listing::LongDistance, {"101 08:00:00", "101 09:00:00"}},
        {Listing::OldLongDistance, {}},
    };
    for (const Case& c : cases) {
        const db::Query& q = views.open(c.view, {});
        EXPECT_EQ(numbersAndTimes(q), c.rows) << calls::listingInfo(c.view).statement.toStdString();
        EXPECT_EQ(q.recordCount(), c.rows.size());
    }
}

TEST_F(ListingViewsTest, TheSelectionRestrictsEveryListingView) {
    const QStringList rows = {
        call(100, "2001-03-01", "21:59:59", 1, 9),  call(100, "2001-03-01", "22:00:00", 1, 9),
        call(100, "2001-03-01", "23:59:59", 1, 9),  call(100, "2001-03-02", "00:00:00", 1, 9),
        call(100, "2001-03-02", "06:00:00", 1, 9),  call(100, "2001-03-02", "06:00:01", 1, 9),
        call(100, "2001-03-02", "10:00:00", 1, 9),  call(1233, "2001-03-02", "12:00:00", 1, 9),
        call(1234, "2001-03-31", "12:00:00", 1, 9), call(9999999, "2001-04-01", "12:00:00", 1, 9),
    };
    addRows(t, QStringLiteral("DESTTAR"), rows);
    addRows(t, QStringLiteral("OldMG"), rows);
    core::SelectionPanel numbers;
    numbers.byNumber = true;
    numbers.numberFrom = QStringLiteral("1234   ");
    numbers.numberTo = QStringLiteral("       ");
    core::SelectionPanel dates;
    dates.byDate = true;
    dates.dateFrom = QStringLiteral("xx.03.2001");
    dates.dateTo = QStringLiteral("31.03.2001");
    struct Case {
        const char* name;
        core::SelectionPanel panel;
        QStringList rows;
    } cases[] = {
        {"across midnight",
         timeRange("22:00", "06:00"),
         {"100 22:00:00", "100 23:59:59", "100 00:00:00", "100 06:00:00"}},
        {"within the day",
         timeRange("06:00", "22:00"),
         {"100 21:59:59", "100 22:00:00", "100 06:00:00", "100 06:00:01", "100 10:00:00",
          "1233 12:00:00", "1234 12:00:00", "9999999 12:00:00"}},
        {"one moment", timeRange("10:00", "10:00"), {"100 10:00:00"}},
        {"from 1234 to an empty end", numbers, {"1234 12:00:00", "9999999 12:00:00"}},
        {"an invalid start date and a valid end",
         dates,
         {"100 21:59:59", "100 22:00:00", "100 23:59:59", "100 00:00:00", "100 06:00:00",
          "100 06:00:01", "100 10:00:00", "1233 12:00:00", "1234 12:00:00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (Listing view : {Listing::All, Listing::LongDistance, Listing::OldLongDistance})
            EXPECT_EQ(numbersAndTimes(views.open(view, c.panel)), c.rows)
                << calls::listingInfo(view).statement.toStdString();
    }
}

TEST_F(ListingViewsTest, ABadTimeOpensNothing) {
    addRows(t, QStringLiteral("DESTTAR"), {call(101, "2001-03-05", "10:00:00", 1, 2)});
    db::Query& q = views.open(Listing::City, {});
    ASSERT_TRUE(q.isOpen());
    EXPECT_THROW(views.open(Listing::City, timeRange("  :  ", "06:00")), Error);
    EXPECT_FALSE(q.isOpen());
}

TEST_F(ListingViewsTest, LongDistanceViewsLookUpTheDestinationNames) {
    const QStringList rows = {
        call(101, "2001-03-05", "10:00:00", 1, 9, QStringLiteral("1"), QStringLiteral("'495'")),
        call(101, "2001-03-05", "11:00:00", 1, 10, QStringLiteral("2"), QStringLiteral("NULL"),
             QStringLiteral("'44'")),
        call(101, "2001-03-05", "12:00:00", 1, 9, QStringLiteral("1"), QStringLiteral("'812'"),
             QStringLiteral("'1'")),
    };
    addRows(t, QStringLiteral("DESTTAR"), rows);
    addRows(t, QStringLiteral("OldMG"), rows);
    for (Listing view : {Listing::LongDistance, Listing::OldLongDistance}) {
        const calls::ListingInfo& info = calls::listingInfo(view);
        db::Query& q = views.open(view, {});
        QStringList titles;
        for (const core::ViewColumn& c : info.columns) {
            EXPECT_GE(q.fieldIndex(c.field), 0) << c.field.toStdString();
            titles.append(c.title);
        }
        EXPECT_EQ(titles,
                  (QStringList{"АбНомер", "Дата звонка", "Время звонка", "КНС", "Продолжит",
                               "Наб Номер", "Тариф", "Код МГ", "Код МН", "СНГ", "Другие страны"}));
        QStringList names;
        for (qint64 r = 0; r < q.recordCount(); ++r)
            names.append(q.value(r, QStringLiteral("Sng")).toString() + QLatin1Char('/') +
                         q.value(r, QStringLiteral("Foren")).toString());
        EXPECT_EQ(names, (QStringList{"Москва/", "/Великобритания", "/"}));
    }
}

TEST_F(ListingViewsTest, TheListFilterNarrowsTheCallViewsButNotTheArchive) {
    const QStringList rows = {call(101, "2001-03-05", "10:00:00", 1, 9),
                              call(102, "2001-03-05", "10:00:00", 1, 9),
                              call(205, "2001-03-05", "10:00:00", 1, 9)};
    addRows(t, QStringLiteral("DESTTAR"), rows);
    addRows(t, QStringLiteral("OldMG"), rows);
    views.setListFilter(db::RecordFilter::parse(QStringLiteral("AbNumber=205 or AbNumber=101")));
    db::Query& all = views.open(Listing::All, {});
    EXPECT_EQ(all.recordCount(), 3);  // the switch is off
    views.setListFiltered(true);
    EXPECT_EQ(numbersAndTimes(all), (QStringList{"101 10:00:00", "205 10:00:00"}));
    EXPECT_EQ(numbersAndTimes(views.open(Listing::LongDistance, {})),
              (QStringList{"101 10:00:00", "205 10:00:00"}));
    EXPECT_EQ(views.open(Listing::OldLongDistance, {}).recordCount(), 3);
    // Survives reopening; another list re-filters the open views at once.
    EXPECT_EQ(views.open(Listing::All, {}).recordCount(), 2);
    views.setListFilter(db::RecordFilter::parse(QStringLiteral("AbNumber=102")));
    EXPECT_EQ(numbersAndTimes(all), QStringList{"102 10:00:00"});
    views.setListFiltered(false);
    EXPECT_EQ(all.recordCount(), 3);
}

TEST_F(ListingViewsTest, GroupedViewsShowTheirTotalsWhateverTheSelection) {
    addRows(t, QStringLiteral("AbTab"),
            {QStringLiteral("101, 'ALL', 'YES', 'Ф', '1', '1', 'ул.'"),
             QStringLiteral("102, 'ALL', 'NO', 'Ф', '1', '1', 'ул.'")});
    addRows(t, QStringLiteral("TarifCit"), {QStringLiteral("'2000-01-01', 'ALL', 1.5")});
    addRows(t, QStringLiteral("Tarif1"), {QStringLiteral("'2000-01-01', 1, 10")});
    for (int n : {101, 102})
        addRows(t, QStringLiteral("DESTTAR"),
                {call(n, "2001-03-05", "10:00:00", 2, 1),
                 call(n, "2001-03-05", "11:00:00", 3, 9, QStringLiteral("1"))});
    calls::GroupedViews grouped(t.db());
    struct Case {
        calls::Grouped view;
        QStringList columns;
        QStringList rows;
    } cases[] = {
        {calls::Grouped::City,
         {"Номер", "Признак", "КолЗвонков", "ОбщПродсть", "ОбщСтГор"},
         {"101|ALL|1|2|3"}},
        {calls::Grouped::LongDistance,
         {"Номер", "Признак", "КолЗвонков", "ОбщПродсть", "ОбщСтМг"},
         {"101|ALL|1|3|30"}},
        {calls::Grouped::All,
         {"Номер", "Признак", "КолЗвонков", "ОбщПродсть", "ОбщСт"},
         {"101|ALL|2|5|33"}},
    };
    for (const Case& c : cases) {
        const db::Query& q = grouped.open(c.view);
        QStringList fields;
        for (const db::FieldDef& f : q.fields()) fields.append(f.name);
        EXPECT_EQ(fields, c.columns);
        QStringList columns;
        for (const core::ViewColumn& column : calls::groupedInfo(c.view).columns)
            columns.append(column.field);
        EXPECT_EQ(columns, c.columns);
        EXPECT_EQ(rowsOf(q), c.rows);
    }
}
