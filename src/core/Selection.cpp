#include "core/Selection.h"

#include "core/Error.h"

#include <QStringList>
#include <optional>

namespace orv::core {
namespace {

struct Width {
    int min;
    int max;
};

// The numbers of text split at separator, blanks around each part ignored; nothing when a part
// holds anything but digits or has a number of digits outside its width.
std::optional<QList<int>> numericParts(const QString& text, QChar separator,
                                       const QList<Width>& widths, qsizetype minParts) {
    const QStringList parts = text.split(separator);
    if (parts.size() < minParts || parts.size() > widths.size()) return std::nullopt;
    QList<int> values;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString part = parts[i].trimmed();
        if (part.size() < widths[i].min || part.size() > widths[i].max) return std::nullopt;
        for (QChar c : part)
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        values.append(part.toInt());
    }
    return values;
}

}  // namespace

QDate dateFromText(const QString& text) {
    if (const auto parts = numericParts(text, QLatin1Char('.'), {{1, 2}, {1, 2}, {4, 4}}, 3)) {
        const QDate date(parts->at(2), parts->at(1), parts->at(0));
        if (date.isValid()) return date;
    }
    raise(Error::Kind::Conversion, QStringLiteral("'%1' не дата ДД.ММ.ГГГГ").arg(text));
}

QTime timeFromText(const QString& text) {
    if (const auto parts = numericParts(text, QLatin1Char(':'), {{1, 2}, {1, 2}, {1, 2}}, 2)) {
        const QTime time(parts->at(0), parts->at(1), parts->size() > 2 ? parts->at(2) : 0);
        if (time.isValid()) return time;
    }
    raise(Error::Kind::Conversion, QStringLiteral("'%1' не время ЧЧ:ММ:СС").arg(text));
}

QString dateText(const QDate& date) {
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString timeText(const QTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss")) : QString();
}

}  // namespace orv::core
