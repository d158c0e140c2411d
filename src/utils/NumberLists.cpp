#include "utils/NumberLists.h"

#include "core/Error.h"
#include "utils/ListTextFile.h"

#include <QDir>
#include <QFileInfo>

namespace orv::utils {
namespace {

// Up to nine digits, as the record filter takes them; blanks around them allowed.
bool isNumber(const QString& text) {
    if (text.isEmpty() || text.size() > 9) return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

}  // namespace

QString findFileNoCase(const QString& folder, const QString& fileName) {
    const QDir dir(folder);
    if (QFileInfo::exists(dir.filePath(fileName))) return dir.filePath(fileName);
    QStringList matches;
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (entry.compare(fileName, Qt::CaseInsensitive) == 0) matches.append(entry);
    if (matches.size() > 1)
        raise(Error::Kind::Refused,
              QStringLiteral("В папке %1 несколько файлов %2: %3; оставьте один")
                  .arg(QDir::toNativeSeparators(folder), fileName,
                       matches.join(QStringLiteral(", "))));
    return dir.filePath(matches.isEmpty() ? fileName : matches.first());
}

QString listFilePath(const QString& startDirectory, const QString& listName) {
    return findFileNoCase(startDirectory, listName + QStringLiteral(".lst"));
}

std::optional<db::RecordFilter> listFilter(const QStringList& lines, const QString& fileName) {
    if (lines.isEmpty()) return std::nullopt;
    QStringList terms;
    terms.reserve(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString number = lines[i].trimmed();
        if (!isNumber(number))
            raise(Error::Kind::Refused,
                  QStringLiteral("Неправильный номер в списке %1, строка %2: \"%3\"")
                      .arg(fileName)
                      .arg(i + 1)
                      .arg(lines[i]));
        terms.append(QStringLiteral("AbNumber=") + number);
    }
    return db::RecordFilter::parse(terms.join(QStringLiteral(" or ")));
}

std::optional<db::RecordFilter> readListFilter(const QString& path) {
    return listFilter(readListLines(path), path);
}

}  // namespace orv::utils
