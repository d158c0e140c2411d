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
    const std::unique_ptr<QRcode, QrCodeFree> code(QRcode_encodeData(
        int(bytes.size()), reinterpret_cast<const unsigned char*>(bytes.constData()), 0,
        QR_ECLEVEL_M));
    if (!code) raise(Error::Kind::Engine, QStringLiteral("Не удалось построить QR-код оплаты"));
    const int width = code->width;
    const int side = width + 2 * kQuietZone;
    // A bitmap with black first and white second: a PDF takes it as a one-bit image.
    QImage image(side, side, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    image.fill(1);
    for (int y = 0; y < width; ++y) {
        uchar* line = image.scanLine(y + kQuietZone);
        const unsigned char* modules = code->data + y * width;
        for (int x = 0; x < width; ++x) {
            // Format_Mono: the most significant bit first; a dark module is colour 0.
            const int bit = x + kQuietZone;
            if (modules[x] & 1) line[bit >> 3] &= uchar(~(0x80 >> (bit & 7)));
        }
    }
    return image;
}

}  // namespace orv::reports
