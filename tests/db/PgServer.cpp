#include "PgServer.h"

#include "db/PgConnection.h"

#include <pwd.h>
#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace orv::test {
namespace {

const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");
const QString kSuperuser = QStringLiteral("orvanta");

// The unprivileged account that runs the server programs when the tests run as root.
QString unprivilegedUser() {
    for (const char* name : {"postgres", "nobody"})
        if (getpwnam(name)) return QString::fromLatin1(name);
    return {};
}

}  // namespace

PgServer::PgServer() {
    if (!QFileInfo(kBin + QStringLiteral("initdb")).isExecutable()) {
        skipReason_ = QStringLiteral(
                          "PostgreSQL 15 is not installed (%1initdb); run "
                          "scripts/install-deps.sh")
                          .arg(kBin);
        return;
    }
    if (!dir_.isValid()) {
        skipReason_ = QStringLiteral("no temporary folder for the server");
        return;
    }
    socketFolder_ = dir_.path();
    dataFolder_ = dir_.path() + QStringLiteral("/data");
    if (geteuid() == 0) {
        osUser_ = unprivilegedUser();
        const passwd* account = osUser_.isEmpty() ? nullptr : getpwnam(osUser_.toLatin1());
        if (!account ||
            chown(dir_.path().toLocal8Bit().constData(), account->pw_uid, account->pw_gid) != 0) {
            skipReason_ = QStringLiteral(
                "running as root without an unprivileged account for "
                "the server");
            return;
        }
    }
    QString output;
    if (!run(kBin + QStringLiteral("initdb"),
             {QStringLiteral("-D"), dataFolder_, QStringLiteral("-U"), kSuperuser,
              QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-N"),
              QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8")},
             &output)) {
        skipReason_ = QStringLiteral("initdb failed: ") + output;
        return;
    }
    const QString options =
        QStringLiteral(
            "-c listen_addresses='' -c unix_socket_directories='%1' -c fsync=off "
            "-c full_page_writes=off -c synchronous_commit=off -c max_connections=40")
            .arg(socketFolder_);
    if (!run(kBin + QStringLiteral("pg_ctl"),
             {QStringLiteral("-D"), dataFolder_, QStringLiteral("-l"),
              dir_.path() + QStringLiteral("/server.log"), QStringLiteral("-w"),
              QStringLiteral("-o"), options, QStringLiteral("start")},
             &output)) {
        skipReason_ = QStringLiteral("pg_ctl start failed: ") + output;
        return;
    }
    started_ = true;
}

PgServer::~PgServer() {
    if (started_)
        run(kBin + QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), dataFolder_, QStringLiteral("-m"), QStringLiteral("immediate"),
             QStringLiteral("-w"), QStringLiteral("stop")});
}

bool PgServer::run(const QString& program, const QStringList& args, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir_.path());
    if (osUser_.isEmpty())
        process.start(program, args);
    else
        process.start(
            QStringLiteral("runuser"),
            QStringList{QStringLiteral("-u"), osUser_, QStringLiteral("--"), program} + args);
    const bool finished = process.waitForFinished(60000);
    if (output) *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

db::ServerAddress PgServer::newDatabase(const QString& schema) {
    db::ServerAddress admin;
    admin.user = kSuperuser;
    admin.host = socketFolder_;
    admin.database = QStringLiteral("postgres");
    const QString name = QStringLiteral("orv_%1_%2").arg(getpid()).arg(++databases_);
    db::PgConnection(admin).exec(QStringLiteral("CREATE DATABASE ") + name);
    db::ServerAddress address = admin;
    address.database = name;
    address.schema = schema;
    return address;
}

QString PgServer::url(const db::ServerAddress& address) { return address.toUrl(); }

PgServer& pgServer() {
    static PgServer server;
    return server;
}

}  // namespace orv::test
