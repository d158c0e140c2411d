#include "db/BatchMove.h"

#include "db/Database.h"
#include "db/Dialect.h"
#include "db/Query.h"

namespace orv::db {

qint64 batchMove(Query& source, const QString& target, ValueChecks checks) {
    TableDef def;
    def.name = target;
    def.fields = source.resultFields();
    def.checkValues = checks == ValueChecks::On;
    source.unprepare();  // its attachments would take the room the copy needs
    return source.database().replaceTable(
        def, source.dialect(), [&](Statement& insert) { source.bindParameters(insert); });
}

}  // namespace orv::db
