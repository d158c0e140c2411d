#include "core/Settings.h"

#include "core/Error.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv::core {
namespace {

const QString kMnMg = QStringLiteral("MnMg");
const QString kPenalty = QStringLiteral("Пеня");
const QString kNds = QStringLiteral("НДС");
const QString kNoUchet = QStringLiteral("NoUchet");
const QString kUse = QStringLiteral("Использовать");
const QString kPercent = QStringLiteral("Процент");
const QString kMin = QStringLiteral("Min");
const QString kCopies = QStringLiteral("Копии");
const QString kKeep = QStringLiteral("Хранить");

int asciiDigit(QChar c, int base) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (base == 16 && u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (base == 16 && u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

QString valueText(double value) { return floatToText(value, QLocale::c()); }

// A percent or a number of minutes read from the store; one outside its range is refused as a
// damaged value, naming the file, the section and the value.
double checkedStored(const SettingsStore& store, const QString& section, const QString& name,
                     double value) {
    const SettingInfo& setting = *findSetting(section, name);
    if (!inRange(setting, value))
        raise(Error::Kind::Engine,
              QStringLiteral("Файл настроек %1 повреждён: раздел «%2», значение «%3»: %4 вне "
                             "пределов %5")
                  .arg(store.filePath(), section, name, valueText(value), rangeText(setting)));
    return value;
}

double storedFloat(const SettingsStore& store, const QString& section, const QString& name,
                   double defaultValue) {
    return checkedStored(store, section, name, store.readFloat(section, name, defaultValue));
}

qint32 storedInteger(const SettingsStore& store, const QString& section, const QString& name,
                     qint32 defaultValue) {
    return qint32(
        checkedStored(store, section, name, store.readInteger(section, name, defaultValue)));
}

// A value about to be stored must keep its range as well.
void checkNew(const QString& section, const QString& name, double value) {
    const SettingInfo& setting = *findSetting(section, name);
    if (!inRange(setting, value))
        raise(Error::Kind::Conversion,
              QStringLiteral("Значение «%1» раздела «%2» должно быть в пределах %3: %4")
                  .arg(name, section, rangeText(setting), valueText(value)));
}

}  // namespace

bool inRange(const SettingInfo& setting, double value) {
    if (setting.type == SettingType::Bool) return true;
    return std::isfinite(value) && value >= setting.minimum && value <= setting.maximum;
}

QString rangeText(const SettingInfo& setting) {
    return QStringLiteral("от %1 до %2")
        .arg(valueText(setting.minimum), valueText(setting.maximum));
}

Settings readSettings(const SettingsStore& store) {
    Settings s;
    s.chargeLongDistance = store.readBool(kMnMg, kUse, s.chargeLongDistance);
    s.usePenalty = store.readBool(kPenalty, kUse, s.usePenalty);
    s.penaltyPercent = storedFloat(store, kPenalty, kPercent, s.penaltyPercent);
    s.useNds = store.readBool(kNds, kUse, s.useNds);
    s.ndsPercent = storedFloat(store, kNds, kPercent, s.ndsPercent);
    s.freeMinutes = storedInteger(store, kNoUchet, kMin, s.freeMinutes);
    return s;
}

VatSettings readVat(const SettingsStore& store) {
    VatSettings vat;
    vat.useNds = store.readBool(kNds, kUse, vat.useNds);
    vat.ndsPercent = storedFloat(store, kNds, kPercent, vat.ndsPercent);
    return vat;
}

void writeSettings(SettingsStore& store, const Settings& settings) {
    store.writeBool(kMnMg, kUse, settings.chargeLongDistance);
    store.writeBool(kPenalty, kUse, settings.usePenalty);
    checkNew(kPenalty, kPercent, settings.penaltyPercent);
    store.writeFloat(kPenalty, kPercent, settings.penaltyPercent);
    store.writeBool(kNds, kUse, settings.useNds);
    checkNew(kNds, kPercent, settings.ndsPercent);
    store.writeFloat(kNds, kPercent, settings.ndsPercent);
    checkNew(kNoUchet, kMin, settings.freeMinutes);
    store.writeInteger(kNoUchet, kMin, settings.freeMinutes);
}

const QList<SettingInfo>& allSettings() {
    static const QList<SettingInfo> list = [] {
        const Settings d;
        return QList<SettingInfo>{
            {kMnMg, kUse, SettingType::Bool, d.chargeLongDistance ? 1.0 : 0.0, 0, 1},
            {kPenalty, kUse, SettingType::Bool, d.usePenalty ? 1.0 : 0.0, 0, 1},
            {kPenalty, kPercent, SettingType::Float, d.penaltyPercent, 0, 100},
            {kNds, kUse, SettingType::Bool, d.useNds ? 1.0 : 0.0, 0, 1},
            {kNds, kPercent, SettingType::Float, d.ndsPercent, 0, 100},
            {kNoUchet, kMin, SettingType::Integer, double(d.freeMinutes), 0, kMaxFreeMinutes},
            {kCopies, kKeep, SettingType::Integer, kDefaultSnapshotsKept, 1, kMaxSnapshotsKept},
            {kArchiveSection, kArchiveKeepMonths, SettingType::Integer, kArchiveKeepDefault, 1,
             1200},
        };
    }();
    return list;
}

const SettingInfo* findSetting(const QString& section, const QString& name) {
    for (const SettingInfo& setting : allSettings()) {
        if (QString::compare(setting.section, section, Qt::CaseInsensitive) == 0 &&
            QString::compare(setting.name, name, Qt::CaseInsensitive) == 0) {
            return &setting;
        }
    }
    return nullptr;
}

bool isVatPercent(const SettingInfo& setting) {
    return setting.section == kNds && setting.name == kPercent;
}

QString defaultText(const SettingInfo& setting) {
    switch (setting.type) {
        case SettingType::Bool:
            return setting.defaultValue != 0 ? QStringLiteral("1") : QStringLiteral("0");
        case SettingType::Float:
            return floatToText(setting.defaultValue, QLocale::c());
        case SettingType::Integer:
            break;
    }
    return QString::number(qint64(setting.defaultValue));
}

void writeSettingFromText(SettingsStore& store, const SettingInfo& setting, const QString& text,
                          const QLocale& locale) {
    switch (setting.type) {
        case SettingType::Bool:
            store.writeBool(setting.section, setting.name, boolFromText(text));
            return;
        case SettingType::Float: {
            const double value = floatFromText(text, locale);
            checkNew(setting.section, setting.name, value);
            store.writeFloat(setting.section, setting.name, value);
            return;
        }
        case SettingType::Integer: {
            const qint32 value = integerFromText(text);
            checkNew(setting.section, setting.name, value);
            store.writeInteger(setting.section, setting.name, value);
            return;
        }
    }
}

bool boolFromText(const QString& text) {
    const QString word = text.trimmed();
    for (const char16_t* yes : {u"1", u"true", u"да"}) {
        if (QString::compare(word, QString::fromUtf16(yes), Qt::CaseInsensitive) == 0) return true;
    }
    for (const char16_t* no : {u"0", u"false", u"нет"}) {
        if (QString::compare(word, QString::fromUtf16(no), Qt::CaseInsensitive) == 0) return false;
    }
    raise(Error::Kind::Conversion,
          QStringLiteral("'%1' не логическое значение: ожидается 1, 0, true, false, да или нет")
              .arg(text));
}

double floatFromText(const QString& text, const QLocale& locale) {
    QString number = text.trimmed();
    const QString decimalPoint = locale.decimalPoint();
    if (decimalPoint != QLatin1String(".")) number.replace(decimalPoint, QLatin1String("."));
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(number, &ok);
    if (!ok || !std::isfinite(value)) {
        raise(Error::Kind::Conversion, QStringLiteral("'%1' не число").arg(text));
    }
    return value;
}

QString floatToText(double value, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value, 'g', 15);
}

qint64 lenientInteger(const QString& text) {
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size && text[i].isSpace()) ++i;
    bool negative = false;
    if (i < size && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int base = 10;
    if (i < size && (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') ||
                     text[i] == QLatin1Char('X'))) {
        base = 16;
        ++i;
    } else if (i + 1 < size && text[i] == QLatin1Char('0') &&
               (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X'))) {
        base = 16;
        i += 2;
    }
    const quint64 limit = quint64(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0);
    quint64 value = 0;
    for (; i < size; ++i) {
        const int digit = asciiDigit(text[i], base);
        if (digit < 0 || value > (limit - quint64(digit)) / quint64(base)) break;
        value = value * quint64(base) + quint64(digit);
    }
    return negative ? qint64(0 - value) : qint64(value);
}

qint32 integerFromText(const QString& text) {
    const qint64 value = lenientInteger(text);
    return qint32(std::clamp<qint64>(value, std::numeric_limits<qint32>::min(),
                                     std::numeric_limits<qint32>::max()));
}

}  // namespace orv::core
