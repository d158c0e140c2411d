#include "billing/DryRun.h"

#include "billing/TablePages.h"
#include "calls/CallColumns.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Schema.h"

#include <QFileInfo>

namespace orv::billing {
namespace {

// DESTTAR as it was before the run, with each call's rowid; the calls still in DESTTAR after the
// run are removed from it, which leaves the ones the run retired.
const QString kCallsBefore = QStringLiteral("DryRunCalls");
const QString kCallRowid = QStringLiteral("CallRowid");

// The permanent tables and the VAT rates the run charges by.
void copyTables(db::Database& live, const QString& folder) {
    for (const db::TableDef& def : db::schema::permanentTables() + QList{db::schema::ndsRates()}) {
        if (!live.tableExists(def.name)) continue;
        const QString table = live.canonicalName(def.name);
        const QString file = QFileInfo(live.tableFilePath(table)).fileName();
        writeTablePages(readTablePages(live, table), folder + u'/' + file, table);
    }
}

void keepCallsBefore(db::Database& copy) {
    db::TableDef def = db::schema::desttar();
    def.name = kCallsBefore;
    def.fileName.clear();
    def.indexes.clear();
    def.fields.append({kCallRowid, db::FieldType::Integer});
    copy.createTable(def);
    copy.connection().exec(
        QStringLiteral("INSERT INTO %1 SELECT *, rowid FROM %2")
            .arg(copy.qualified(kCallsBefore), copy.qualified(QStringLiteral("DESTTAR"))));
}

void leaveRetiredCalls(db::Database& copy) {
    const QString calls = copy.qualified(QStringLiteral("DESTTAR"));
    copy.connection().exec(QStringLiteral("DELETE FROM %1 WHERE %2 IN (SELECT rowid FROM %3)")
                               .arg(copy.qualified(kCallsBefore), kCallRowid, calls));
}

}  // namespace

DryRun::DryRun(db::Database& live, const core::SettingsStore& store, const core::VatSettings& vat,
               const QDate& today, const DebtPipelines& pipelines, const DebtProgress& progress) {
    copyTables(live, folder_.path());
    copy_ = std::make_unique<db::Database>(live.name(), folder_.path());
    if (copy_->tableExists(QStringLiteral("DESTTAR"))) keepCallsBefore(*copy_);
    summary_ =
        runDebtCalculation(*copy_, store, vat, today, pipelines, progress, RunSnapshotMode::Skip);
    leaveRetiredCalls(*copy_);
    views_ = std::make_unique<DebtViews>(*copy_);
    views_->openDolg();
    retired_ = std::make_unique<db::Query>(
        *copy_, QStringLiteral("SELECT AbNumber,Date_of_call,Time_of_call,Longivity,Cat,"
                               "Number_of_call,Code,CodeForeign,TRF FROM %1 ORDER BY %2;")
                    .arg(kCallsBefore, kCallRowid));
    retired_->open();
}

DryRun::~DryRun() = default;

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
