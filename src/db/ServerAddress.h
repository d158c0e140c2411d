#pragma once
// The address of a table store on a PostgreSQL server, as an alias names it:
//
//   postgresql://[user@]host[:port]/dbname[?schema=NAME]
//
// The host may be a name, an address, or a unix socket folder written percent-encoded
// (%2Fvar%2Frun%2Fpostgresql). The password is never part of the address: libpq takes it from
// ~/.pgpass or PGPASSWORD. An address with a password, without a database, or with an option
// other than schema is refused with Error(Usage) saying what is wrong.

#include <QString>

namespace orv::db {

struct ServerAddress {
    QString user;  // empty: the login name, as libpq decides
    QString host;  // a name, an address or a socket folder
    int port = 0;  // 0: libpq's default (5432)
    QString database;
    QString schema;  // empty: public

    // True when the text is a server address rather than a folder.
    static bool isAddress(const QString& text);
    static ServerAddress parse(const QString& text);
    QString toUrl() const;
    // The schema the tables live in, as the server names it.
    QString schemaName() const;
    // For messages: "host/dbname".
    QString display() const;
};

}  // namespace orv::db
