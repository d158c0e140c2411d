#include "calls/SpeedIndexes.h"

#include "core/Error.h"
#include "db/Database.h"
#include "db/Schema.h"

namespace orv::calls {

void ensureIndex(db::Database& db, const QString& table, const db::IndexDef& wanted) {
    try {
        if (!db.tableExists(table)) return;
        for (const db::IndexDef& index : db.tableDef(table).indexes) {
            bool leads = index.fields.size() >= wanted.fields.size();
            for (qsizetype i = 0; leads && i < wanted.fields.size(); ++i)
                leads = index.fields[i].compare(wanted.fields[i], Qt::CaseInsensitive) == 0;
            if (leads) return;
        }
        db.addIndex(table, wanted);
    } catch (const Error&) {
        // Speed only; the statements give the same rows without the index.
    }
}

void ensureCallIndex(db::Database& db) {
    for (const db::IndexDef& index : db::schema::desttar().indexes)
        ensureIndex(db, db::schema::desttar().name, index);
}

void ensureCityTariffIndex(db::Database& db) {
    ensureIndex(db, db::schema::tarifCit().name,
                {{},
                 {QStringLiteral("DATA"), QStringLiteral("PRIZNAK"), QStringLiteral("COST")},
                 false,
                 false});
}

void ensureTrunkTariffIndex(db::Database& db) {
    ensureIndex(db, db::schema::tarif1().name,
                {{},
                 {QStringLiteral("TRF"), QStringLiteral("DATA"), QStringLiteral("Cost_k")},
                 false,
                 false});
}

}  // namespace orv::calls
