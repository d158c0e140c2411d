#include "utils/SqlWindowFiles.h"

#include "core/Error.h"
#include "db/Aliases.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace orv::utils {
namespace {

[[noreturn]] void fileError(const QString& action, const QString& path, const QString& reason) {
    raise(Error::Kind::Refused, QStringLiteral("Не удалось %1 файл %2: %3")
                                    .arg(action, QDir::toNativeSeparators(path), reason));
}

}  // namespace

QStringList readSqlFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fileError(QStringLiteral("прочитать"), path, file.errorString());
    QStringDecoder decode(QStringConverter::System);
    QString text = decode(file.readAll());
    if (file.error() != QFileDevice::NoError)
        fileError(QStringLiteral("прочитать"), path, file.errorString());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void writeSqlFile(const QString& path, const QStringList& lines) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fileError(QStringLiteral("записать"), path, file.errorString());
    QStringEncoder encode(QStringConverter::System);
    QString text;
    for (const QString& line : lines) text += line + QLatin1String("\r\n");
    file.write(encode(text));
    if (!file.commit()) fileError(QStringLiteral("записать"), path, file.errorString());
}

QString sqlCaption(const QString& fileName) {
    if (fileName.isEmpty()) return QStringLiteral("SQL");
    return QStringLiteral("SQL ") + QFileInfo(fileName).fileName();
}

QString sqlFolder() {
    const QString folder = db::Aliases::defaultDataFolder() + QStringLiteral("/SQL");
    QDir().mkpath(folder);
    return folder;
}

}  // namespace orv::utils
