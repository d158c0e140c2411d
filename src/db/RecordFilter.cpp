#include "db/RecordFilter.h"

#include "core/Error.h"

#include <QRegularExpression>
#include <QStringList>

namespace orv::db {

RecordFilter RecordFilter::parse(const QString& text) {
    RecordFilter filter;
    filter.text_ = text;
    if (filter.isEmpty()) return filter;
    static const QRegularExpression separator(QStringLiteral(R"(\s+or\s+)"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression term(QStringLiteral(R"(^\s*AbNumber\s*=\s*(\d{1,9})\s*$)"),
                                         QRegularExpression::CaseInsensitiveOption);
    for (const QString& part : text.split(separator)) {
        const auto match = term.match(part);
        if (!match.hasMatch())
            raise(Error::Kind::Refused,
                  QStringLiteral("Неправильный фильтр записей: \"%1\" (ожидается AbNumber=номер)")
                      .arg(part.trimmed()));
        filter.numbers_.insert(match.captured(1).toLongLong());
    }
    return filter;
}

RecordFilter RecordFilter::fromNumbers(const QSet<qint64>& numbers) {
    RecordFilter filter;
    QStringList terms;
    QList<qint64> sorted(numbers.begin(), numbers.end());
    std::sort(sorted.begin(), sorted.end());
    for (qint64 n : sorted) terms.append(QStringLiteral("AbNumber=%1").arg(n));
    filter.text_ = terms.join(QStringLiteral(" or "));
    filter.numbers_ = numbers;
    return filter;
}

}  // namespace orv::db
