#include "cli/SettingsCommand.h"

#include "billing/VatRates.h"
#include "core/Clock.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "reports/IssuerTexts.h"

#include <QLocale>
#include <QtEndian>
#include <algorithm>
#include <bit>

namespace orv::cli {
namespace {

using core::SettingsStore;
using Type = SettingsStore::Type;

const QString kUsage = QStringLiteral(
    "Использование: orvanta-cli settings show\n"
    "               orvanta-cli settings set РАЗДЕЛ ЗНАЧЕНИЕ ТЕКСТ");

QString qualifiedName(const QString& section, const QString& name) {
    return section.isEmpty() ? name : section + QLatin1Char('\\') + name;
}

QString hexList(const QByteArray& bytes) {
    QStringList parts;
    for (const char byte : bytes)
        parts << QStringLiteral("%1").arg(quint8(byte), 2, 16, QChar('0'));
    return parts.join(QLatin1Char(','));
}

QString valueLine(const QString& section, const SettingsStore::Value& value) {
    QString text;
    QString type;
    switch (value.type) {
        case Type::String:
            text = value.text;
            type = QStringLiteral("string");
            break;
        case Type::Dword:
            text = QString::number(value.dword);
            type = QStringLiteral("dword");
            break;
        case Type::Binary:
            if (value.bytes.size() == 8) {
                const quint64 bits = qFromLittleEndian<quint64>(value.bytes.constData());
                text = core::floatToText(std::bit_cast<double>(bits), QLocale::c());
                type = QStringLiteral("float");
            } else {
                text = QStringLiteral("hex:") + hexList(value.bytes);
                type = QStringLiteral("binary");
            }
            break;
        case Type::Other:
            type = QStringLiteral("hex(%1)").arg(value.otherType, 0, 16);
            text = type + QLatin1Char(':') + hexList(value.bytes);
            break;
    }
    return QStringLiteral("%1=%2 (%3)").arg(qualifiedName(section, value.name), text, type);
}

QString settingList() {
    QStringList names;
    for (const core::SettingInfo& setting : core::allSettings()) {
        const char* kind = setting.type == core::SettingType::Bool    ? "логическое"
                           : setting.type == core::SettingType::Float ? "число"
                                                                      : "целое";
        names << QStringLiteral("%1 (%2)").arg(qualifiedName(setting.section, setting.name),
                                               QString::fromUtf8(kind));
    }
    for (const reports::IssuerSetting& setting : reports::issuerSettings())
        names << QStringLiteral("%1 (текст)")
                     .arg(qualifiedName(reports::kIssuerSection, setting.name));
    return names.join(QStringLiteral(", "));
}

bool holds(const QList<SettingsStore::Section>& sections, const core::SettingInfo& setting) {
    const auto same = [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) == 0;
    };
    return std::any_of(sections.begin(), sections.end(), [&](const SettingsStore::Section& s) {
        return same(s.name, setting.section) &&
               std::any_of(s.values.begin(), s.values.end(), [&](const SettingsStore::Value& v) {
                   return same(v.name, setting.name);
               });
    });
}

void show(QTextStream& out) {
    const SettingsStore store;
    out << QStringLiteral("Файл настроек: ") << store.filePath();
    if (!store.fileExists())
        out << QStringLiteral(" (не существует; действуют значения по умолчанию)");
    out << '\n';
    const QList<SettingsStore::Section> sections = store.sections();
    for (const SettingsStore::Section& section : sections) {
        for (const SettingsStore::Value& value : section.values)
            out << valueLine(section.name, value) << '\n';
    }
    for (const core::SettingInfo& setting : core::allSettings()) {
        if (holds(sections, setting)) continue;
        out << qualifiedName(setting.section, setting.name) << '=' << core::defaultText(setting)
            << QStringLiteral(" (по умолчанию)") << '\n';
    }
}

// The issuer's texts of the invoices are strings stored as they are typed.
bool setIssuerText(QTextStream& out, const QString& section, const QString& name,
                   const QString& text) {
    if (section.compare(reports::kIssuerSection, Qt::CaseInsensitive) != 0) return false;
    const reports::IssuerSetting* setting = reports::findIssuerSetting(name);
    if (!setting) return false;
    SettingsStore store;
    store.writeString(reports::kIssuerSection, setting->name, text);
    if (const auto stored = store.value(reports::kIssuerSection, setting->name))
        out << valueLine(reports::kIssuerSection, *stored) << '\n';
    return true;
}

// The VAT percent of the settings is the rate from the first day of the current month.
void setVatRateFromSetting(CliContext& context, const core::SettingInfo& setting,
                           const SettingsStore& store) {
    if (!core::isVatPercent(setting)) return;
    const QDate today = orv::today();
    billing::setVatRate(context.standard(), QDate(today.year(), today.month(), 1),
                        core::readVat(store).ndsPercent);
}

void set(CliContext& context, const QString& section, const QString& name, const QString& text) {
    QTextStream& out = context.out();
    if (setIssuerText(out, section, name, text)) return;
    const core::SettingInfo* setting = core::findSetting(section, name);
    if (!setting) {
        usageError(QStringLiteral("Неизвестная настройка %1. Настройки: %2")
                       .arg(qualifiedName(section, name), settingList()));
    }
    SettingsStore store;
    core::writeSettingFromText(store, *setting, text, QLocale::system());
    setVatRateFromSetting(context, *setting, store);
    if (const auto stored = store.value(setting->section, setting->name))
        out << valueLine(setting->section, *stored) << '\n';
}

}  // namespace

int runSettingsCommand(CliContext& context, const QStringList& args) {
    const QString command = args.value(0);
    if (command == QLatin1String("show") && args.size() == 1) {
        show(context.out());
        return 0;
    }
    if (command == QLatin1String("set") && args.size() == 4) {
        set(context, args[1], args[2], args[3]);
        return 0;
    }
    usageError(kUsage);
}

}  // namespace orv::cli
