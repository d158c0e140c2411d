#pragma once
// Column types of the table store and the declarations of tables built from them.
//
// A table file declares its columns with these SQL types so that they read back: INTEGER,
// SMALLINT, FLOAT, DATE, TIME, VARCHAR(n). Values travel through the program as QVariant:
// qint64 for the whole-number types, double for FLOAT, QString for VARCHAR, QDate for DATE,
// QTime for TIME, and a null QVariant for an empty field. Stored on disk, dates are
// 'YYYY-MM-DD' and times 'HH:MM:SS' text, empty values NULL.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace orv::db {

enum class FieldType { Integer, SmallInt, Float, String, Date, Time, DateTime };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Integer;
    int size = 0;           // characters, for String; 0 means unlimited
    bool required = false;  // NOT NULL
};

struct IndexDef {
    QString name;        // empty for the primary index
    QStringList fields;  // key columns in order
    bool primary = false;
    bool unique = false;
};

struct TableDef {
    QString name;      // SQL name, also the file name without extension
    QString fileName;  // file name as first created ("AbTab.DB"); name + ".db" when empty
    QList<FieldDef> fields;
    QList<IndexDef> indexes;
    // CHECK constraints refusing values that are not of a column's type or are wider than its
    // width. Off only for scratch tables whose rows all come from checked columns.
    bool checkValues = true;
};

// The SQL type written in a table declaration ("VARCHAR(20)", "DATE").
QString sqlTypeName(const FieldDef& field);

// The field type a declared SQL type reads back as; unknown declarations follow SQLite's
// affinity rules (text -> String, real -> Float, otherwise Integer). size receives n of
// VARCHAR(n), 0 otherwise.
FieldType fieldTypeFromDecl(const QString& declaredType, int* size = nullptr);

// Converts a program value to what is stored in a column of this type. Throws Error(Conversion)
// when the value cannot be that type (text "abc" into an INTEGER column, an invalid date).
QVariant toStorage(const QVariant& value, FieldType type);

// Converts a stored value (qint64, double, QString or null as read from SQLite) to the program
// value of the column's type. A stored text that is no valid date/time reads back as that text.
QVariant fromStorage(const QVariant& stored, FieldType type);

// Text forms used by the CLI and messages: dd.mm.yyyy, hh:mm:ss.
QString displayText(const QVariant& value);

}  // namespace orv::db
