// Test child for the seat tests: a second seat that takes advisory lock 1, begins a transaction,
// writes a row into table seat, says "ready" and then waits (reading stdin) until it is killed.
// Usage: pg_seat_child ADDRESS

#include "db/PgConnection.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) return 2;
    try {
        orv::db::PgConnection connection(
            orv::db::ServerAddress::parse(QString::fromLocal8Bit(argv[1])));
        orv::db::PgAdvisoryLock lock(connection, 1, QStringLiteral("занято"));
        orv::db::PgTransaction transaction(connection);
        connection.execute(QStringLiteral("INSERT INTO seat VALUES (1)"));
        std::puts("ready");
        std::fflush(stdout);
        std::getchar();
        return 0;
    } catch (const orv::Error& e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 1;
    }
}
