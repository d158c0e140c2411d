#pragma once
// Helpers shared by the test programs: a fresh folder per test, a database on it, plain-SQLite
// access to a table file as an outside program would do it, and rows of a query as text.

#include "core/Error.h"
#include "db/Database.h"
#include "db/Query.h"
#include "db/Schema.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace orv::test {

// The message of the orv::Error the action raises; empty when it raises none.
inline QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}

// How many table files the database's connection has attached right now.
inline int attachedTableFiles(db::Database& db) {
    db::Statement list(db.connection(), QStringLiteral("PRAGMA database_list"));
    int count = 0;
    while (list.step())
        if (const QString schema = list.column(1).toString();
            schema != QLatin1String("main") && schema != QLatin1String("temp"))
            ++count;
    return count;
}

// A temporary folder holding one database, removed with its files after the test.
class TempDatabase {
  public:
    TempDatabase()
        : db_(std::make_unique<db::Database>(QStringLiteral("TarifStandard"), dir_.path())) {}
    db::Database& db() { return *db_; }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }

    // Creates the permanent table of that name, empty.
    void create(const db::TableDef& def) { db_->createTable(def); }

    // Runs SQL on one table file with plain SQLite, the way the call collector writes.
    void raw(const QString& fileName, const QString& sql) const {
        sqlite3* handle = nullptr;
        ASSERT_EQ(sqlite3_open(file(fileName).toUtf8().constData(), &handle), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(handle, sql.toUtf8().constData(), nullptr, nullptr, &error);
        const QString message = error ? QString::fromUtf8(error) : QString();
        sqlite3_free(error);
        sqlite3_close(handle);
        ASSERT_EQ(rc, SQLITE_OK) << message.toStdString();
    }

  private:
    QTemporaryDir dir_;
    std::unique_ptr<db::Database> db_;
};

// The orvanta-cli binary built with the tests, the same with the test hooks, and what a run of
// it gave.
inline QString cliProgram() { return QStringLiteral(ORVANTA_CLI_BUILT); }
inline QString cliProgramWithHooks() { return QStringLiteral(ORVANTA_CLI_TEST_BUILT); }

// The environment of orvanta-cli with the settings under a test's own home folder, without the
// variables of the test hooks.
inline QProcessEnvironment cliEnvironment(const QTemporaryDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"),
               home.filePath(QStringLiteral("Orvanta.reg")));
    env.remove(QStringLiteral("ORVANTA_TEST_CRASH_AT"));
    env.remove(QStringLiteral("ORVANTA_TEST_PAUSE_AT"));
    return env;
}

struct CliOutcome {
    int code = -1;
    QString out;
    QString err;
};

// Waits for a started orvanta-cli (two minutes at the most, then kills it and fails the test)
// and collects its exit code and output.
inline CliOutcome finishCli(QProcess& process) {
    CliOutcome run;
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << "orvanta-cli did not finish";
        process.kill();
        process.waitForFinished();
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit) run.code = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

inline std::ostream& operator<<(std::ostream& os, const CliOutcome& run) {
    return os << "exit " << run.code << "\nstdout: " << run.out.toStdString()
              << "\nstderr: " << run.err.toStdString();
}

// Every visible row of an open query, each as its fields' display texts joined by "|".
inline QStringList rowsOf(const db::Query& query) {
    QStringList rows;
    const int fields = static_cast<int>(query.fields().size());
    for (qint64 r = 0; r < query.recordCount(); ++r) {
        QStringList values;
        for (int f = 0; f < fields; ++f) values.append(db::displayText(query.value(r, f)));
        rows.append(values.join(QLatin1Char('|')));
    }
    return rows;
}

}  // namespace orv::test
