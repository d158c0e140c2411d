#pragma once
// A throwaway PostgreSQL 15 server for the tests of server aliases: initdb and pg_ctl in a
// temporary folder, reachable only through a unix socket in that folder (no TCP port, so no
// clash with another server or another test run), fsync off for speed. Run as root, the
// server programs run as the unprivileged "postgres" (or "nobody") user through runuser,
// because initdb refuses root.
//
// One server per test program: pgServer() starts it on first use and it is stopped (and its
// folder removed) when the program exits. When the server programs are not installed,
// available() is false and skipReason() says why; the tests then skip with that message.

#include "db/ServerAddress.h"

#include <QString>
#include <QTemporaryDir>

namespace orv::test {

class PgServer {
  public:
    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    bool available() const { return started_; }
    const QString& skipReason() const { return skipReason_; }

    // A fresh, empty database on the server (one per call), and its address.
    db::ServerAddress newDatabase(const QString& schema = {});
    // The address text of a database, as written in aliases.conf and --alias.
    static QString url(const db::ServerAddress& address);

    const QString& socketFolder() const { return socketFolder_; }

  private:
    bool run(const QString& program, const QStringList& args, QString* output = nullptr);

    QTemporaryDir dir_;
    QString socketFolder_;
    QString dataFolder_;
    QString osUser_;  // empty: run the server programs as ourselves
    bool started_ = false;
    QString skipReason_;
    int databases_ = 0;
};

// The server of this test program, started on first use.
PgServer& pgServer();

}  // namespace orv::test

// Skips the current test when no server could be started.
#define ORV_REQUIRE_PG_SERVER()                                                 \
    do {                                                                        \
        if (!::orv::test::pgServer().available())                               \
            GTEST_SKIP() << ::orv::test::pgServer().skipReason().toStdString(); \
    } while (0)
