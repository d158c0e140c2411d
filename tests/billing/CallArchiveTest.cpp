// The call archive of the debt run, its months and their drop, and the restore's checks of a
// snapshot's manifest.

#include "BillingFixture.h"
#include "billing/ArchivedListing.h"
#include "billing/CallArchive.h"
#include "billing/CallStatement.h"
#include "billing/Snapshot.h"
#include "core/Error.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace orv;
using orv::test::Exchange;

namespace {

const QDate kToday(2026, 4, 10);

QStringList query(Exchange& x, const QString& sql) {
    db::Query q(x.db(), sql);
    q.open();
    return test::rowsOf(q);
}

QStringList archived(Exchange& x, const QString& columns, const QDate& month) {
    const billing::ArchiveAttachment archive(x.db());
    db::Statement read(x.db().connection(),
                       QStringLiteral("SELECT %1 FROM %2 ORDER BY CallRowid, rowid")
                           .arg(columns, archive.table(month)));
    QStringList rows;
    while (read.step()) {
        QStringList fields;
        for (int i = 0; i < read.columnCount(); ++i) fields.append(read.column(i).toString());
        rows.append(fields.join(u'|'));
    }
    return rows;
}

QMap<QString, QByteArray> everyFile(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (path.contains(QStringLiteral("/backups/"))) continue;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        files.insert(QDir(folder).relativeFilePath(path), file.readAll());
    }
    return files;
}

void rewriteManifest(const billing::SnapshotInfo& s, const std::function<void(QJsonArray&)>& edit) {
    QFile file(s.folder + QStringLiteral("/manifest.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QJsonObject m = QJsonDocument::fromJson(file.readAll()).object();
    file.close();
    QJsonArray tables = m.value(QStringLiteral("tables")).toArray();
    edit(tables);
    m.insert(QStringLiteral("tables"), tables);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QJsonDocument(m).toJson());
}

QJsonObject entryOf(const QJsonArray& tables, const QString& table) {
    for (const QJsonValue& v : tables)
        if (v.toObject().value(QStringLiteral("table")).toString() == table) return v.toObject();
    return {};
}

void setEntry(QJsonArray& tables, const QString& table, const QJsonObject& entry) {
    for (qsizetype i = 0; i < tables.size(); ++i)
        if (tables[i].toObject().value(QStringLiteral("table")).toString() == table)
            tables[i] = entry;
}

}  // namespace

TEST(CallArchive, TheRunMovesEachRetiredCallWithItsPriceOrReason) {
    Exchange x;
    test::seedWorkedExample(x);
    x.cityCall(102, QDate(2026, 3, 20), 4);  // a closed account's call
    const QStringList calls = query(x, QStringLiteral("SELECT * FROM DESTTAR ORDER BY rowid"));
    x.run(kToday);

    // Every call is in exactly one place: DESTTAR keeps April's, the archive the others.
    EXPECT_EQ(x.rows("DESTTAR").size(), 1);
    const QList<billing::ArchiveMonth> months = billing::listArchive(x.db());
    ASSERT_EQ(months.size(), 1);
    EXPECT_EQ(months[0].month, QDate(2026, 3, 1));
    EXPECT_EQ(months[0].calls, 5);
    EXPECT_GT(months[0].bytes, 0);

    const QStringList march = archived(
        x, QStringLiteral("AbNumber, Date_of_call, Longivity, Priznak, Cost IS NOT NULL, Reason"),
        QDate(2026, 3, 1));
    ASSERT_EQ(march.size(), 5);
    EXPECT_EQ(march[0], QStringLiteral("101|2026-03-05|12|ALL|1|"));
    EXPECT_EQ(march[1], QStringLiteral("101|2026-03-25|8|ALL|1|"));
    EXPECT_EQ(march[2], QStringLiteral("101|2026-03-07|6|ALL|1|"));
    EXPECT_EQ(march[3], QStringLiteral("103|2026-03-07|6||0|нет абонента в AbTab"));
    EXPECT_EQ(march[4], QStringLiteral("102|2026-03-20|4||0|Exist не YES"));

    // The city cost of a call is its tariff times its minutes, as the run priced it.
    const QStringList priced =
        archived(x, QStringLiteral("abs(Cost - Tariff * Longivity) < 1e-9"), QDate(2026, 3, 1));
    EXPECT_EQ(priced.mid(0, 3), QStringList(3, QStringLiteral("1")));
    EXPECT_EQ(calls.size(), 6);
    EXPECT_EQ(x.rows("DESTTAR"), calls.mid(4, 1));
}

// A number with two accounts is charged its calls under each category: the archive keeps a row
// per category, priced at it, and still one call, counted, listed and put back once.
TEST(CallArchive, ACallChargedUnderTwoCategoriesIsOneCallWithAPricePerCategory) {
    Exchange x;
    test::seedWorkedExample(x);
    x.subscriber(101, QStringLiteral("BUDG"));
    x.sql("UPDATE TARIFCIT SET COST = 2.5 WHERE PRIZNAK = 'BUDG'");
    x.cityCall(101, QDate(2026, 3, 5), 12);  // a repeated record, priced once per category
    x.run(kToday);

    const QDate march(2026, 3, 1);
    const QList<billing::ArchiveMonth> months = billing::listArchive(x.db());
    ASSERT_EQ(months.size(), 1);
    EXPECT_EQ(months[0].calls, 5);
    EXPECT_EQ(
        archived(x, QStringLiteral("AbNumber, Date_of_call, Priznak, Tariff, Cost, Reason"), march),
        (QStringList{
            "101|2026-03-05|ALL|1.5|18|", "101|2026-03-05|BUDG|2.5|30|",
            "101|2026-03-25|ALL|1.5|12|", "101|2026-03-25|BUDG|2.5|20|", "101|2026-03-07|ALL|2|12|",
            "101|2026-03-07|BUDG|2|12|", "103|2026-03-07||||нет абонента в AbTab",
            "101|2026-03-05|ALL|||повтор разговора", "101|2026-03-05|BUDG|||повтор разговора"}));

    // The statement gives each category's calls and the totals the run charged it.
    const billing::CallStatement s = billing::buildCallStatement(x.db(), 101, 101, march, 0);
    ASSERT_EQ(s.numbers.size(), 2);
    EXPECT_EQ(s.numbers[0].category, QStringLiteral("ALL"));
    EXPECT_EQ(s.numbers[1].category, QStringLiteral("BUDG"));
    EXPECT_EQ(s.numbers[0].calls, 4);
    EXPECT_EQ(s.numbers[1].calls, 4);
    EXPECT_EQ(s.calls.size(), 8);
    EXPECT_DOUBLE_EQ(s.numbers[0].totals.city, 30);
    EXPECT_DOUBLE_EQ(s.numbers[1].totals.city, 50);
    EXPECT_DOUBLE_EQ(s.numbers[0].totals.longDistance, 12);
    EXPECT_DOUBLE_EQ(s.numbers[1].totals.longDistance, 12);
    EXPECT_EQ(query(x, QStringLiteral("SELECT Priznak, Sum_of_cost FROM PrDlgCt WHERE AbNumber = "
                                      "101 ORDER BY Priznak")),
              (QStringList{"ALL|30", "BUDG|50"}));

    // The listing shows each call once (and the repeated record with it, as DESTTAR did).
    calls::ListingViews views(x.db());
    EXPECT_EQ(billing::openArchivedListing(views, calls::Listing::All, {}, march).recordCount(), 4);

    // The restore puts each call back once.
    const QString name = billing::listSnapshots(x.db()).first().name;
    billing::restoreSnapshot(x.db(), x.store(), name, kToday);
    EXPECT_EQ(x.rows("DESTTAR").size(), 6);
    EXPECT_TRUE(billing::listArchive(x.db()).isEmpty());
}

TEST(CallArchive, OnlyMonthsBeforeTheGivenOneAreDropped) {
    Exchange x;
    x.subscriber(101);
    for (int month = 1; month <= 3; ++month) {
        x.fee(QDate(2026, month, 1), 25.00);
        x.cityCall(101, QDate(2026, month, 20), 4);
    }
    x.cityCall(101, QDate(2026, 3, 21), 4);
    x.run(kToday);
    ASSERT_EQ(billing::listArchive(x.db()).size(), 3);
    EXPECT_EQ(billing::dropArchiveBefore(x.db(), QDate(2026, 3, 1)),
              (QList<QDate>{QDate(2026, 1, 1), QDate(2026, 2, 1)}));
    const QList<billing::ArchiveMonth> left = billing::listArchive(x.db());
    ASSERT_EQ(left.size(), 1);
    EXPECT_EQ(left.first().month, QDate(2026, 3, 1));
    EXPECT_EQ(left.first().calls, 2);
    EXPECT_TRUE(billing::dropArchiveBefore(x.db(), QDate(2026, 3, 1)).isEmpty());
    EXPECT_EQ(billing::dropQuestion(QDate(2026, 3, 1)),
              QStringLiteral("Удалить архив разговоров до 03.2026?"));
}

TEST(CallArchive, ATamperedManifestIsRefusedAndChangesNothing) {
    struct Case {
        const char* what;
        std::function<void(const billing::SnapshotInfo&)> tamper;
    };
    const Case cases[] = {
        {"no tables",
         [](const billing::SnapshotInfo& s) { rewriteManifest(s, [](QJsonArray& t) { t = {}; }); }},
        {"a path outside the folder",
         [](const billing::SnapshotInfo& s) {
             rewriteManifest(s, [](QJsonArray& t) {
                 QJsonObject e = entryOf(t, QStringLiteral("DolgTb"));
                 e.insert(QStringLiteral("file"), QStringLiteral("../outside/evil.db"));
                 setEntry(t, QStringLiteral("DolgTb"), e);
             });
         }},
        {"another table's image",
         [](const billing::SnapshotInfo& s) {
             rewriteManifest(s, [](QJsonArray& t) {
                 QJsonObject e = entryOf(t, QStringLiteral("OldMG"));
                 e.insert(QStringLiteral("table"), QStringLiteral("DolgTb"));
                 setEntry(t, QStringLiteral("DolgTb"), e);
             });
         }},
        {"an image of the wrong table under the right name",
         [](const billing::SnapshotInfo& s) {
             QFile::remove(s.folder + QStringLiteral("/DolgTb.db.gz"));
             QFile::copy(s.folder + QStringLiteral("/OldMG.DB.gz"),
                         s.folder + QStringLiteral("/DolgTb.db.gz"));
             rewriteManifest(s, [](QJsonArray& t) {
                 QJsonObject e = entryOf(t, QStringLiteral("OldMG"));
                 e.insert(QStringLiteral("table"), QStringLiteral("DolgTb"));
                 e.insert(QStringLiteral("file"), QStringLiteral("DolgTb.db"));
                 setEntry(t, QStringLiteral("DolgTb"), e);
             });
         }},
        {"a table that snapshots do not hold",
         [](const billing::SnapshotInfo& s) {
             rewriteManifest(s, [](QJsonArray& t) {
                 QJsonObject e = entryOf(t, QStringLiteral("OldMG"));
                 e.insert(QStringLiteral("table"), QStringLiteral("AbTab"));
                 setEntry(t, QStringLiteral("OldMG"), e);
             });
         }},
        {"a linked image",
         [](const billing::SnapshotInfo& s) {
             const QString packed = s.folder + QStringLiteral("/DolgTb.db.gz");
             QFile::rename(packed, packed + QStringLiteral(".real"));
             QFile::link(packed + QStringLiteral(".real"), packed);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Exchange x;
        test::seedWorkedExample(x);
        x.run(kToday);
        const billing::SnapshotInfo taken = billing::listSnapshots(x.db()).first();
        c.tamper(taken);
        const auto files = everyFile(x.temp().path());
        try {
            billing::restoreSnapshot(x.db(), x.store(), taken.name, kToday);
            ADD_FAILURE() << "a tampered snapshot was restored";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::Refused) << e.message().toStdString();
        }
        EXPECT_TRUE(everyFile(x.temp().path()) == files);
        EXPECT_FALSE(QFile::exists(x.temp().path() + QStringLiteral("/../outside/evil.db")));
        EXPECT_EQ(billing::listSnapshots(x.db()).size(), 1);
    }
}

TEST(CallArchive, ALinkedTableIsNotWrittenThrough) {
    Exchange x;
    test::seedWorkedExample(x);
    x.run(kToday);
    const QString dolg = x.db().tableFilePath(QStringLiteral("DolgTb"));
    const QString elsewhere = x.temp().path() + QStringLiteral("/elsewhere.bin");
    ASSERT_TRUE(QFile::rename(dolg, elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, dolg));
    QFile target(elsewhere);
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    const QByteArray before = target.readAll();
    target.close();
    const QString name = billing::listSnapshots(x.db()).first().name;
    EXPECT_THROW(billing::restoreSnapshot(x.db(), x.store(), name, kToday), Error);
    ASSERT_TRUE(target.open(QIODevice::ReadOnly));
    EXPECT_EQ(target.readAll(), before);
}

TEST(CallStatement, TotalsPerServiceAreWhatTheRunCharged) {
    Exchange x;
    test::seedWorkedExample(x);
    x.store().writeInteger(QStringLiteral("NoUchet"), QStringLiteral("Min"), 5);
    x.store().writeBool(QStringLiteral("Пеня"), QStringLiteral("Использовать"), true);
    x.cityCall(101, QDate(2026, 3, 5), 12);  // a repeated record, priced once
    x.mgCall(101, QDate(2026, 3, 9), 3);
    x.run(kToday);

    const billing::CallStatement s =
        billing::buildCallStatement(x.db(), 100, 101, QDate(2026, 3, 17), 5);
    ASSERT_EQ(s.calls.size(), 5);
    EXPECT_EQ(s.calls.first().date, QDate(2026, 3, 5));
    int repeats = 0;
    for (const billing::StatementCall& c : s.calls) {
        EXPECT_EQ(c.number, 101);
        repeats += c.reason == QStringLiteral("повтор разговора");
    }
    EXPECT_EQ(repeats, 1);
    const auto sumOf = [&](const QString& table) {
        db::Query q(x.db(), QStringLiteral("SELECT Sum(Sum_of_cost) AS S FROM %1 WHERE AbNumber "
                                           "= 101 AND Date_of_raschet = '2026-04-01'")
                                .arg(table));
        q.open();
        return q.asFloat(QStringLiteral("S"));
    };
    EXPECT_NEAR(s.totals.city, sumOf(QStringLiteral("PrDlgCt")), 1e-9);
    EXPECT_GT(s.totals.city, 0);
    EXPECT_NEAR(s.totals.longDistance, sumOf(QStringLiteral("PrDlgMG")), 1e-9);
    EXPECT_GT(s.totals.longDistance, 0);

    EXPECT_THROW(billing::buildCallStatement(x.db(), 100, 101, QDate(2026, 2, 1), 5), Error);
}

// The listings read an archived month with the panel's selection and the number-list filter,
// and DESTTAR again afterwards.
TEST(ArchivedListing, ListsTheMonthWithTheSelection) {
    Exchange x;
    test::seedWorkedExample(x);
    x.cityCall(104, QDate(2026, 3, 11), 2);
    x.subscriber(104);
    x.run(kToday);
    calls::ListingViews views(x.db());
    const QDate march(2026, 3, 1);
    const auto rows = [](db::Query& q) {
        QStringList numbersAndDays;
        for (qint64 r = 0; r < q.recordCount(); ++r)
            numbersAndDays.append(q.value(r, QStringLiteral("AbNumber")).toString() + u' ' +
                                  q.value(r, QStringLiteral("Date_of_call")).toString());
        return numbersAndDays;
    };

    core::SelectionPanel all;
    EXPECT_EQ(rows(billing::openArchivedListing(views, calls::Listing::All, all, march)),
              (QStringList{"101 2026-03-05", "101 2026-03-07", "101 2026-03-25", "103 2026-03-07",
                           "104 2026-03-11"}));
    db::Query& mg = billing::openArchivedListing(views, calls::Listing::LongDistance, all, march);
    EXPECT_EQ(rows(mg), (QStringList{"101 2026-03-07", "103 2026-03-07"}));
    EXPECT_EQ(mg.value(0, QStringLiteral("TRF")).toInt(), 1);

    core::SelectionPanel panel;
    panel.byNumber = true;
    panel.numberFrom = QStringLiteral("101");
    panel.numberTo = QStringLiteral("102");
    panel.byDate = true;
    panel.dateFrom = QStringLiteral("01.03.2026");
    panel.dateTo = QStringLiteral("20.03.2026");
    EXPECT_EQ(rows(billing::openArchivedListing(views, calls::Listing::City, panel, march)),
              (QStringList{"101 2026-03-05"}));

    views.setListFilter(db::RecordFilter::fromNumbers({104}));
    views.setListFiltered(true);
    EXPECT_EQ(rows(billing::openArchivedListing(views, calls::Listing::All, all, march)),
              (QStringList{"104 2026-03-11"}));
    views.setListFiltered(false);

    EXPECT_THROW(billing::openArchivedListing(views, calls::Listing::All, all, QDate(2026, 2, 1)),
                 Error);
    EXPECT_EQ(rows(views.open(calls::Listing::All, all)), (QStringList{"101 2026-04-02"}));
    EXPECT_EQ(x.rows("DESTTAR").size(), 1);
}

// The run keeps its temporary tables in files, but the connection's own temporary tables (which
// a change of that setting would drop) outlive it, and the setting is as before afterwards.
TEST(CallArchive, TheRunLeavesTheConnectionsTemporaryTablesAndSetting) {
    const auto storeOf = [](Exchange& x) {
        db::Statement read(x.db().connection(), QStringLiteral("PRAGMA temp_store"));
        read.step();
        return read.columnInt(0);
    };
    Exchange plain;
    test::seedWorkedExample(plain);
    const qint64 before = storeOf(plain);
    plain.run(kToday);
    EXPECT_EQ(storeOf(plain), before);
    EXPECT_EQ(billing::listArchive(plain.db()).first().calls, 4);

    Exchange held;
    test::seedWorkedExample(held);
    held.db().connection().exec(
        QStringLiteral("CREATE TEMP TABLE kept (a INTEGER); INSERT INTO kept VALUES (7)"));
    held.run(kToday);
    db::Statement kept(held.db().connection(), QStringLiteral("SELECT a FROM temp.kept"));
    ASSERT_TRUE(kept.step());
    EXPECT_EQ(kept.columnInt(0), 7);
    EXPECT_EQ(billing::listArchive(held.db()).first().calls, 4);
}
