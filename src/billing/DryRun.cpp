#include "billing/DryRun.h"

#include "billing/TablePages.h"
#include "calls/CallColumns.h"
#include "db/Database.h"
#include "db/FolderStore.h"
#include "db/Query.h"
#include "db/Schema.h"

#include <QFileInfo>

namespace orv::billing {
namespace {

// DESTTAR as it was before the run, with each call's rowid; the calls still in DESTTAR after the
// run are removed from it, which leaves the ones the run retired.
const QString kCallsBefore = QStringLiteral("DryRunCalls");
const QString kCallRowid = QStringLiteral("CallRowid");
// On a server: DESTTAR as the run's transaction first saw it, each call with its row address, in
// a table of the session; and the debt view as the run left it, kept in the temporary folder.
const QString kServerCallsBefore = QStringLiteral("orv_dryrun_calls");
const QString kDebtsAfter = QStringLiteral("DryRunDebts");

// The permanent tables and the VAT rates the run charges by.
void copyTables(db::Database& live, const QString& folder) {
    for (const db::TableDef& def : db::schema::permanentTables() + QList{db::schema::ndsRates()}) {
        if (!live.tableExists(def.name)) continue;
        const QString table = live.canonicalName(def.name);
        const QString file = QFileInfo(live.tableFilePath(table)).fileName();
        writeTablePages(readTablePages(live, table), folder + u'/' + file, table);
    }
}

db::TableDef callsBeforeDef() {
    db::TableDef def = db::schema::desttar();
    def.name = kCallsBefore;
    def.fileName.clear();
    def.indexes.clear();
    def.fields.append({kCallRowid, db::FieldType::Integer});
    return def;
}

void keepCallsBefore(db::Database& copy) {
    copy.createTable(callsBeforeDef());
    copy.connection().exec(
        QStringLiteral("INSERT INTO %1 SELECT *, rowid FROM %2")
            .arg(copy.qualified(kCallsBefore), copy.qualified(QStringLiteral("DESTTAR"))));
}

void leaveRetiredCalls(db::Database& copy) {
    const QString calls = copy.qualified(QStringLiteral("DESTTAR"));
    copy.connection().exec(QStringLiteral("DELETE FROM %1 WHERE %2 IN (SELECT rowid FROM %3)")
                               .arg(copy.qualified(kCallsBefore), kCallRowid, calls));
}

// Inside the trial's transaction on a server, before the run.
void keepServerCallsBefore(db::Database& live) {
    if (!live.tableExists(QStringLiteral("DESTTAR"))) return;
    live.execute(QStringLiteral("CREATE TEMP TABLE %1 AS SELECT ctid AS orv_ctid, * FROM %2")
                     .arg(kServerCallsBefore, live.qualified(QStringLiteral("DESTTAR"))));
}

// The calls of DESTTAR before the run that are gone after it, in their stored order, numbered.
void loadRetiredServerCalls(db::Database& live, db::TableStore::Loader& loader) {
    const db::TableDef def = callsBeforeDef();
    loader.createTable(def);
    if (!live.tableExists(QStringLiteral("DESTTAR"))) return;
    QStringList columns;
    for (qsizetype i = 0; i + 1 < def.fields.size(); ++i)
        columns.append(QStringLiteral("c.") + def.fields[i].name);
    db::Statement read = live.statement(
        QStringLiteral("SELECT %1 FROM %2 c WHERE NOT EXISTS (SELECT 1 FROM %3 d WHERE d.ctid = "
                       "c.orv_ctid) ORDER BY c.orv_ctid")
            .arg(columns.join(QStringLiteral(", ")), live.temporaryTable(kServerCallsBefore),
                 live.qualified(QStringLiteral("DESTTAR"))));
    QVariantList values;
    for (qint64 number = 1; read.step(); ++number) {
        values.clear();
        for (int i = 0; i < columns.size(); ++i) values.append(read.column(i));
        values.append(number);
        loader.append(values);
    }
}

// The debt view over the server's tables as the run left them, row for row.
void loadServerDebts(db::Database& live, db::TableStore::Loader& loader) {
    DebtViews views(live);
    db::Query& debts = views.openDolg();
    db::TableDef def;
    def.name = kDebtsAfter;
    def.fields = debts.dataFields();
    loader.createTable(def);
    QVariantList values;
    for (qint64 row = 0; row < debts.recordCount(); ++row) {
        values.clear();
        for (int i = 0; i < def.fields.size(); ++i) values.append(debts.value(row, i));
        loader.append(values);
    }
}

}  // namespace

DryRun::DryRun(db::Database& live, const core::SettingsStore& store, const core::VatSettings& vat,
               const QDate& today, const DebtPipelines& pipelines, const DebtProgress& progress) {
    if (live.isServer())
        tryOnServer(live, store, vat, today, pipelines, progress);
    else
        tryOnCopies(live, store, vat, today, pipelines, progress);
    views_->openDolg();
    retired_ = std::make_unique<db::Query>(
        *copy_, QStringLiteral("SELECT AbNumber,Date_of_call,Time_of_call,Longivity,Cat,"
                               "Number_of_call,Code,CodeForeign,TRF FROM %1 ORDER BY %2;")
                    .arg(kCallsBefore, kCallRowid));
    retired_->open();
}

DryRun::~DryRun() = default;

void DryRun::tryOnCopies(db::Database& live, const core::SettingsStore& store,
                         const core::VatSettings& vat, const QDate& today,
                         const DebtPipelines& pipelines, const DebtProgress& progress) {
    copyTables(live, folder_.path());
    copy_ = std::make_unique<db::Database>(live.name(), folder_.path());
    if (copy_->tableExists(QStringLiteral("DESTTAR"))) keepCallsBefore(*copy_);
    summary_ =
        runDebtCalculation(*copy_, store, vat, today, pipelines, progress, RunSnapshotMode::Skip);
    leaveRetiredCalls(*copy_);
    views_ = std::make_unique<DebtViews>(*copy_);
}

// The run in the server's transaction, rolled back; what it left is read inside the transaction
// into tables of the temporary folder, where the views read it as they would read the copies.
void DryRun::tryOnServer(db::Database& live, const core::SettingsStore& store,
                         const core::VatSettings& vat, const QDate& today,
                         const DebtPipelines& pipelines, const DebtProgress& progress) {
    summary_ = tryDebtCalculationOnServer(
        live, store, vat, today, pipelines, progress, [&] { keepServerCallsBefore(live); },
        [&] {
            db::FolderStore kept(std::make_unique<db::Database>(live.name(), folder_.path()));
            kept.load({kDebtsAfter, kCallsBefore}, [&](db::TableStore::Loader& loader) {
                loadServerDebts(live, loader);
                loadRetiredServerCalls(live, loader);
            });
        });
    copy_ = std::make_unique<db::Database>(live.name(), folder_.path());
    views_ = std::make_unique<DebtViews>(*copy_);
    views_->queryDolg().setSql(QStringLiteral("SELECT * FROM %1 ORDER BY rowid;").arg(kDebtsAfter));
}

const QList<core::ViewColumn>& DryRun::retiredColumns() {
    using Display = core::ViewColumn::Display;
    static const QList<core::ViewColumn> columns = {
        calls::callColumn(QStringLiteral("AbNumber")),
        calls::callColumn(QStringLiteral("Date_of_call"), Display::Date),
        calls::callColumn(QStringLiteral("Time_of_call"), Display::Time),
        calls::callColumn(QStringLiteral("Cat")),
        calls::callColumn(QStringLiteral("Longivity")),
        calls::callColumn(QStringLiteral("Number_of_call")),
        calls::callColumn(QStringLiteral("TRF")),
        calls::callColumn(QStringLiteral("Code")),
        calls::callColumn(QStringLiteral("CodeForeign")),
    };
    return columns;
}

}  // namespace orv::billing
