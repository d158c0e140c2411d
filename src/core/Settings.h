#pragma once
// The settings of the program over a SettingsStore: their sections, names, types and defaults,
// typed reads and writes of the six of the settings dialog, and the conversions of their texts as
// an operator types them.
//
// Reads and writes raise what the store raises (a damaged file, a value of the wrong type, a
// failed write). The percents keep 0..100 and the free minutes 0..44,640: a stored value outside
// that is refused like a damaged one, Error(Engine) naming the file, section and value; a new
// one outside it is refused with Error(Conversion) before it is stored. The text conversions raise
// Error(Conversion) for a text that is no number of the wanted kind, except lenientInteger and
// integerFromText, which never fail.

#include "core/SettingsStore.h"

#include <QList>
#include <QLocale>
#include <QString>

namespace orv::core {

// The member initializers are the defaults of a store that holds none of them.
struct Settings {
    bool chargeLongDistance = true;  // MnMg/Использовать
    bool usePenalty = false;         // Пеня/Использовать
    double penaltyPercent = 1.0;  // Пеня/Процент, percent of the debt per day of delay
    bool useNds = true;           // НДС/Использовать
    double ndsPercent = 20.0;     // НДС/Процент
    qint32 freeMinutes = 0;       // NoUchet/Min, call minutes a month that are not charged
};

// The VAT pair the program holds for the whole run.
struct VatSettings {
    bool useNds = true;
    double ndsPercent = 20.0;
};

Settings readSettings(const SettingsStore& store);
VatSettings readVat(const SettingsStore& store);
// Stores all six in this order: MnMg, Пеня/Использовать, Пеня/Процент, НДС/Использовать,
// НДС/Процент, NoUchet/Min. When one write fails, the earlier ones stay stored.
void writeSettings(SettingsStore& store, const Settings& settings);

enum class SettingType { Bool, Float, Integer };

struct SettingInfo {
    QString section;
    QString name;
    SettingType type;
    double defaultValue;  // a bool as 1 or 0
    double minimum;       // the range a percent or a number of minutes keeps
    double maximum;
};

// How many months the call archive keeps: "Архив", "Хранить месяцев".
inline const QString kArchiveSection = QStringLiteral("Архив");
inline const QString kArchiveKeepMonths = QStringLiteral("Хранить месяцев");
inline constexpr int kArchiveKeepDefault = 36;

// The free minutes of a month cannot exceed the minutes of 31 days.
inline constexpr int kMaxFreeMinutes = 31 * 24 * 60;
// How many snapshots of the tables before a debt run are kept ("Копии", "Хранить").
inline constexpr int kDefaultSnapshotsKept = 24;
inline constexpr int kMaxSnapshotsKept = 1000;

// A value within its setting's range: finite, and from minimum to maximum (any bool is).
bool inRange(const SettingInfo& setting, double value);
// "от 0 до 100".
QString rangeText(const SettingInfo& setting);

// The six in the order writeSettings stores them, then the number of snapshots kept.
const QList<SettingInfo>& allSettings();
// Section and name compare without regard to case; nullptr when it is none of them.
const SettingInfo* findSetting(const QString& section, const QString& name);
// Whether it is НДС/Процент: the VAT percent, which also sets the rate of the current month.
bool isVatPercent(const SettingInfo& setting);
// The default as text: "1"/"0", a float in general format with '.', a decimal integer.
QString defaultText(const SettingInfo& setting);
// Converts the text with the setting's type (boolFromText, floatFromText, integerFromText) and
// stores it with that type. A text that does not convert stores nothing.
void writeSettingFromText(SettingsStore& store, const SettingInfo& setting, const QString& text,
                          const QLocale& locale);

// "1", "0", "true", "false", "да", "нет" in any case, blanks around allowed.
bool boolFromText(const QString& text);
// A floating-point number with '.', ',' or the locale's decimal separator, no group
// separators; otherwise Error(Conversion) "'<text>' не число".
double floatFromText(const QString& text, const QLocale& locale);
// General number format: up to 15 significant digits, no trailing zeros, the locale's decimal
// separator, no group separators (20.0 gives "20").
QString floatToText(double value, const QLocale& locale);

// Reads what it can and never fails: leading blanks, an optional sign, then decimal digits, or
// hexadecimal digits after "$", "x", "X" or "0x"; stops at the first character that does not
// belong (or whose digit would overflow). 0 when no digit was read.
qint64 lenientInteger(const QString& text);
// lenientInteger limited to the 32-bit range the store holds.
qint32 integerFromText(const QString& text);

}  // namespace orv::core
