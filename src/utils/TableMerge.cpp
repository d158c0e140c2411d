#include "utils/TableMerge.h"

#include "core/Error.h"
#include "core/FileNames.h"
#include "db/BatchMove.h"

#include <QFileInfo>

namespace orv::utils {

QStringList unionStatementLines(const QStringList& files) {
    QStringList lines;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (i > 0) lines.append(QStringLiteral("UNION"));
        lines.append(QStringLiteral("SELECT * FROM ") + QFileInfo(files[i]).fileName());
    }
    return lines;
}

QString mergedTableName(const QStringList& files) {
    return core::GetClearFName(files.first()) + core::GetClearFName(files.last());
}

TableMerge::TableMerge(db::Database& everyday) : QueryUnion(everyday) {}

TableMerge::Result TableMerge::merge(const QStringList& files) {
    if (files.size() < 2)
        raise(Error::Kind::Refused, QStringLiteral("Для слияния выберите не менее двух таблиц"));
    if (QueryUnion.isOpen()) QueryUnion.close();
    QueryUnion.setSql(unionStatementLines(files));
    QueryUnion.open();
    const QString table = mergedTableName(files);
    return {table, db::batchMove(QueryUnion, table)};
}

}  // namespace orv::utils
