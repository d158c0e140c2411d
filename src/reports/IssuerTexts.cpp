#include "reports/IssuerTexts.h"

#include "core/Error.h"

namespace orv::reports {

const QList<IssuerSetting>& issuerSettings() {
    static const QList<IssuerSetting> list = {
        {QStringLiteral("Название"), QStringLiteral("ОБРАЗЕЦ: Сервисный центр электросвязи"),
         &IssuerTexts::centreName},
        {QStringLiteral("Индекс и город"), QStringLiteral("000000, ОБРАЗЕЦ-город"),
         &IssuerTexts::postalCity},
        {QStringLiteral("Адрес"), QStringLiteral("ул. Образцовая, 1"), &IssuerTexts::street},
        {QStringLiteral("Расчетный счет"), QStringLiteral("00000000000000"), &IssuerTexts::account},
        {QStringLiteral("Банк"), QStringLiteral("ОБРАЗЕЦ-банк"), &IssuerTexts::bank},
        {QStringLiteral("БИК"), QStringLiteral("000000000"), &IssuerTexts::bankCode,
         QStringLiteral("МФО")},
        {QStringLiteral("Корр. счет"), QStringLiteral("00000000000000000000"),
         &IssuerTexts::correspondentAccount},
        {QStringLiteral("ИНН"), QStringLiteral("0000000000"), &IssuerTexts::inn},
        {QStringLiteral("КПП"), QStringLiteral("000000000"), &IssuerTexts::kpp},
        {QStringLiteral("Телефон"), QStringLiteral("00-00-00"), &IssuerTexts::telephone},
    };
    return list;
}

const IssuerSetting* findIssuerSetting(const QString& name) {
    for (const IssuerSetting& setting : issuerSettings())
        if (setting.name.compare(name, Qt::CaseInsensitive) == 0) return &setting;
    return nullptr;
}

IssuerTexts readIssuerTexts(const core::SettingsStore& store) {
    IssuerTexts texts;
    for (const IssuerSetting& setting : issuerSettings()) {
        auto value = store.value(kIssuerSection, setting.name);
        if (!value && !setting.formerName.isEmpty())
            value = store.value(kIssuerSection, setting.formerName);
        if (value && value->type != core::SettingsStore::Type::String)
            raise(Error::Kind::Conversion,
                  QStringLiteral("Invalid data type for '%1'").arg(setting.name));
        texts.*setting.member = value ? value->text : setting.sample;
    }
    return texts;
}

bool hasSampleTexts(const IssuerTexts& texts) {
    for (const IssuerSetting& setting : issuerSettings()) {
        const QString& value = texts.*setting.member;
        if (value.trimmed().isEmpty() || value == setting.sample) return true;
    }
    return false;
}

void writeIssuerTexts(core::SettingsStore& store, const IssuerTexts& texts) {
    for (const IssuerSetting& setting : issuerSettings())
        store.writeString(kIssuerSection, setting.name, texts.*setting.member);
}

}  // namespace orv::reports
