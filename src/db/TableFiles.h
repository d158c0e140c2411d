#pragma once
// The table files of one folder by table name: every file "<table>.db" (extension in any case)
// that does not start with a dot. Names resolve without regard to case and with or without
// ".db", also on a case-sensitive file system; two files that differ only in case are an error
// naming both. The listing is read again when the folder's modification time changes or a name
// is not found. Errors are orv::Error.

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace orv::db {

class TableFiles {
  public:
    // Requires: folder is an absolute path of an existing folder.
    explicit TableFiles(QString folder) : folder_(std::move(folder)) {}

    const QString& folder() const { return folder_; }
    // The file's name on disk, or nothing when the folder has no file of that table.
    std::optional<QString> find(const QString& name) const;
    // File names of every table, with their extensions as on disk, sorted without regard to case.
    QStringList fileNames() const;
    // Canonical name (file name without extension) of an existing table; throws when missing.
    QString canonicalName(const QString& name) const;
    QString path(const QString& name) const;
    // The path of a new table's file (fileName, or the name with ".db" when empty); a name that
    // would make a path outside the folder is refused.
    QString newFilePath(const QString& name, const QString& fileName) const;
    // Reads the folder anew at the next look-up (a file was created or removed).
    void forget() const { scannedAt_ = {}; }

    // The lower-case name under which a table is kept.
    static QString key(const QString& name) { return name.toLower(); }
    static QString stripExtension(const QString& name);
    [[noreturn]] static void missingTable(const QString& name);

  private:
    void scan() const;

    QString folder_;
    mutable QHash<QString, QStringList> files_;  // lower-case name -> file names on disk
    mutable QDateTime scannedAt_;
};

}  // namespace orv::db
