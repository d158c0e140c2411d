#include "db/FieldType.h"

#include "core/Error.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>
#include <cmath>

namespace orv::db {

QString sqlTypeName(const FieldDef& field) {
    switch (field.type) {
        case FieldType::Integer:
            return QStringLiteral("INTEGER");
        case FieldType::SmallInt:
            return QStringLiteral("SMALLINT");
        case FieldType::Float:
            return QStringLiteral("FLOAT");
        case FieldType::String:
            return field.size > 0 ? QStringLiteral("VARCHAR(%1)").arg(field.size)
                                  : QStringLiteral("VARCHAR");
        case FieldType::Date:
            return QStringLiteral("DATE");
        case FieldType::Time:
            return QStringLiteral("TIME");
        case FieldType::DateTime:
            return QStringLiteral("TIMESTAMP");
    }
    return QStringLiteral("INTEGER");
}

FieldType fieldTypeFromDecl(const QString& declaredType, int* size) {
    if (size) *size = 0;
    const QString t = declaredType.trimmed().toUpper();
    static const QRegularExpression sized(
        QStringLiteral(R"(^(?:VAR)?CHAR(?:ACTER)?\s*\((\d+)\)$)"));
    if (const auto m = sized.match(t); m.hasMatch()) {
        if (size) *size = m.captured(1).toInt();
        return FieldType::String;
    }
    if (t == QLatin1String("SMALLINT")) return FieldType::SmallInt;
    if (t == QLatin1String("DATE")) return FieldType::Date;
    if (t == QLatin1String("TIME")) return FieldType::Time;
    if (t == QLatin1String("TIMESTAMP") || t == QLatin1String("DATETIME"))
        return FieldType::DateTime;
    if (t.contains(QLatin1String("INT"))) return FieldType::Integer;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) ||
        t.contains(QLatin1String("TEXT")))
        return FieldType::String;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) ||
        t.contains(QLatin1String("DOUB")) || t.contains(QLatin1String("NUMERIC")) ||
        t.contains(QLatin1String("DECIMAL")) || t.contains(QLatin1String("MONEY")))
        return FieldType::Float;
    if (t.isEmpty()) return FieldType::String;
    return FieldType::Integer;
}

namespace {

[[noreturn]] void notConvertible(const QVariant& value, const char* what) {
    raise(Error::Kind::Conversion, QStringLiteral("Значение '%1' не является %2")
                                       .arg(value.toString(), QString::fromUtf8(what)));
}

QDate parseDate(const QString& text) {
    QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid()) d = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    return d;
}

QTime parseTime(const QString& text) {
    QTime t = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
    if (!t.isValid()) t = QTime::fromString(text, QStringLiteral("HH:mm"));
    return t;
}

}  // namespace

QVariant toStorage(const QVariant& value, FieldType type) {
    if (value.isNull() || !value.isValid()) return {};
    const auto id = value.typeId();
    switch (type) {
        case FieldType::Integer:
        case FieldType::SmallInt: {
            if (id == QMetaType::Double) {
                const double v = value.toDouble();
                if (v != std::floor(v)) notConvertible(value, "целым числом");
                return static_cast<qint64>(v);
            }
            bool ok = false;
            const qint64 v = value.toLongLong(&ok);
            if (!ok) notConvertible(value, "целым числом");
            if (type == FieldType::SmallInt && (v < -32768 || v > 32767))
                notConvertible(value, "числом от -32768 до 32767");
            return v;
        }
        case FieldType::Float: {
            // Typed by hand, a decimal comma serves as well as the point: "1,5" is 1.5.
            bool ok = false;
            const double v = id == QMetaType::QString
                                 ? value.toString().trimmed().replace(u',', u'.').toDouble(&ok)
                                 : value.toDouble(&ok);
            if (!ok) notConvertible(value, "числом");
            return v;
        }
        case FieldType::String:
            return value.toString();
        case FieldType::Date: {
            QDate d;
            if (id == QMetaType::QDate)
                d = value.toDate();
            else if (id == QMetaType::QDateTime)
                d = value.toDateTime().date();
            else
                d = parseDate(value.toString());
            if (!d.isValid()) notConvertible(value, "правильной датой");
            return d.toString(QStringLiteral("yyyy-MM-dd"));
        }
        case FieldType::Time: {
            QTime t;
            if (id == QMetaType::QTime)
                t = value.toTime();
            else if (id == QMetaType::QDateTime)
                t = value.toDateTime().time();
            else
                t = parseTime(value.toString());
            if (!t.isValid()) notConvertible(value, "правильным временем");
            return t.toString(QStringLiteral("HH:mm:ss"));
        }
        case FieldType::DateTime: {
            QDateTime dt;
            if (id == QMetaType::QDateTime)
                dt = value.toDateTime();
            else if (id == QMetaType::QDate)
                dt = QDateTime(value.toDate(), QTime(0, 0));
            else
                dt = QDateTime::fromString(value.toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (!dt.isValid()) notConvertible(value, "правильной датой и временем");
            return dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
    }
    return value;
}

QVariant fromStorage(const QVariant& stored, FieldType type) {
    if (stored.isNull() || !stored.isValid()) return {};
    switch (type) {
        case FieldType::Integer:
        case FieldType::SmallInt:
            return stored;
        case FieldType::Float:
            if (stored.typeId() == QMetaType::LongLong) return stored.toDouble();
            return stored;
        case FieldType::String:
            return stored.typeId() == QMetaType::QString ? stored : QVariant(stored.toString());
        case FieldType::Date: {
            const QDate d = parseDate(stored.toString());
            return d.isValid() ? QVariant(d) : stored;
        }
        case FieldType::Time: {
            const QTime t = parseTime(stored.toString());
            return t.isValid() ? QVariant(t) : stored;
        }
        case FieldType::DateTime: {
            const QString s = stored.toString();
            QDateTime dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            if (!dt.isValid()) {
                const QDate d = parseDate(s);
                if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
            }
            return dt.isValid() ? QVariant(dt) : stored;
        }
    }
    return stored;
}

QString displayText(const QVariant& value) {
    if (value.isNull() || !value.isValid()) return {};
    switch (value.typeId()) {
        case QMetaType::QDate:
            return value.toDate().toString(QStringLiteral("dd.MM.yyyy"));
        case QMetaType::QTime:
            return value.toTime().toString(QStringLiteral("HH:mm:ss"));
        case QMetaType::QDateTime:
            return value.toDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        case QMetaType::Double:
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        default:
            return value.toString();
    }
}

}  // namespace orv::db
