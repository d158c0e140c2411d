#pragma once
// The monthly debt run (ButtonDolgClick without its window): brings every account of AbTab.DB up
// to the first day of today's month. It prices the calls of DESTTAR through the two pipelines,
// totals them per account and reckoned month into PrDlgCt.db and PrDlgMG (the free minutes
// deducted once per city price), combines them into DolgRes and DolgDR, carries each account's
// stored debt month by month with the fee of ABPLATA, the optional penalty and VAT into
// DolgTb.db, copies the old long-distance calls of the accounts' numbers into OldMG.DB and
// moves every call dated before the month start from DESTTAR into the call archive
// (CallArchive.h). A run after missed months reckons each of them in turn.
//
// All or nothing: every change after the pipelines (PrDlgCt.db, PrDlgMG, DolgRes, DolgDR,
// DolgTb.db, OldMG.DB, DESTTAR, the call archive) is one transaction. A refusal or an error
// rolls all of them back, and a process killed at any moment leaves them as they were before the
// run; only the result tables of the pipelines keep what the pipelines wrote.
//
// On a server alias the whole run, the pipelines included, is one REPEATABLE READ transaction of
// the server, run again when the server gives it up for a conflict: it reads one snapshot and
// retires exactly the calls of that snapshot, while the collector's inserts go on unhindered. One
// run at a time across every seat, by a lock of the session. The snapshot of the tables before
// the run is taken inside that transaction, into a schema of its own (ServerSnapshot.h).
//
// Errors are orv::Error. Refused, with the operator's message: AbTab.DB empty, the month already
// reckoned, no ABPLATA row for a reckoned month. Any other error passes with its own text (a
// settings value of the wrong type, a missing table, a category naming no fee column); a failed
// write of an account's debt names the account's number and category.

#include "billing/RunSnapshot.h"
#include "core/Settings.h"

#include <QDate>
#include <QString>
#include <functional>

namespace orv::db {
class Database;
}

namespace orv::billing {

// The two pricing operations the run starts with; each rebuilds its result table from DESTTAR
// (TabCTGr2.db and TabMGgr2.db).
struct DebtPipelines {
    std::function<void(db::Database&)> cityGroup;
    std::function<void(db::Database&)> mgGroup;
};

// CityGroup and MGGroup of the pricing subsystem.
DebtPipelines standardPipelines();

// Called as the run goes: percent 0..100 and what the run is doing. Each phase (unbilled calls,
// pricing city calls, long distance, monthly totals, the accounts, writing the debts, archive and
// retiring the calls) reports its caption as it begins, at the start of its share of the bar;
// the accounts' phase reports every account as "<caption>: <number>". The end is 100.
using DebtProgress = std::function<void(int percent, const QString& doing)>;

struct DebtRunSummary {
    QDate reckoningDate;       // the current month start written into DolgTb.db
    int months = 0;            // months reckoned
    qint64 accounts = 0;       // rows of AbTab.DB stored into DolgTb.db
    qint64 callsArchived = 0;  // rows appended to OldMG.DB
    qint64 callsRetired = 0;   // calls moved from DESTTAR into the call archive
    qint64 callsUnbilled = 0;  // calls of DESTTAR that no tariff priced, before the deletion
};

// The run as of today. The four settings of the run are read from the store at its start; VAT
// comes from vat, the program-wide copy. Before its first change (the pipelines included) the
// run takes a snapshot of the tables it changes (RunSnapshot.h) unless told to skip it; without
// one it does not start and changes nothing.
DebtRunSummary runDebtCalculation(db::Database& db, const core::SettingsStore& store,
                                  const core::VatSettings& vat, const QDate& today,
                                  const DebtPipelines& pipelines, const DebtProgress& progress = {},
                                  RunSnapshotMode snapshotMode = RunSnapshotMode::Take);

// The work lock of the debt run, shared by every seat of a server; a restore of the tables takes
// it too, so that neither starts while the other works.
inline constexpr qint64 kDebtRunLock = qint64(0x4F5244) << 32;

// The run on a server alias tried out: the same run, under the same lock, inside its transaction;
// before runs first in that transaction, inspect after the run, seeing the tables as the run left
// them; then the transaction is rolled back, so nothing changes and the collector is never held
// up. Takes no snapshot.
DebtRunSummary tryDebtCalculationOnServer(db::Database& db, const core::SettingsStore& store,
                                          const core::VatSettings& vat, const QDate& today,
                                          const DebtPipelines& pipelines,
                                          const DebtProgress& progress,
                                          const std::function<void()>& before,
                                          const std::function<void()>& inspect);

// The line that tells the operator what a finished run did: "Долг рассчитан на 01.04.2024:
// месяцев 1, абонентов 20, в архив OldMG 3, удалено звонков 500", with the unbilled calls'
// note after "; " when there are any.
QString summaryLine(const DebtRunSummary& summary);

}  // namespace orv::billing
