// Rebuild of a table file from the rows on its table-leaf pages.

#include "core/Error.h"
#include "core/FileNames.h"
#include "core/TestHooks.h"
#include "db/Database.h"
#include "db/ScratchFolder.h"
#include "db/Sqlite.h"
#include "db/Transaction.h"
#include "repair/ProgressCallback.h"
#include "repair/RepairWork.h"

#include <sqlite3.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <unistd.h>

namespace orv::repair {
namespace {

using db::FieldDef;
using db::TableDef;

constexpr int kRowsPerTestPoint = 20000;  // rows between test points while copying

[[noreturn]] void writeFailed(const QString& what) {
    raise(Error::Kind::Engine, QStringLiteral("Не удалось записать %1").arg(what));
}

// The backup name, or the first of name1, name2, ... ("Backup1.Db") that no file of the folder
// has in any case: a rebuild never overwrites the original that an earlier one kept.
QString freeBackupName(const QString& folder, const QString& name) {
    QSet<QString> taken;
    for (const QString& file : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        taken.insert(file.toLower());
    const QString stem = core::GetClearFName(name);
    const QString extension = name.mid(stem.size());
    QString candidate = name;
    for (int n = 1; taken.contains(candidate.toLower()) ||
                    taken.contains(candidate.toLower() + QStringLiteral("-journal"));
         ++n)
        candidate = stem + QString::number(n) + extension;
    return candidate;
}

// Opening the file lets SQLite roll back a transaction a crash left in its journal, so that
// the pages read afterwards are those of the last commit. A file SQLite cannot read at all is
// left to the page reader, which works without the engine.
void rollBackHotJournal(const QString& path) {
    try {
        db::Connection file(path, db::Connection::Open::Existing);
        file.exec(QStringLiteral("SELECT count(*) FROM sqlite_schema"));
    } catch (const Error&) {
    }
}

TableDef sideTable(const TableDef& def, const QString& fileName, bool withProblem) {
    TableDef side;
    side.name = core::GetClearFName(fileName);
    side.fileName = fileName;
    side.checkValues = false;
    for (FieldDef f : def.fields) {
        f.required = false;
        if (withProblem) f.size = 0;
        side.fields.append(f);
    }
    if (withProblem) {
        QString column = QStringLiteral("Problem");
        while (std::any_of(side.fields.begin(), side.fields.end(), [&](const FieldDef& f) {
            return f.name.compare(column, Qt::CaseInsensitive) == 0;
        }))
            column += QLatin1Char('_');
        side.fields.append({column, db::FieldType::String, 0, false});
    }
    return side;
}

// An INSERT of rows into one table of the scratch database, values bound as read.
class RowInsert {
  public:
    RowInsert(db::Database& db, const TableDef& def, int values, bool withRowid)
        : insert_(db.connection(), insertSql(db, def, values, withRowid)) {}

    // Inserts; returns 0 or the constraint code. Other failures throw.
    int insert(const LeafRow& row, int fields, bool utf8, bool withRowid,
               const QString& extra = {}) {
        int at = 1;
        if (withRowid) insert_.bind(at++, row.rowid);
        for (int i = 0; i < fields; ++i)
            bind(at++, size_t(i) < row.values.size() ? &row.values[size_t(i)] : nullptr, utf8);
        if (!extra.isNull()) insert_.bind(at, extra);
        return insert_.runUnlessConstraint();
    }

  private:
    static QString insertSql(db::Database& db, const TableDef& def, int values, bool withRowid) {
        QStringList columns, marks;
        if (withRowid) {
            columns.append(QStringLiteral("rowid"));
            marks.append(QStringLiteral("?"));
        }
        for (int i = 0; i < values; ++i) {
            columns.append(db::quoteIdentifier(def.fields[i].name));
            marks.append(QStringLiteral("?"));
        }
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(db.qualified(def.name), columns.join(QLatin1Char(',')),
                 marks.join(QLatin1Char(',')));
    }

    void bind(int at, const RawValue* v, bool utf8) {
        using Bytes = db::Statement::Bytes;
        switch (v ? v->kind : RawValue::Kind::Null) {
            case RawValue::Kind::Null:
                insert_.bind(at, QVariant());
                break;
            case RawValue::Kind::Integer:
                insert_.bind(at, qint64(v->integer));
                break;
            case RawValue::Kind::Real:
                insert_.bind(at, v->real);
                break;
            case RawValue::Kind::Text:
                insert_.bindBytes(at, v->bytes, utf8 ? Bytes::Utf8 : Bytes::Utf16);
                break;
            case RawValue::Kind::Blob:
                insert_.bindBytes(at, v->bytes, Bytes::Blob);
                break;
        }
    }

    db::Statement insert_;
};

bool isKeyViolation(int code) {
    return code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY ||
           code == SQLITE_CONSTRAINT_ROWID;
}

QString constraintText(int code) {
    return code == SQLITE_CONSTRAINT_NOTNULL ? QStringLiteral("не заполнено обязательное поле")
                                             : QStringLiteral("значение не проходит проверку поля");
}

// Copies every readable row of the file into the scratch tables.
RebuildOutcome copyRows(const PageFile& file, const TableDef& def, db::Database& scratch,
                        const TableDef& keyDef, const TableDef& problemDef) {
    RebuildOutcome outcome;
    const int fields = int(def.fields.size());
    const bool utf8 = file.textEncoding() == 1;
    const bool utf16le = file.textEncoding() == 2;
    if (!utf8 && !utf16le)
        raise(Error::Kind::Refused, QStringLiteral("Кодировка UTF-16BE не поддерживается"));
    RowInsert table(scratch, def, fields, true);
    RowInsert keys(scratch, keyDef, fields, false);
    RowInsert problems(scratch, problemDef, fields + 1, false);
    const RowPages rowPages(file, def.name);
    const quint32 pages = file.pageCount();
    int lastPercent = -1;
    qint64 seen = 0;
    auto toProblems = [&](const LeafRow& row, const QString& why) {
        LeafRow cut = row;
        if (cut.values.size() > size_t(fields)) cut.values.resize(size_t(fields));
        problems.insert(cut, fields, utf8, false, why);
        ++outcome.problems;
    };
    for (quint32 page = 2; page <= pages; ++page) {
        const int percent = int(qint64(page) * 100 / pages);
        if (percent != lastPercent) {
            lastPercent = percent;
            reportProgress(kPhaseData, percent);
            reportProgress(kPhaseRebuild, percent * 9 / 10);
        }
        if (!rowPages.contains(page)) continue;
        int bad = 0;
        file.readLeaf(
            page,
            [&](LeafRow& row) {
                if (++seen % kRowsPerTestPoint == 0) TEST_crashPoint("rebuild-rows");
                if (row.values.size() > size_t(fields)) {
                    outcome.widestRow = std::max(outcome.widestRow, qint64(row.values.size()));
                    ++outcome.tooWide;
                }
                const QString problem = rowProblem(def, row, file);
                if (!problem.isEmpty()) return toProblems(row, problem);
                const int code = table.insert(row, fields, utf8, true);
                if (code == 0) {
                    ++outcome.kept;
                } else if (isKeyViolation(code)) {
                    keys.insert(row, fields, utf8, false);
                    ++outcome.keyViolations;
                } else {
                    toProblems(row, constraintText(code));
                }
            },
            &bad);
        outcome.unreadable += bad;
    }
    reportProgress(kPhaseData, 100);
    return outcome;
}

void fastWrites(db::Database& scratch, const QString& table) {
    const QString schema = scratch.qualified(table).section(QLatin1Char('.'), 0, 0);
    scratch.connection().exec(
        QStringLiteral("PRAGMA %1.journal_mode = OFF; PRAGMA %1.synchronous = OFF").arg(schema));
}

// Builds the new table, the key-violation and the problem table in the scratch folder.
RebuildOutcome buildTables(const PageFile& file, const TableDef& def, const RebuildNames& names,
                           const db::ScratchFolder& scratchFolder) {
    db::Database scratch(QStringLiteral("Rebuild"), scratchFolder.path());
    TableDef keyed = def;
    QList<db::IndexDef> later;
    keyed.indexes.clear();
    for (const db::IndexDef& index : def.indexes)
        (index.primary || index.unique ? keyed.indexes : later).append(index);
    const TableDef keyDef = sideTable(def, names.keyViolations, false);
    const TableDef problemDef = sideTable(def, names.problems, true);
    for (const TableDef* t : {static_cast<const TableDef*>(&keyed), &keyDef, &problemDef}) {
        scratch.createTable(*t);
        fastWrites(scratch, t->name);
    }
    // Memory and a helper thread for the sort of the index builds.
    scratch.connection().exec(QStringLiteral("PRAGMA cache_size = -65536; PRAGMA threads = 2"));
    db::Transaction transaction(scratch, {keyed.name, keyDef.name, problemDef.name});
    RebuildOutcome outcome = copyRows(file, def, scratch, keyDef, problemDef);
    transaction.commit();
    TEST_crashPoint("rebuild-copied");
    reportProgress(kPhaseIndexes, 0);
    for (int i = 0; i < later.size(); ++i) {
        scratch.addIndex(def.name, later[i]);
        reportProgress(kPhaseIndexes, (i + 1) * 100 / int(later.size()));
    }
    reportProgress(kPhaseIndexes, 100);
    return outcome;
}

}  // namespace

RebuildOutcome rebuildTable(const QString& path, const TableDef& def, const RebuildNames& names) {
    reportProgress(kPhaseHeader, 0);
    rollBackHotJournal(path);
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    RebuildOutcome outcome;
    const db::ScratchFolder scratch(folder, QStringLiteral("rebuild-") + info.fileName());
    {
        const PageFile file(path);
        if (!looksLikeTable(file))
            raise(Error::Kind::Refused,
                  QStringLiteral("Файл %1 не является таблицей").arg(info.fileName()));
        reportProgress(kPhaseHeader, 100);
        outcome = buildTables(file, def, names, scratch);
    }
    if (outcome.tooWide > 0) return outcome;
    outcome.backup = freeBackupName(folder, names.backup);
    const QString fileName =
        def.fileName.isEmpty() ? def.name + QStringLiteral(".db") : def.fileName;
    const QString built = scratch.file(fileName);
    for (const QString& name : {fileName, names.keyViolations, names.problems})
        db::syncFile(scratch.file(name));
    TEST_crashPoint("rebuild-built");
    // The damaged file, byte for byte, under the backup name, while the table file stays in
    // place: a second link to it where the file system allows, a copy otherwise.
    const QString backupCopy = scratch.file(QStringLiteral(".backup"));
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(backupCopy).constData()) !=
        0) {
        if (!QFile::copy(path, backupCopy)) writeFailed(outcome.backup);
        db::syncFile(backupCopy);
    }
    db::moveFile(backupCopy, folder + QLatin1Char('/') + outcome.backup);
    TEST_crashPoint("rebuild-backup");
    for (const QString& name : {names.keyViolations, names.problems}) {
        QFile::remove(folder + QLatin1Char('/') + name + QStringLiteral("-journal"));
        db::moveFile(scratch.file(name), folder + QLatin1Char('/') + name);
        TEST_crashPoint("rebuild-side-table");
    }
    // A journal SQLite could not roll back belongs to the damaged file, now the backup.
    const QString journal = path + QStringLiteral("-journal");
    if (QFile::exists(journal))
        db::moveFile(journal,
                     folder + QLatin1Char('/') + outcome.backup + QStringLiteral("-journal"));
    db::moveFile(built, path);
    TEST_crashPoint("rebuild-swapped");
    reportProgress(kPhaseRebuild, 100);
    return outcome;
}

}  // namespace orv::repair
