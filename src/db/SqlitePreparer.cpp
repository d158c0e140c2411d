#include "db/SqlitePreparer.h"

#include "core/Error.h"
#include "db/Attachments.h"
#include "db/Dialect.h"
#include "db/SurplusCopies.h"
#include "db/TableDdl.h"
#include "db/TableFiles.h"

#include <algorithm>
#include <functional>
#include <utility>

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

// Attaches the files the statement names that are not read from elsewhere, making room for
// them and for the files it creates.
void SqlitePreparer::makeRoom(const QList<TableRef>& refs, const QHash<QString, QString>& rendered,
                              int creates) {
    QStringList needed;
    for (const TableRef& ref : refs) {
        if (ref.use == TableUse::Create || rendered.contains(TableFiles::key(ref.name))) continue;
        const QString k = TableFiles::key(files_.canonicalName(ref.name));
        if (!needed.contains(k)) needed.append(k);
    }
    int missing = creates;
    for (const QString& k : needed)
        if (!attachments_.isAttached(k)) ++missing;
    attachments_.makeRoom(missing, needed);
}

// The SQL text of each table the statement names, its file attached and pinned (a created
// table's file made first); reads of a bound table come from its view.
void SqlitePreparer::renderTables(const QList<TableRef>& refs,
                                  const QHash<QString, QString>& bounds,
                                  QHash<QString, QString>& rendered, Held& held) {
    for (const TableRef& ref : refs) {
        const QString lower = TableFiles::key(ref.name);
        if (rendered.contains(lower)) continue;
        if (ref.use == TableUse::Create) {
            if (files_.find(ref.name))
                raise(Error::Kind::Engine,
                      QStringLiteral("Таблица %1 уже существует").arg(ref.name));
            const QString schema = ddl_.createFile(ref.name, {});
            held.createdFile = ref.name;
            attachments_.pin(ref.name);
            held.pinned.append(ref.name);
            rendered.insert(lower,
                            quoteIdentifier(schema) + QLatin1Char('.') + quoteIdentifier(ref.name));
            continue;
        }
        const QString canonical = files_.canonicalName(ref.name);
        const QString schema = attachments_.attach(canonical);
        attachments_.pin(canonical);
        held.pinned.append(canonical);
        const auto bound = bounds.constFind(TableFiles::key(canonical));
        rendered.insert(
            lower, ref.use == TableUse::Read && bound != bounds.constEnd()
                       ? *bound
                       : quoteIdentifier(schema) + QLatin1Char('.') + quoteIdentifier(canonical));
    }
}

// The statement rendered with its tables, wrapped as an insert or a new temporary table, and
// prepared by the engine.
std::pair<Statement, QString> SqlitePreparer::compile(const DialectStatement& statement,
                                                      const QString& insertTarget, bool intoFile,
                                                      const QHash<QString, QString>& rendered) {
    const auto tableSql = [&](const TableRef& ref) {
        return rendered.value(TableFiles::key(ref.name));
    };
    QString sql = statement.render(tableSql);
    const qsizetype statementLength = sql.size();
    if (intoFile)
        sql = QStringLiteral("INSERT INTO %1 %2")
                  .arg(rendered.value(TableFiles::key(insertTarget)), sql);
    else if (!insertTarget.isEmpty())
        sql = QStringLiteral("CREATE TEMP TABLE %1 AS %2").arg(quoteIdentifier(insertTarget), sql);
    try {
        return {Statement(connection_, sql), sql};
    } catch (const Error& e) {
        const qsizetype offset = connection_.lastErrorOffset(sql);
        const qsizetype prefix = sql.size() - statementLength;
        raiseAtPosition(e, statement, offset < 0 ? -1 : std::max<qsizetype>(0, offset - prefix),
                        tableSql);
    }
}

void SqlitePreparer::release(const Held& held) {
    for (const QString& p : held.pinned) attachments_.unpin(p);
    for (const QString& temp : held.temps) copies_.drop(temp);
    if (held.createdFile.isEmpty()) return;
    try {
        ddl_.dropTable(held.createdFile);
    } catch (const Error&) {
        // The empty file stays; it holds no table and is refused as one on next use.
    }
}

SqlitePreparer::Prepared SqlitePreparer::prepare(const DialectStatement& statement,
                                                 const QString& insertTarget, bool newTemporary,
                                                 int reserve,
                                                 const QHash<QString, QString>& bounds) {
    Held held;
    try {
        QList<TableRef> refs = statement.tables();
        const bool intoFile = !insertTarget.isEmpty() && !newTemporary;
        if (intoFile) refs.prepend(TableRef{insertTarget, TableUse::Write});
        int creates = reserve;
        for (const TableRef& ref : refs)
            if (ref.use == TableUse::Create) ++creates;
        QHash<QString, QString> rendered;  // lower-case name as written -> SQL text
        copies_.copy(refs, Attachments::kLimit - creates, bounds, rendered, held.temps);
        makeRoom(refs, rendered, creates);
        renderTables(refs, bounds, rendered, held);
        auto [prepared, sql] = compile(statement, insertTarget, intoFile, rendered);
        return Prepared{std::move(prepared), sql, held.pinned, held.temps};
    } catch (...) {
        release(held);
        throw;
    }
}

}  // namespace orv::db
