#include "utils/TableMerge.h"

#include "core/Error.h"
#include "core/FileNames.h"
#include "db/BatchMove.h"
#include "db/Database.h"
#include "utils/TableExport.h"

#include <QFileInfo>

namespace orv::utils {
namespace {

// The bare file name of a chosen file, refused when it holds a quote: the name goes into the
// statement as a quoted table name, never as statement text.
QString checkedFileName(const QString& file) {
    const QString name = QFileInfo(file).fileName();
    if (name.contains(QLatin1Char('"')) || name.contains(QLatin1Char('\'')))
        raise(Error::Kind::Refused,
              QStringLiteral("Недопустимое имя таблицы: %1 (кавычки в имени не допускаются)")
                  .arg(name));
    return name;
}

}  // namespace

QStringList unionStatementLines(const QStringList& files) {
    QStringList lines;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (i > 0) lines.append(QStringLiteral("UNION"));
        lines.append(QStringLiteral("SELECT * FROM \"%1\"").arg(checkedFileName(files[i])));
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
    const QStringList lines = unionStatementLines(files);
    for (const QString& file : files)
        existingTable(QueryUnion.database(), QFileInfo(file).fileName());
    const QString table = newTableName(mergedTableName(files));
    QueryUnion.setSql(lines);
    QueryUnion.open();
    return {table, db::batchMove(QueryUnion, table)};
}

}  // namespace orv::utils
