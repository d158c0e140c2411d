#include "utils/AliasCopy.h"

#include "core/Error.h"
#include "db/TableStore.h"

namespace orv::utils {

QList<QPair<QString, qint64>> copyAlias(db::TableStore& from, db::TableStore& to) {
    const QStringList names = from.tableNames();
    if (names.isEmpty())
        raise(Error::Kind::Refused,
              QStringLiteral("Нет таблиц для копирования: %1").arg(from.description()));
    const QStringList present = to.tableNames();
    QStringList clashes;
    for (const QString& name : names)
        if (present.contains(name, Qt::CaseInsensitive)) clashes.append(name);
    if (!clashes.isEmpty())
        raise(Error::Kind::Refused,
              QStringLiteral("Копирование не выполнено: таблицы %1 уже есть (%2). Копируйте в "
                             "пустую папку или схему")
                  .arg(clashes.join(QStringLiteral(", ")), to.description()));
    QList<QPair<QString, qint64>> counts;
    to.load(names, [&](db::TableStore::Loader& loader) {
        for (const QString& name : names) {
            loader.createTable(from.tableDef(name));
            qint64 rows = 0;
            from.readRows(name, [&](const QVariantList& values) {
                loader.append(values);
                ++rows;
            });
            counts.append({name, rows});
        }
    });
    return counts;
}

}  // namespace orv::utils
