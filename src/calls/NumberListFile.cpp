#include "calls/NumberListFile.h"

#include "core/Error.h"

#include <QFile>

namespace orv::calls {

QStringList readNumberList(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(Error::Kind::Engine, QStringLiteral("Cannot open file %1").arg(path));
    // Entries are digits and blanks; any other byte makes an entry that the filter refuses.
    const QString text = QString::fromLatin1(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.last().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    return lines;
}

std::optional<db::RecordFilter> listFilter(const QStringList& lines) {
    if (lines.isEmpty()) return std::nullopt;
    QString text = QStringLiteral("AbNumber=") + lines.first();
    for (qsizetype i = 1; i < lines.size(); ++i) text += QStringLiteral(" or AbNumber=") + lines[i];
    return db::RecordFilter::parse(text);
}

}  // namespace orv::calls
