#include "db/Aliases.h"

#include "core/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace orv::db {
namespace {

QString xdgFolder(const char* variable, const QString& fallbackUnderHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty()) return value;
    return QDir::homePath() + QLatin1Char('/') + fallbackUnderHome;
}

}  // namespace

QString Aliases::defaultConfigPath() {
    return xdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) +
           QStringLiteral("/Orvanta/aliases.conf");
}

QString Aliases::defaultDataFolder() {
    return xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/Orvanta");
}

Aliases::Aliases(const QString& configFile)
    : configFile_(configFile.isEmpty() ? defaultConfigPath() : configFile) {
    if (!QFileInfo::exists(configFile_)) createDefaults();
    checkReadable();
    QSettings ini(configFile_, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError || ini.childGroups().isEmpty())
        damaged(QStringLiteral("нет ни одного псевдонима"));
    for (const QString& group : ini.childGroups()) {
        ini.beginGroup(group);
        Alias a{group, ini.value(QStringLiteral("Type"), QStringLiteral("STANDARD")).toString(),
                ini.value(QStringLiteral("Path")).toString()};
        ini.endGroup();
        if (a.path.isEmpty())
            damaged(QStringLiteral("у псевдонима %1 нет папки (Path)").arg(a.name));
        if (a.isServer()) {
            try {
                a.server();
            } catch (const Error& e) {
                damaged(e.message());
            }
            a.type = QStringLiteral("POSTGRESQL");
        }
        aliases_.append(a);
    }
}

void Aliases::damaged(const QString& reason) const {
    raise(Error::Kind::Engine,
          QStringLiteral("Файл псевдонимов %1 повреждён: %2").arg(configFile_, reason));
}

// A file that cannot be read, or that does not end with a line end (cut off while it was
// written), is refused rather than guessed at.
void Aliases::checkReadable() const {
    QFile file(configFile_);
    if (!file.open(QIODevice::ReadOnly))
        raise(Error::Kind::Engine, QStringLiteral("Файл псевдонимов %1 не читается: %2")
                                       .arg(configFile_, file.errorString()));
    const QByteArray text = file.readAll();
    if (!text.endsWith('\n')) damaged(QStringLiteral("файл оборван"));
}

// First start: the two aliases of the program, and their folders.
void Aliases::createDefaults() const {
    QDir().mkpath(QFileInfo(configFile_).absolutePath());
    const QString data = defaultDataFolder();
    const QList<Alias> defaults = {
        {QLatin1String(kStandardAlias), QStringLiteral("STANDARD"),
         data + QStringLiteral("/Standard")},
        {QLatin1String(kEverydayAlias), QStringLiteral("STANDARD"),
         data + QStringLiteral("/Everyday")},
    };
    {
        QSettings ini(configFile_, QSettings::IniFormat);
        for (const Alias& a : defaults) {
            ini.beginGroup(a.name);
            ini.setValue(QStringLiteral("Type"), a.type);
            ini.setValue(QStringLiteral("Path"), a.path);
            ini.endGroup();
        }
        ini.sync();
        if (ini.status() != QSettings::NoError)
            raise(Error::Kind::Engine,
                  QStringLiteral("Не удалось записать файл псевдонимов %1").arg(configFile_));
    }
    for (const Alias& a : defaults) QDir().mkpath(a.path);
}

QStringList Aliases::names() const {
    QStringList result;
    for (const Alias& a : aliases_) result.append(a.name);
    return result;
}

bool Aliases::contains(const QString& name) const {
    for (const Alias& a : aliases_)
        if (a.name.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

const Aliases::Alias& Aliases::alias(const QString& name) const {
    for (const Alias& a : aliases_)
        if (a.name.compare(name, Qt::CaseInsensitive) == 0) return a;
    raise(Error::Kind::Engine, QStringLiteral("Псевдоним %1 не найден").arg(name));
}

void Aliases::bindForRun(const QString& name, const QString& folder) {
    if (ServerAddress::isAddress(folder)) {
        const Alias server{name, QStringLiteral("POSTGRESQL"),
                           ServerAddress::parse(folder).toUrl()};
        for (Alias& a : aliases_) {
            if (a.name.compare(name, Qt::CaseInsensitive) == 0) {
                a = server;
                return;
            }
        }
        aliases_.append(server);
        return;
    }
    if (!QFileInfo(folder).isDir())
        raise(Error::Kind::Usage, QStringLiteral("Папка %1 не найдена").arg(folder));
    const QString path = QFileInfo(folder).absoluteFilePath();
    for (Alias& a : aliases_) {
        if (a.name.compare(name, Qt::CaseInsensitive) == 0) {
            a.path = path;
            a.type = QStringLiteral("STANDARD");
            return;
        }
    }
    aliases_.append({name, QStringLiteral("STANDARD"), path});
}

void Aliases::bindForRun(const QString& assignment) {
    const int eq = assignment.indexOf(QLatin1Char('='));
    if (eq <= 0 || eq == assignment.size() - 1)
        raise(Error::Kind::Usage,
              QStringLiteral("Ожидается --alias ИМЯ=ПАПКА, получено: %1").arg(assignment));
    bindForRun(assignment.left(eq), assignment.mid(eq + 1));
}

}  // namespace orv::db
