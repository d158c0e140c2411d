#include "db/TableFiles.h"

#include "core/Error.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace orv::db {

QString TableFiles::stripExtension(const QString& name) {
    return name.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) ? name.left(name.size() - 3)
                                                                    : name;
}

void TableFiles::missingTable(const QString& name) {
    raise(Error::Kind::Engine, QStringLiteral("Таблица %1 не найдена").arg(name));
}

void TableFiles::scan() const {
    const QDateTime modified = QFileInfo(folder_).lastModified();
    if (scannedAt_.isValid() && modified == scannedAt_ && !files_.isEmpty()) return;
    files_.clear();
    const QStringList entries = QDir(folder_).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& file : entries) {
        if (!file.endsWith(QLatin1String(".db"), Qt::CaseInsensitive) ||
            file.startsWith(QLatin1Char('.')))
            continue;
        files_[key(stripExtension(file))].append(file);
    }
    scannedAt_ = modified;
}

std::optional<QString> TableFiles::find(const QString& name) const {
    const QString k = key(stripExtension(name));
    scan();
    auto it = files_.constFind(k);
    if (it == files_.constEnd()) {
        forget();
        scan();
        it = files_.constFind(k);
        if (it == files_.constEnd()) return std::nullopt;
    }
    if (it->size() > 1)
        raise(Error::Kind::Engine, QStringLiteral("В папке %1 два файла одной таблицы: %2")
                                       .arg(folder_, it->join(QStringLiteral(" и "))));
    return it->first();
}

QStringList TableFiles::fileNames() const {
    forget();
    scan();
    QStringList result;
    for (const QStringList& files : std::as_const(files_)) result += files;
    std::sort(result.begin(), result.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return result;
}

QString TableFiles::canonicalName(const QString& name) const {
    const auto file = find(name);
    if (!file) missingTable(stripExtension(name));
    return stripExtension(*file);
}

QString TableFiles::path(const QString& name) const {
    const auto file = find(name);
    if (!file) missingTable(stripExtension(name));
    return folder_ + QLatin1Char('/') + *file;
}

QString TableFiles::newFilePath(const QString& name, const QString& fileName) const {
    const QString file = fileName.isEmpty() ? name + QStringLiteral(".db") : fileName;
    if (file.contains(QLatin1Char('/')) || file.contains(QLatin1Char('\\')) ||
        file.startsWith(QLatin1Char('.')) || file.contains(QChar(0)))
        raise(Error::Kind::Refused,
              QStringLiteral("Имя таблицы «%1» не может быть путем к файлу").arg(name));
    return folder_ + QLatin1Char('/') + file;
}

}  // namespace orv::db
