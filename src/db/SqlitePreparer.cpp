#include "db/SqlitePreparer.h"

#include "core/Error.h"
#include "db/Attachments.h"
#include "db/Dialect.h"
#include "db/SurplusCopies.h"
#include "db/TableDdl.h"
#include "db/TableFiles.h"

#include <algorithm>
#include <functional>
#include <optional>

namespace orv::db {
namespace {

// The engine's refusal of a statement, pointing at the place in the statement as the operator
// wrote it. A statement the engine found unfinished points at its end; an error the engine
// places nowhere is passed on as it is.
[[noreturn]] void raiseAtPosition(const Error& e, const DialectStatement& statement,
                                  qsizetype offset,
                                  const std::function<QString(const TableRef&)>& tableSql) {
    const bool unfinished = e.message().endsWith(QLatin1String("(incomplete input)"));
    if (offset < 0 && !unfinished) throw e;
    const auto [line, column] = statement.sourcePosition(unfinished ? -1 : offset, tableSql);
    raise(e.kind(),
          QStringLiteral("%1; строка %2, позиция %3").arg(e.message()).arg(line).arg(column));
}

}  // namespace

SqlitePreparer::Prepared SqlitePreparer::prepare(const DialectStatement& statement,
                                                 const QString& insertTarget, bool newTemporary,
                                                 int reserve,
                                                 const QHash<QString, QString>& bounds) {
    const auto key = &TableFiles::key;
    QHash<QString, QString> rendered;  // lower-case name as written -> SQL text
    QStringList pinned;
    QStringList temps;
    QString createdFile;
    try {
        QList<TableRef> refs = statement.tables();
        const bool intoFile = !insertTarget.isEmpty() && !newTemporary;
        if (intoFile) refs.prepend(TableRef{insertTarget, TableUse::Write});
        int creates = reserve;
        for (const TableRef& ref : refs)
            if (ref.use == TableUse::Create) ++creates;
        copies_.copy(refs, Attachments::kLimit - creates, bounds, rendered, temps);
        QStringList needed;
        for (const TableRef& ref : refs) {
            if (ref.use == TableUse::Create || rendered.contains(key(ref.name))) continue;
            const QString canonical = files_.canonicalName(ref.name);
            if (!needed.contains(key(canonical))) needed.append(key(canonical));
        }
        int missing = creates;
        for (const QString& k : needed)
            if (!attachments_.isAttached(k)) ++missing;
        attachments_.makeRoom(missing, needed);
        for (const TableRef& ref : refs) {
            const QString lower = key(ref.name);
            if (rendered.contains(lower)) continue;
            if (ref.use == TableUse::Create) {
                if (files_.find(ref.name))
                    raise(Error::Kind::Engine,
                          QStringLiteral("Таблица %1 уже существует").arg(ref.name));
                const QString schema = ddl_.createFile(ref.name, {});
                createdFile = ref.name;
                attachments_.pin(ref.name);
                pinned.append(ref.name);
                rendered.insert(
                    lower, quoteIdentifier(schema) + QLatin1Char('.') + quoteIdentifier(ref.name));
                continue;
            }
            const QString canonical = files_.canonicalName(ref.name);
            const QString schema = attachments_.attach(canonical);
            attachments_.pin(canonical);
            pinned.append(canonical);
            const auto bound = bounds.constFind(key(canonical));
            rendered.insert(lower, ref.use == TableUse::Read && bound != bounds.constEnd()
                                       ? *bound
                                       : quoteIdentifier(schema) + QLatin1Char('.') +
                                             quoteIdentifier(canonical));
        }
        const auto tableSql = [&](const TableRef& ref) { return rendered.value(key(ref.name)); };
        QString sql = statement.render(tableSql);
        const qsizetype statementLength = sql.size();
        if (intoFile)
            sql = QStringLiteral("INSERT INTO %1 %2").arg(rendered.value(key(insertTarget)), sql);
        else if (!insertTarget.isEmpty())
            sql = QStringLiteral("CREATE TEMP TABLE %1 AS %2")
                      .arg(quoteIdentifier(insertTarget), sql);
        std::optional<Statement> prepared;
        try {
            prepared.emplace(connection_, sql);
        } catch (const Error& e) {
            const qsizetype offset = connection_.lastErrorOffset(sql);
            const qsizetype prefix = sql.size() - statementLength;
            raiseAtPosition(e, statement, offset < 0 ? -1 : std::max<qsizetype>(0, offset - prefix),
                            tableSql);
        }
        return Prepared{std::move(*prepared), sql, pinned, temps};
    } catch (...) {
        for (const QString& p : pinned) attachments_.unpin(p);
        for (const QString& temp : temps) copies_.drop(temp);
        if (!createdFile.isEmpty()) {
            try {
                ddl_.dropTable(createdFile);
            } catch (const Error&) {
                // The empty file stays; it holds no table and is refused as one on next use.
            }
        }
        throw;
    }
}

}  // namespace orv::db
