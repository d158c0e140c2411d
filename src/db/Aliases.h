#pragma once
// Aliases of the table store: a name bound to the folder that holds its tables, or to a
// database on a PostgreSQL server (Path=postgresql://[user@]host[:port]/dbname[?schema=NAME],
// Type=POSTGRESQL; ServerAddress.h).
//
// They are kept in $XDG_CONFIG_HOME/Orvanta/aliases.conf (an INI file, one section per alias
// with Type=STANDARD and Path=...). On first use the file is created with the two aliases of the
// program, OrvantaStandard and OrvantaEveryday, pointing at $XDG_DATA_HOME/Orvanta/Standard and
// .../Everyday, and those folders are created, so a fresh machine needs no set-up. Later a folder
// is never created: an alias folder that is gone is refused where it is opened. A file that
// cannot be read, is cut off (no final line end) or names an alias without a folder is refused
// with Error(Engine) naming it. bindForRun() binds an alias to a folder for this run only (the
// --alias option of both programs).

#include "db/ServerAddress.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace orv::db {

inline constexpr char kStandardAlias[] = "OrvantaStandard";
inline constexpr char kEverydayAlias[] = "OrvantaEveryday";

class Aliases {
  public:
    struct Alias {
        QString name;
        QString type;  // "STANDARD", or "POSTGRESQL" for a server
        QString path;  // a folder, or a server address
        bool isServer() const { return ServerAddress::isAddress(path); }
        ServerAddress server() const { return ServerAddress::parse(path); }
    };

    // Reads (creating on first use) the given file; defaultConfigPath() when empty.
    explicit Aliases(const QString& configFile = {});

    static QString defaultConfigPath();
    static QString defaultDataFolder();  // $XDG_DATA_HOME/Orvanta

    QStringList names() const;
    bool contains(const QString& alias) const;
    // Throws Error(Engine) "Псевдоним ... не найден" for an unknown alias.
    const Alias& alias(const QString& name) const;
    QString path(const QString& name) const { return alias(name).path; }

    // Binds an alias to a folder (which must exist) or a server address for this run only.
    void bindForRun(const QString& name, const QString& folder);
    // Parses "NAME=DIR" or "NAME=postgresql://..." as given on the command line; throws
    // Error(Usage) when malformed.
    void bindForRun(const QString& assignment);

  private:
    void createDefaults() const;
    void checkReadable() const;
    [[noreturn]] void damaged(const QString& reason) const;

    QString configFile_;
    QList<Alias> aliases_;
};

}  // namespace orv::db
