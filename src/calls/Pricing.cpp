#include "calls/Pricing.h"

#include "calls/CallStatements.h"
#include "calls/SpeedIndexes.h"
#include "core/Error.h"
#include "db/BatchMove.h"
#include "db/Database.h"
#include "db/Dialect.h"
#include "db/Query.h"

namespace orv::calls {
namespace {

struct StepDef {
    const QString& (*statement)();
    const char* target;
    // The statement whose result columns the target takes, when the step runs an equivalent
    // statement in its place; nullptr when the step runs the statement itself.
    const QString& (*columnsOf)();
};

const StepDef& stepDef(PricingStep step) {
    static const StepDef steps[] = {
        {sql::QueryCityGroup1, "TabCTPr", nullptr},
        {sql::QueryCityGroupMaxLatest, "TabCTGr1.db", sql::QueryCityGroupMax},
        {sql::QueryCityGroup2, "TabCTGr2.db", nullptr},
        {sql::QueryMGGroup1, "TabMGPr", nullptr},
        {sql::QueryMGGroupMaxLatest, "TabMGgr1.db", sql::QueryMGGroupMax},
        {sql::QueryMGGroup2, "TabMGgr2.db", nullptr},
        {sql::QueryAllGroup1, "TabAllGr", nullptr},
    };
    return steps[static_cast<int>(step)];
}

// The result copy of an equivalent statement: the target gets the columns and types the
// written statement's copy would give it, and the rows of the statement that runs.
qint64 copyEquivalent(db::Database& db, const QString& written, const QString& runs,
                      const QString& target) {
    db::TableDef def;
    def.name = target;
    def.checkValues = false;  // as for the other result tables, see runPricingStep
    {
        db::Query source(db, written);
        def.fields = source.resultFields();
    }
    // The source is prepared before the target is replaced, so that a missing table leaves it
    // as it was; the replacement is one transaction.
    return db.replaceTable(def, db::DialectStatement(runs));
}

}  // namespace

const QString& pricingStepStatement(PricingStep step) { return stepDef(step).statement(); }

QString pricingStepTarget(PricingStep step) { return QString::fromUtf8(stepDef(step).target); }

qint64 runPricingStep(db::Database& db, PricingStep step) {
    const StepDef& def = stepDef(step);
    const QString target = QString::fromUtf8(def.target);
    if (step == PricingStep::CitySelect || step == PricingStep::MGSelect) ensureCallIndex(db);
    if (step == PricingStep::CityDate || step == PricingStep::CityPrice) ensureCityTariffIndex(db);
    if (step == PricingStep::MGDate || step == PricingStep::MGPrice) ensureTrunkTariffIndex(db);
    if (def.columnsOf) return copyEquivalent(db, def.columnsOf(), def.statement(), target);
    // Result tables take their rows from checked columns only (DESTTAR, AbTab.DB, the tariffs and
    // the result tables before them), so they are declared without value checks.
    db::Query source(db, def.statement());
    return db::batchMove(source, target, db::ValueChecks::Off);
}

void CityGroup(db::Database& db) {
    for (PricingStep step :
         {PricingStep::CitySelect, PricingStep::CityDate, PricingStep::CityPrice})
        runPricingStep(db, step);
}

void MGGroup(db::Database& db) {
    for (PricingStep step : {PricingStep::MGSelect, PricingStep::MGDate, PricingStep::MGPrice})
        runPricingStep(db, step);
}

void AllGroup(db::Database& db) {
    CityGroup(db);
    MGGroup(db);
    runPricingStep(db, PricingStep::AllUnion);
}

}  // namespace orv::calls
