#include "db/Attachments.h"

#include "core/Error.h"
#include "db/Sqlite.h"
#include "db/TableFiles.h"

#include <QUrl>

namespace orv::db {
namespace {

QString fileUri(const QString& path, const char* mode) {
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?mode=") +
           QLatin1String(mode);
}

QString fileKey(const QString& schema) { return QStringLiteral("file:") + schema.toLower(); }

}  // namespace

void Attachments::attachUri(const QString& schema, const QString& uri) {
    Statement attachStatement(
        connection_, QStringLiteral("ATTACH DATABASE ? AS %1").arg(quoteIdentifier(schema)));
    attachStatement.bind(1, uri);
    attachStatement.run();
}

void Attachments::detach(const QString& schema) {
    connection_.exec(QStringLiteral("DETACH DATABASE %1").arg(quoteIdentifier(schema)));
}

bool Attachments::holdsTable(const QString& schema, const QString& canonical) {
    Statement check(connection_,
                    QStringLiteral("SELECT name FROM %1.sqlite_master WHERE type='table' AND "
                                   "name = ? COLLATE NOCASE")
                        .arg(quoteIdentifier(schema)));
    check.bind(1, canonical);
    return check.step();
}

void Attachments::checkSingleTable(const QString& canonical, const QString& schema,
                                   const QString& path) {
    if (!holdsTable(schema, canonical))
        raise(Error::Kind::Engine,
              QStringLiteral("Файл %1 не содержит таблицы %2").arg(path, canonical));
}

QString Attachments::attach(const QString& canonical, Tableless tableless) {
    const QString k = TableFiles::key(canonical);
    if (auto it = attached_.find(k); it != attached_.end()) {
        it->lastUse = ++useCounter_;
        return it->schema;
    }
    makeRoom(1, {k});
    const QString path = files_.path(canonical);
    QString schema = canonical;
    if (k == QLatin1String("main") || k == QLatin1String("temp"))
        schema = QStringLiteral("t_") + canonical;
    try {
        attachUri(schema, fileUri(path, "rw"));
    } catch (const Error& e) {
        raise(Error::Kind::Engine,
              QStringLiteral("Таблица %1 (%2): %3").arg(canonical, path, e.message()));
    }
    attached_.insert(k, Attached{schema, 0, ++useCounter_});
    try {
        if (tableless == Tableless::Allowed)
            connection_.exec(
                QStringLiteral("SELECT 1 FROM %1.sqlite_master").arg(quoteIdentifier(schema)));
        else
            checkSingleTable(canonical, schema, path);
    } catch (const Error&) {
        attached_.remove(k);
        detach(schema);
        throw;
    }
    return schema;
}

QString Attachments::attachNew(const QString& name, const QString& path) {
    makeRoom(1, {});
    attachUri(name, fileUri(path, "rwc"));
    attached_.insert(TableFiles::key(name), Attached{name, 0, ++useCounter_});
    files_.forget();
    return name;
}

void Attachments::attachFile(const QString& path, const QString& schema) {
    const QString k = fileKey(schema);
    if (attached_.contains(k))
        raise(Error::Kind::Engine, QStringLiteral("Файл %1 уже подключен").arg(path));
    makeRoom(1, {});
    attachUri(schema, fileUri(path, "rwc"));
    attached_.insert(k, Attached{schema, 1, ++useCounter_});
}

void Attachments::detachFile(const QString& schema) {
    if (attached_.remove(fileKey(schema)) == 0) return;
    detach(schema);
}

bool Attachments::isAttached(const QString& canonical) const {
    return attached_.contains(TableFiles::key(canonical));
}

void Attachments::makeRoom(int needed, const QStringList& keep) {
    while (attached_.size() + needed > kLimit) {
        if (connection_.inTransaction()) return;
        auto victim = attached_.end();
        for (auto it = attached_.begin(); it != attached_.end(); ++it) {
            if (it->pins > 0 || keep.contains(it.key())) continue;
            if (victim == attached_.end() || it->lastUse < victim->lastUse) victim = it;
        }
        if (victim == attached_.end()) return;
        detach(victim->schema);
        attached_.erase(victim);
    }
}

void Attachments::detachIfUnused(const QString& canonical) {
    const auto it = attached_.find(TableFiles::key(canonical));
    if (it == attached_.end() || it->pins > 0 || connection_.inTransaction()) return;
    detach(it->schema);
    attached_.erase(it);
}

void Attachments::detachUnused() {
    if (connection_.inTransaction()) return;
    for (auto it = attached_.begin(); it != attached_.end();) {
        if (it->pins > 0) {
            ++it;
            continue;
        }
        detach(it->schema);
        it = attached_.erase(it);
    }
}

void Attachments::release(const QString& canonical) {
    const auto it = attached_.find(TableFiles::key(canonical));
    if (it == attached_.end()) return;
    if (it->pins > 0 || connection_.inTransaction())
        raise(Error::Kind::Engine, QStringLiteral("Таблица %1 используется").arg(canonical));
    detach(it->schema);
    attached_.erase(it);
}

void Attachments::pin(const QString& canonical) {
    if (auto it = attached_.find(TableFiles::key(canonical)); it != attached_.end()) ++it->pins;
}

void Attachments::unpin(const QString& canonical) {
    if (auto it = attached_.find(TableFiles::key(canonical)); it != attached_.end() && it->pins > 0)
        --it->pins;
}

}  // namespace orv::db
