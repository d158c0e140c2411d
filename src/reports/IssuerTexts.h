#pragma once
// The issuer's own data printed on every invoice and put into its payment QR code: the service
// centre's name, postal code and city, street address, taxpayer number (ИНН) and registration
// code (КПП), settlement and correspondent accounts, bank, bank code (БИК) and reference
// telephone. They are
// the operator's deployment data, kept as strings in the settings store's section "Реквизиты";
// a store without them gives plainly marked sample values, so that an invoice printed before
// they are set cannot pass for a real one.
//
// Reads raise what the store raises (a damaged file); a value stored as another type than a
// string raises Error(Conversion) "Invalid data type for '<name>'".

#include "core/SettingsStore.h"

#include <QList>
#include <QString>

namespace orv::reports {

struct IssuerTexts {
    QString centreName;  // full name of the service centre
    QString postalCity;  // "<postal code>, <city>"
    QString street;
    QString account;  // settlement account
    QString bank;
    QString bankCode;   // БИК
    QString telephone;  // reference telephone
    QString inn;
    QString kpp;
    QString correspondentAccount;
};

struct IssuerSetting {
    QString name;    // value name in the section
    QString sample;  // the marked sample value
    QString IssuerTexts::*member;
    QString formerName = {};  // the name the value was stored under before, read when unset
};

inline const QString kIssuerSection = QStringLiteral("Реквизиты");

// Every one of them, in the order the settings window lists them.
const QList<IssuerSetting>& issuerSettings();
// nullptr when the name is none of them; compared without regard to case.
const IssuerSetting* findIssuerSetting(const QString& name);

IssuerTexts readIssuerTexts(const core::SettingsStore& store);
// Whether any of the texts is still its sample or empty: such texts make no payment order.
bool hasSampleTexts(const IssuerTexts& texts);
void writeIssuerTexts(core::SettingsStore& store, const IssuerTexts& texts);

}  // namespace orv::reports
