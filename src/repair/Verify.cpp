// Verification of a table file: header, structure, b-trees and indexes, rows.

#include "core/Error.h"
#include "core/FileNames.h"
#include "db/Schema.h"
#include "db/ScratchFolder.h"
#include "db/Sqlite.h"
#include "repair/RepairWork.h"
#include "repair/TableRepair.h"

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <memory>
#include <optional>

namespace orv::repair {
namespace {

using db::TableDef;

constexpr int kMaxFindings = 1000;
constexpr int kIntegrityMessages = 100;
// VM steps per row that integrity_check takes, roughly; only for the progress bar.
constexpr qint64 kIntegrityStepsPerRow = 60;

class Findings {
  public:
    void add(Finding f) {
        if (f.damage)
            ++damage_;
        else
            ++notes_;
        if (list_.size() < kMaxFindings)
            list_.append(std::move(f));
        else
            ++dropped_;
    }
    int damage() const { return damage_; }
    int notes() const { return notes_; }
    QList<Finding> list() const {
        QList<Finding> all = list_;
        if (dropped_ > 0)
            all.append({QStringLiteral("Row"), 0, 0,
                        QStringLiteral("и ещё %1 замечаний").arg(dropped_), true});
        return all;
    }

  private:
    QList<Finding> list_;
    int damage_ = 0, notes_ = 0, dropped_ = 0;
};

QString describe(const db::FieldDef& f) {
    return db::sqlTypeName(f) + (f.required ? QStringLiteral(" NOT NULL") : QString());
}

bool sameFields(const QStringList& a, const QStringList& b) {
    if (a.size() != b.size()) return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].compare(b[i], Qt::CaseInsensitive) != 0) return false;
    return true;
}

void compareStructure(const TableDef& want, const TableDef& have, Findings& findings) {
    const QString s = QStringLiteral("Structure");
    if (want.fields.size() != have.fields.size())
        findings.add(
            {s, 0, 0,
             QStringLiteral("полей %1 вместо %2").arg(have.fields.size()).arg(want.fields.size())});
    for (int i = 0; i < std::min(want.fields.size(), have.fields.size()); ++i) {
        const db::FieldDef& w = want.fields[i];
        const db::FieldDef& h = have.fields[i];
        if (w.name.compare(h.name, Qt::CaseInsensitive) != 0 || w.type != h.type ||
            w.size != h.size || w.required != h.required)
            findings.add({s, 0, 0,
                          QStringLiteral("поле %1: %2 %3 вместо %4 %5")
                              .arg(i + 1)
                              .arg(h.name, describe(h), w.name, describe(w))});
    }
    for (const db::IndexDef& w : want.indexes) {
        bool found = false;
        for (const db::IndexDef& h : have.indexes)
            found = found || (sameFields(w.fields, h.fields) &&
                              (w.unique || w.primary) == (h.unique || h.primary));
        if (!found)
            findings.add(
                {QStringLiteral("Index"), 0, 0,
                 QStringLiteral("нет индекса по полям %1").arg(w.fields.join(QLatin1Char(','))),
                 false});
    }
    for (const db::IndexDef& h : have.indexes) {
        bool declared = false;
        for (const db::IndexDef& w : want.indexes)
            declared = declared || sameFields(w.fields, h.fields);
        if (!declared)
            findings.add({QStringLiteral("Index"), 0, 0,
                          QStringLiteral("лишний индекс %1").arg(h.name), false});
    }
}

struct StepCounter {
    qint64 steps = 0;
    qint64 expected = 1;
    ProgressReport& progress;
};

int countSteps(void* context) {
    auto* c = static_cast<StepCounter*>(context);
    c->steps += 1000;
    c->progress(kPhaseIndexes, int(std::min<qint64>(99, c->steps * 100 / c->expected)));
    return 0;
}

bool busy(int code) {
    code &= 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED || code == SQLITE_IOERR;
}

// Runs sql on connection, handing each row's first column to onRow. Returns SQLITE_OK, or the
// engine's code of the failure that ended it.
int eachText(db::Connection& connection, const QString& sql,
             const std::function<void(const QString&)>& onRow) {
    try {
        db::Statement statement(connection, sql);
        while (statement.step()) onRow(statement.column(0).toString());
        return SQLITE_OK;
    } catch (const Error&) {
        return connection.lastFailureCode();
    }
}

// Runs integrity_check on the file; returns false when the check could not be completed.
bool checkIntegrity(const QString& path, const TableDef& want, qint64 rows, Findings& findings,
                    ProgressReport& progress) {
    progress(kPhaseIndexes, 0);
    std::optional<db::Connection> connection;
    try {
        connection.emplace(path, db::Connection::Open::Existing);
    } catch (const Error&) {
        return true;
    }
    db::Connection& c = *connection;
    c.setBusyTimeout(3000);
    const QString structure = QStringLiteral("Structure");
    QString table;
    int rc = eachText(c, QStringLiteral("SELECT name FROM sqlite_schema WHERE type = 'table'"),
                      [&](const QString& n) {
                          if (table.isEmpty() || n.compare(want.name, Qt::CaseInsensitive) == 0)
                              table = n;
                      });
    if (busy(rc)) return false;
    if (rc != SQLITE_OK || table.isEmpty()) {
        findings.add({structure, 1, 0,
                      QStringLiteral("схема таблицы не читается: %1")
                          .arg(rc != SQLITE_OK ? c.lastFailureText()
                                               : QStringLiteral("таблица не найдена"))});
        return true;
    }
    StepCounter counter{0, std::max<qint64>(1, rows * kIntegrityStepsPerRow), progress};
    {
        const db::ProgressHandler counting(c, 1000, countSteps, &counter);
        rc = eachText(c, QStringLiteral("PRAGMA integrity_check(%1)").arg(kIntegrityMessages),
                      [&](const QString& line) {
                          if (line != QLatin1String("ok"))
                              findings.add({QStringLiteral("Integrity"), 0, 0, line});
                      });
    }
    if (busy(rc)) return false;
    if (rc != SQLITE_OK) findings.add({QStringLiteral("Integrity"), 0, 0, c.lastFailureText()});
    progress(kPhaseIndexes, 100);
    return true;
}

qint64 scanRows(const PageFile& file, const TableDef& def, Findings& findings,
                ProgressReport& progress) {
    const RowPages rowPages(file, def.name);
    qint64 rows = 0;
    const quint32 pages = file.pageCount();
    int lastPercent = -1;
    for (quint32 page = 2; page <= pages; ++page) {
        const int percent = int(qint64(page) * 100 / pages);
        if (percent != lastPercent) progress(kPhaseData, lastPercent = percent);
        if (!rowPages.contains(page)) continue;
        int bad = 0;
        file.readLeaf(
            page,
            [&](LeafRow& row) {
                ++rows;
                const QString problem = rowProblem(def, row, file);
                if (!problem.isEmpty())
                    findings.add({QStringLiteral("Row"), page, row.rowid, problem});
            },
            &bad);
        if (bad > 0)
            findings.add(
                {QStringLiteral("Page"), page, 0,
                 QStringLiteral("на странице %1 не читаются записи: %2").arg(page).arg(bad)});
    }
    progress(kPhaseData, 100);
    return rows;
}

void writeVerifyTable(const QString& path, const QString& verifyName,
                      const QList<Finding>& findings) {
    const QString folder = QFileInfo(path).absolutePath();
    const QString target = folder + QLatin1Char('/') + verifyName;
    // Written in a scratch folder, gone on every path (and at the next start after a kill).
    const db::ScratchFolder scratch(folder, QStringLiteral("verify-") + verifyName);
    const QString temp = scratch.file(verifyName);
    {
        db::Connection c(temp);
        const QString table = db::quoteIdentifier(core::GetClearFName(verifyName));
        c.exec(QStringLiteral("CREATE TABLE %1 (\"Check\" VARCHAR(20), \"Page\" INTEGER, "
                              "\"RowId\" INTEGER, \"Message\" VARCHAR(250))")
                   .arg(table));
        db::ConnectionTransaction transaction(c);
        db::Statement insert(c, QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, ?)").arg(table));
        for (const Finding& f : findings) {
            insert.bind(1, f.check);
            insert.bind(2, f.page);
            insert.bind(3, f.rowid);
            insert.bind(4, f.message.left(250));
            insert.run();
            insert.reset();
        }
        transaction.commit();
    }
    QFile::remove(target + QStringLiteral("-journal"));
    db::moveFile(temp, target);
}

}  // namespace

VerifyOutcome verifyTable(const QString& path, const QString& verifyTableName,
                          ProgressReport& progress) {
    Findings findings;
    VerifyOutcome outcome;
    progress(kPhaseHeader, 0);
    const PageFile file(path);
    for (const QString& problem : file.headerProblems())
        findings.add({QStringLiteral("Header"), 1, 0, problem});
    progress(kPhaseHeader, 100);
    TableDef def;
    bool known = looksLikeTable(file);
    if (!known)
        findings.add({QStringLiteral("Header"), 0, 0, QStringLiteral("файл не является таблицей")});
    if (known) {
        try {
            def = tableStructure(path);
        } catch (const Error& e) {
            findings.add({QStringLiteral("Structure"), 0, 0, e.message()});
            known = false;
        }
    }
    bool complete = true;
    if (known) {
        const qint64 rows = scanRows(file, def, findings, progress);
        complete = checkIntegrity(path, def, rows, findings, progress);
        if (complete && db::schema::find(core::GetClearFName(path))) {
            try {
                db::Connection c(path);
                compareStructure(def, readStructure(c, QStringLiteral("main"), def.name), findings);
            } catch (const Error& e) {
                findings.add({QStringLiteral("Structure"), 0, 0, e.message()});
            }
        }
    }
    if (!known)
        outcome.status = kVerifyCannotRebuild;
    else if (!complete)
        outcome.status = kVerifyIncomplete;
    else if (findings.damage() > 0)
        outcome.status = kVerifyMustRebuild;
    else if (findings.notes() > 0)
        outcome.status = kVerifyCompleted;
    else
        outcome.status = kVerifyNoErrors;
    outcome.findings = findings.list();
    writeVerifyTable(path, verifyTableName, outcome.findings);
    return outcome;
}

}  // namespace orv::repair
