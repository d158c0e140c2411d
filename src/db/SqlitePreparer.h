#pragma once
// Statements of the local dialect prepared on the table files of a folder: every table the
// statement names is attached and pinned (or read from a temporary copy, SurplusCopies.h, or
// from the view its reads are bound to), a table it creates gets its new file, and an error of
// the engine is placed at the line and position of the statement as written. Errors are
// orv::Error; a failed preparation releases what it took and removes a file it created.

#include "db/Sqlite.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

namespace orv::db {

class Attachments;
class DialectStatement;
class SurplusCopies;
class TableDdl;
class TableFiles;
struct TableRef;

class SqlitePreparer {
  public:
    SqlitePreparer(Connection& connection, const TableFiles& files, Attachments& attachments,
                   TableDdl& ddl, SurplusCopies& copies)
        : connection_(connection),
          files_(files),
          attachments_(attachments),
          ddl_(ddl),
          copies_(copies) {}

    struct Prepared {
        Statement statement;
        QString sql;
        QStringList pinned;  // canonical names whose attachment the statement holds
        QStringList temps;   // temporary copies to drop when done
    };
    // With an insertTarget a selecting statement becomes INSERT INTO the target's file, or,
    // when newTemporary, CREATE TEMP TABLE insertTarget AS the statement. reserve keeps that
    // many attachment slots free. bounds maps lower-case canonical names to the SQL text their
    // reads come from.
    Prepared prepare(const DialectStatement& statement, const QString& insertTarget,
                     bool newTemporary, int reserve, const QHash<QString, QString>& bounds);

  private:
    // What a preparation holds until it is done or fails.
    struct Held {
        QStringList pinned;
        QStringList temps;
        QString createdFile;
    };
    void makeRoom(const QList<TableRef>& refs, const QHash<QString, QString>& rendered,
                  int creates);
    void renderTables(const QList<TableRef>& refs, const QHash<QString, QString>& bounds,
                      QHash<QString, QString>& rendered, Held& held);
    std::pair<Statement, QString> compile(const DialectStatement& statement,
                                          const QString& insertTarget, bool intoFile,
                                          const QHash<QString, QString>& rendered);
    void release(const Held& held);

    Connection& connection_;
    const TableFiles& files_;
    Attachments& attachments_;
    TableDdl& ddl_;
    SurplusCopies& copies_;
};

}  // namespace orv::db
