#include "billing/Money.h"

#include "core/Error.h"

#include <cmath>
#include <limits>

namespace orv::billing {
namespace {

// The largest amount whose units still fit, with room for one addition of two amounts.
constexpr qint64 kMaxUnits = std::numeric_limits<qint64>::max() / 2;

[[noreturn]] void notAnAmount(const QString& text) {
    raise(Error::Kind::Conversion, QStringLiteral("'%1' не денежная сумма").arg(text));
}

}  // namespace

Money Money::fromDouble(double value) {
    const double scaled = std::round(value * double(kScale));
    if (!std::isfinite(scaled) || std::fabs(scaled) > double(kMaxUnits))
        notAnAmount(QString::number(value, 'g', 17));
    return Money(qint64(scaled));
}

Money Money::parse(const QString& text, const QLocale& locale) {
    const QString trimmed = text.trimmed();
    const QString decimalPoint = locale.decimalPoint();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == u'+' || trimmed[i] == u'-')) {
        negative = trimmed[i] == u'-';
        ++i;
    }
    qint64 whole = 0;
    qint64 fraction = 0;  // four decimals
    int fractionDigits = 0;
    bool roundUp = false;
    bool anyDigit = false;
    bool inFraction = false;
    for (; i < trimmed.size(); ++i) {
        const QChar c = trimmed[i];
        if (c >= u'0' && c <= u'9') {
            anyDigit = true;
            const int digit = c.unicode() - u'0';
            if (!inFraction) {
                if (whole > (kMaxUnits / kScale - digit) / 10) notAnAmount(text);
                whole = whole * 10 + digit;
            } else if (fractionDigits < 4) {
                fraction = fraction * 10 + digit;
                ++fractionDigits;
            } else if (fractionDigits == 4) {
                roundUp = digit >= 5;
                ++fractionDigits;
            }
        } else if (!inFraction && (c == u'.' || c == u',' ||
                                   (!decimalPoint.isEmpty() &&
                                    QStringView(trimmed).mid(i).startsWith(decimalPoint)))) {
            inFraction = true;
            if (c != u'.' && c != u',') i += decimalPoint.size() - 1;
        } else {
            notAnAmount(text);
        }
    }
    if (!anyDigit) notAnAmount(text);
    for (int d = fractionDigits; d < 4; ++d) fraction *= 10;
    qint64 units = whole * kScale + fraction + (roundUp ? 1 : 0);
    return Money(negative ? -units : units);
}

Money Money::percent(double rate) const {
    return fromUnits(std::llround(static_cast<long double>(units_) * rate / 100));
}

Money Money::beforePercent(double rate) const {
    return fromUnits(std::llround(static_cast<long double>(units_) * 100 / (100 + rate)));
}

Money Money::roundedToKopecks() const {
    constexpr qint64 step = kScale / 100;
    const qint64 magnitude = (units_ < 0 ? -units_ : units_) + step / 2;
    const qint64 rounded = magnitude - magnitude % step;
    return Money(units_ < 0 ? -rounded : rounded);
}

QString Money::toKopeckString() const {
    const qint64 k = roundedToKopecks().kopecks();
    const qint64 magnitude = k < 0 ? -k : k;
    return QStringLiteral("%1%2.%3")
        .arg(k < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString Money::toRussianString() const {
    QString text = toKopeckString();
    const bool negative = text.startsWith(u'-');
    if (negative) text.remove(0, 1);
    text.replace(u'.', u',');
    for (qsizetype i = text.indexOf(u',') - 3; i > 0; i -= 3) text.insert(i, QChar(0x00A0));
    return negative ? u'-' + text : text;
}

QString Money::toCurrencyString(const QLocale& locale) const {
    return locale.toCurrencyString(toDouble());
}

QString Money::toPlainString() const {
    const qint64 magnitude = units_ < 0 ? -units_ : units_;
    QString text = QString::number(magnitude / kScale);
    qint64 fraction = magnitude % kScale;
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(4, u'0');
        while (digits.endsWith(u'0')) digits.chop(1);
        text += u'.' + digits;
    }
    return units_ < 0 ? u'-' + text : text;
}

}  // namespace orv::billing
