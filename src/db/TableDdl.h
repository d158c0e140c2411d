#pragma once
// Creating, declaring and removing the tables of a folder's table files: each table is created
// in its own file (attached through Attachments), with CHECK constraints that refuse values of
// the wrong type under the operator's message, and its declaration is read back from the file.
// Errors are orv::Error.

#include "db/FieldType.h"

#include <QString>

namespace orv::db {

class Attachments;
class Connection;
class TableFiles;

// The column as CREATE TABLE declares it; checkValues adds the constraints on its values.
QString columnDefinition(const FieldDef& field, bool checkValues);

class TableDdl {
  public:
    TableDdl(Connection& connection, const TableFiles& files, Attachments& attachments)
        : connection_(connection), files_(files), attachments_(attachments) {}

    // Attaches the file of a table about to be created or replaced, creating an empty file
    // when there is none.
    void attachForCreate(const TableDef& def);
    // Creates and attaches the file of a new table; returns its schema name.
    QString createFile(const QString& name, const QString& fileName);
    void createTable(const TableDef& def);
    void addIndex(const QString& table, const IndexDef& index);
    void dropTable(const QString& name);
    TableDef tableDef(const QString& name);

  private:
    Connection& connection_;
    const TableFiles& files_;
    Attachments& attachments_;
};

}  // namespace orv::db
