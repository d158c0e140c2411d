#pragma once
// The table files attached to a Database's SQLite connection, each under a schema named after
// its table. SQLite attaches at most ten files per connection: files that no statement holds
// (pins) are detached to make room, the least recently used first, but never inside a
// transaction, whose files must stay attached until it ends. Errors are orv::Error.

#include <QHash>
#include <QString>
#include <QStringList>

namespace orv::db {

class Connection;
class TableFiles;

class Attachments {
  public:
    static constexpr int kLimit = 10;  // SQLite's compiled-in limit on attached files

    Attachments(Connection& connection, const TableFiles& files)
        : connection_(connection), files_(files) {}

    // Attaches an existing table's file and returns its schema name; a file without its table
    // is refused unless tableless is Allowed (a file about to be created or replaced).
    enum class Tableless { Refused, Allowed };
    QString attach(const QString& canonical, Tableless tableless = Tableless::Refused);
    // Creates and attaches the file of a new table at path; returns its schema name.
    QString attachNew(const QString& name, const QString& path);
    // A database file that is no table of the folder, held until detachFile(schema).
    void attachFile(const QString& path, const QString& schema);
    void detachFile(const QString& schema);
    // The schema's file holds the table.
    bool holdsTable(const QString& schema, const QString& canonical);

    bool isAttached(const QString& canonical) const;
    // Detaches unpinned files until needed more fit, keeping those named in keep (lower-case).
    void makeRoom(int needed, const QStringList& keep);
    void detachIfUnused(const QString& canonical);
    void detachUnused();
    // Detaches the table's file before it is removed; refused while it is in use.
    void release(const QString& canonical);
    void pin(const QString& canonical);
    void unpin(const QString& canonical);

  private:
    struct Attached {
        QString schema;
        int pins = 0;
        quint64 lastUse = 0;
    };

    void attachUri(const QString& schema, const QString& uri);
    void detach(const QString& schema);
    void checkSingleTable(const QString& canonical, const QString& schema, const QString& path);

    Connection& connection_;
    const TableFiles& files_;
    QHash<QString, Attached> attached_;  // canonical lower-case name -> attachment
    quint64 useCounter_ = 0;
};

}  // namespace orv::db
