#pragma once
// The payment QR code of an invoice: the payment order in the Russian standard format for
// payment orders (ГОСТ Р 56042-2014, UTF-8: "ST00012|Name=...|PersonalAcc=...|...") and its
// modules as libqrencode draws them.
//
// No order is made for an amount due of 0 or less, or while the issuer texts are samples.

#include "billing/Money.h"
#include "reports/IssuerTexts.h"

#include <QDate>
#include <QImage>
#include <QString>

namespace orv::reports {

// The payload; empty when no order is made. period is the month the invoice bills.
QString paymentOrder(const IssuerTexts& issuer, qint64 number, billing::Money due,
                     const QDate& period);

// The code of the payload, one pixel per module with a quiet zone of four modules, black on
// white; a null image for an empty payload. Error correction level M.
QImage qrCodeImage(const QString& payload);

}  // namespace orv::reports
