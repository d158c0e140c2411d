#include "reports/PaymentQr.h"

#include "core/Error.h"

#include <qrencode.h>

#include <memory>

namespace orv::reports {
namespace {

constexpr int kQuietZone = 4;

// A value may not hold the separator of the fields.
QString field(const char* name, const QString& value) {
    QString clean = value.trimmed();
    clean.replace(u'|', u' ');
    return QString::fromLatin1(name) + u'=' + clean;
}

struct QrCodeFree {
    void operator()(QRcode* code) const { QRcode_free(code); }
};

}  // namespace

QString paymentOrder(const IssuerTexts& issuer, qint64 number, billing::Money due,
                     const QDate& period) {
    if (due.roundedToKopecks() <= billing::Money() || hasSampleTexts(issuer)) return {};
    const QString purpose = QStringLiteral("Оплата услуг электросвязи за %1, телефон %2")
                                .arg(period.toString(QStringLiteral("MM.yyyy")))
                                .arg(number);
    const QStringList fields = {
        QStringLiteral("ST00012"),
        field("Name", issuer.centreName),
        field("PersonalAcc", issuer.account),
        field("BankName", issuer.bank),
        field("BIC", issuer.bankCode),
        field("CorrespAcc", issuer.correspondentAccount),
        field("PayeeINN", issuer.inn),
        field("KPP", issuer.kpp),
        field("Sum", QString::number(due.roundedToKopecks().kopecks())),
        field("Purpose", purpose),
        field("PersAcc", QString::number(number)),
    };
    return fields.join(u'|');
}

QImage qrCodeImage(const QString& payload) {
    if (payload.isEmpty()) return {};
    const QByteArray bytes = payload.toUtf8();
    const std::unique_ptr<QRcode, QrCodeFree> code(
        QRcode_encodeData(int(bytes.size()), reinterpret_cast<const unsigned char*>(bytes.constData()),
                          0, QR_ECLEVEL_M));
    if (!code)
        raise(Error::Kind::Engine, QStringLiteral("Не удалось построить QR-код оплаты"));
    const int width = code->width;
    const int side = width + 2 * kQuietZone;
    QImage image(side, side, QImage::Format_Mono);
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image.fill(0);
    for (int y = 0; y < width; ++y)
        for (int x = 0; x < width; ++x)
            if (code->data[y * width + x] & 1) image.setPixel(x + kQuietZone, y + kQuietZone, 1);
    return image;
}

}  // namespace orv::reports
