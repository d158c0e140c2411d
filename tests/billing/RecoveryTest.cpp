// Snapshots before the debt run and their restore, a full disk refusing the run, a collector
// appending calls while a snapshot is taken, the payment journal, and the trial run.

#include "BillingFixture.h"
#include "billing/CallArchive.h"
#include "billing/DebtJournal.h"
#include "billing/DryRun.h"
#include "billing/Payment.h"
#include "billing/PaymentJournal.h"
#include "billing/RunSnapshot.h"
#include "billing/Snapshot.h"
#include "billing/TablePages.h"
#include "core/Error.h"

#include <sys/mount.h>
#include <QDir>
#include <QDirIterator>
#include <QProcess>

using namespace orv;
using orv::test::Exchange;
using orv::test::runTables;

namespace {

const QDate kToday(2026, 4, 10);

// Every row of the tables a run changes, with its rowid.
QMap<QString, QStringList> contents(Exchange& x) {
    QMap<QString, QStringList> result;
    for (const QString& table : runTables()) {
        db::Query q(x.db(),
                    QStringLiteral("SELECT rowid AS r, * FROM %1 ORDER BY rowid").arg(table));
        q.open();
        result.insert(table, test::rowsOf(q));
    }
    return result;
}

// Every file under the folder, snapshots left out, with its exact bytes.
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

class WriteLimit {
  public:
    explicit WriteLimit(qint64 bytes) { billing::TEST_failGzipWritesAfter(bytes); }
    ~WriteLimit() { billing::TEST_failGzipWritesAfter(-1); }
};

}  // namespace

TEST(Snapshot, TheRunTakesOneAndARestoreGivesBackEveryTableAndCanBeUndone) {
    Exchange x;
    seedWorkedExample(x);
    const auto before = contents(x);
    x.run(kToday);
    const auto after = contents(x);
    ASSERT_EQ(after.value(QStringLiteral("DESTTAR")).size(), 1);

    QList<billing::SnapshotInfo> snapshots = billing::listSnapshots(x.db());
    ASSERT_EQ(snapshots.size(), 1);
    const billing::SnapshotInfo& taken = snapshots.first();
    EXPECT_EQ(taken.reason, QStringLiteral("Расчет долга"));
    EXPECT_EQ(taken.runDate, kToday);
    EXPECT_EQ(taken.version, QStringLiteral(ORVANTA_VERSION));
    QStringList counts;
    for (const billing::SnapshotTable& t : taken.tables)
        counts.append(t.table + u'=' + QString::number(t.rows));
    EXPECT_EQ(counts, (QStringList{"DolgTb=2", "PrDlgCt=1", "PrDlgMG=0", "OldMG=0"}));
    for (const billing::SnapshotTable& t : taken.tables)
        EXPECT_TRUE(QFile::exists(taken.folder + u'/' + t.fileName + QStringLiteral(".gz")));

    // The retired calls come back from the archive, with their rowids.
    const billing::SnapshotInfo undo =
        billing::restoreSnapshot(x.db(), x.store(), taken.name, kToday);
    EXPECT_EQ(contents(x), before);
    EXPECT_TRUE(billing::listArchive(x.db()).isEmpty());

    billing::restoreSnapshot(x.db(), x.store(), undo.name, kToday);
    EXPECT_EQ(contents(x).value(QStringLiteral("DolgTb")), after.value(QStringLiteral("DolgTb")));
    EXPECT_EQ(billing::listSnapshots(x.db()).size(), 3);
}

TEST(Snapshot, ADamagedSnapshotIsRefusedBeforeAnythingIsRestored) {
    Exchange x;
    seedWorkedExample(x);
    const billing::SnapshotInfo taken =
        billing::takeSnapshot(x.db(), kToday, QStringLiteral("проба"));
    x.run(kToday);
    const auto files = x.files(runTables());
    billing::writeGzip(taken.folder + QStringLiteral("/DolgTb.db.gz"), QByteArray(4096, 'x'));
    try {
        billing::restoreSnapshot(x.db(), x.store(), taken.name, kToday);
        ADD_FAILURE() << "a damaged snapshot was restored";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), Error::Kind::Refused);
        EXPECT_TRUE(e.message().contains(QStringLiteral("повреждена")))
            << e.message().toStdString();
    }
    EXPECT_TRUE(x.files(runTables()) == files);
    EXPECT_EQ(billing::listSnapshots(x.db()).size(), 2);
}

TEST(Snapshot, ARefusedRunLeavesNoSnapshotAndOnlyTheNewestAreKept) {
    Exchange x;
    seedWorkedExample(x);
    x.store().writeInteger(QStringLiteral("Копии"), QStringLiteral("Хранить"), 2);
    x.run(kToday);
    EXPECT_THROW(x.run(kToday), Error);  // already reckoned
    EXPECT_EQ(billing::listSnapshots(x.db()).size(), 1);

    for (int i = 0; i < 3; ++i) billing::takeSnapshot(x.db(), kToday, QStringLiteral("проба"));
    x.fee(QDate(2026, 4, 1), 25.00);
    x.run(QDate(2026, 5, 10));
    const QList<billing::SnapshotInfo> kept = billing::listSnapshots(x.db());
    ASSERT_EQ(kept.size(), 2);
    EXPECT_EQ(kept.last().reason, QStringLiteral("Расчет долга"));
    EXPECT_LT(kept.first().name, kept.last().name);
}

TEST(Snapshot, AFullDiskRefusesTheRunAndChangesNothing) {
    Exchange x;
    seedWorkedExample(x);
    billing::ensureDebtJournal(x.db());  // the journals exist, as after init
    const auto files = everyFile(x.temp().path());
    {
        const WriteLimit full(600);
        try {
            x.run(kToday);
            ADD_FAILURE() << "the run went ahead without its snapshot";
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), Error::Kind::Refused);
            EXPECT_TRUE(e.message().startsWith(billing::kNoSnapshot)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("No space left on device")));
        }
    }
    // Nothing changed: neither the run's tables nor the pipelines' tables.
    auto now = everyFile(x.temp().path());
    now.remove(QStringLiteral(".orvanta-debt-run.lock"));  // the run's lock, no table
    EXPECT_TRUE(now == files);
    EXPECT_TRUE(QDir(billing::backupsFolder(x.db()))
                    .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                    .isEmpty());
}

TEST(Snapshot, AFullTmpfsRefusesTheRunAndChangesNothing) {
    Exchange x;
    seedWorkedExample(x);
    const QString backups = billing::backupsFolder(x.db());
    ASSERT_TRUE(QDir().mkpath(backups));
    if (mount("tmpfs", backups.toLocal8Bit().constData(), "tmpfs", 0, "size=8k") != 0)
        GTEST_SKIP() << "no permission to mount a tmpfs here";
    struct Unmount {
        QByteArray path;
        ~Unmount() { umount(path.constData()); }
    } const unmount{backups.toLocal8Bit()};
    const auto files = x.files(runTables());
    EXPECT_THROW(x.run(kToday), Error);
    EXPECT_TRUE(x.files(runTables()) == files);
    EXPECT_TRUE(QDir(backups).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

// The sqlite3 shell appends calls one at a time, each call its own process and transaction, as
// the collector does while calls come in.
TEST(Snapshot, CallsAppendedAfterTheRunSurviveTheRestore) {
    Exchange x;
    seedWorkedExample(x);
    x.run(kToday);
    x.cityCall(101, QDate(2026, 4, 12), 3);
    x.cityCall(104, QDate(2026, 4, 13), 4);
    const QString name = billing::listSnapshots(x.db()).first().name;
    billing::restoreSnapshot(x.db(), x.store(), name, kToday);
    EXPECT_EQ(x.rows("DESTTAR").size(), 5 + 2);
}

TEST(PaymentJournal, TwoPaymentsOfOneNumberAreBothKeptAndARefusedOneIsNot) {
    Exchange x;
    seedWorkedExample(x);
    x.run(kToday);
    const QLocale c(QLocale::C);
    ASSERT_TRUE(billing::confirmPayment(x.db(), 101, QStringLiteral("all"), QStringLiteral("150"),
                                        c, kToday));
    ASSERT_TRUE(billing::confirmPayment(x.db(), 101, QStringLiteral("ALL"), QStringLiteral("50.4"),
                                        c, QDate(2026, 4, 12)));
    // Another category's payment row for the same number is refused: no line for it either.
    x.subscriber(101, QStringLiteral("BUDG"));
    x.debt(101, QStringLiteral("BUDG"), QDate(2026, 4, 1), 10.0);
    EXPECT_THROW(billing::confirmPayment(x.db(), 101, QStringLiteral("BUDG"), QStringLiteral("5"),
                                         c, kToday),
                 Error);
    EXPECT_EQ(x.rows("PaneDate").size(), 1);

    db::Query journal(x.db());
    billing::openPaymentJournal(journal, {});
    QStringList lines;
    for (qint64 r = 0; r < journal.recordCount(); ++r) {
        QStringList fields;
        for (const int f : {0, 1, 2, 4, 5}) fields.append(db::displayText(journal.value(r, f)));
        EXPECT_EQ(journal.value(r, 6).toString(), billing::logOnUserName());
        EXPECT_TRUE(journal.value(r, 3).toTime().isValid());
        lines.append(fields.join(u'|'));
    }
    EXPECT_EQ(lines, (QStringList{"101|all|10.04.2026|200.4|150", "101|ALL|12.04.2026|50.4|50.4"}));

    struct Case {
        billing::JournalSelection selection;
        qint64 rows;
    };
    const Case cases[] = {
        {{101, 101, {}, {}}, 2},
        {{102, 0, {}, {}}, 0},
        {{0, 0, QDate(2026, 4, 11), {}}, 1},
        {{0, 0, {}, QDate(2026, 4, 10)}, 1},
        {{0, 100, {}, {}}, 0},
    };
    for (const Case& c : cases) {
        billing::openPaymentJournal(journal, c.selection);
        EXPECT_EQ(journal.recordCount(), c.rows) << c.selection.numberFrom;
    }
}

TEST(DryRun, ChangesNoFileAndShowsWhatTheRunThenDoes) {
    Exchange x;
    seedWorkedExample(x);
    // The result tables of the pipelines exist from an earlier pricing.
    billing::standardPipelines().cityGroup(x.db());
    billing::standardPipelines().mgGroup(x.db());
    const auto files = everyFile(x.temp().path());

    QStringList debts;
    QStringList retired;
    billing::DebtRunSummary trialSummary;
    {
        billing::DryRun trial(x.db(), x.store(), x.vat, kToday, billing::standardPipelines());
        trialSummary = trial.summary();
        debts = test::rowsOf(trial.debtView());
        retired = test::rowsOf(trial.retiredCalls());
    }
    EXPECT_TRUE(everyFile(x.temp().path()) == files);
    EXPECT_TRUE(billing::listSnapshots(x.db()).isEmpty());

    const QStringList callsBefore = x.rows("DESTTAR");
    const billing::DebtRunSummary summary = x.run(kToday);
    billing::DebtViews views(x.db());
    EXPECT_EQ(test::rowsOf(views.openDolg()), debts);
    EXPECT_EQ(trialSummary.callsRetired, summary.callsRetired);
    EXPECT_EQ(trialSummary.callsArchived, summary.callsArchived);
    QStringList gone;
    const QStringList left = x.rows("DESTTAR");
    for (const QString& call : callsBefore)
        if (!left.contains(call)) gone.append(call);
    EXPECT_EQ(retired, gone);
    EXPECT_EQ(retired.size(), 4);

    // Refused as the run is, and still without a change.
    const auto afterRun = everyFile(x.temp().path());
    EXPECT_THROW(billing::DryRun(x.db(), x.store(), x.vat, kToday, billing::standardPipelines()),
                 Error);
    EXPECT_TRUE(everyFile(x.temp().path()) == afterRun);
}
