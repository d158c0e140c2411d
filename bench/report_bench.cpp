// The invoices of a whole exchange: all of them, composed from the books with the payment
// journal read and each with its payment QR code, into a PDF through the report engine; the
// same texts and lines drawn by a bare QPdfWriter loop (the floor), and the preview of the same
// invoices opened to its first page. Each is measured in a process of its own so that its peak
// resident memory is its own: time, peak memory and PDF size.
//
//   report_bench [--subscribers N] [--keep DIR]
//
// The exchange is made once by `orvanta-cli demo` and `orvanta-cli debt-run` in a temporary
// folder (or kept in DIR and reused); every other subscriber then pays twice, straight into the
// payment journal.

#include "billing/PaymentJournal.h"
#include "db/Database.h"
#include "db/Sqlite.h"
#include "db/Transaction.h"
#include "reports/InvoiceReport.h"
#include "reports/ReportRenderer.h"
#include "reports/forms/PreviewWindow.h"

#include <sys/resource.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

using namespace orv;

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

long peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Processor time of this process so far, in milliseconds: the machine is shared, so the
// wall-clock time alone says little.
long cpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

void cli(const QString& folder, const QString& home, const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home);
    env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"), home + QStringLiteral("/bench.reg"));
    process.setProcessEnvironment(env);
    process.start(
        QStringLiteral(ORVANTA_CLI_PATH),
        QStringList{QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + folder,
                    QStringLiteral("--today"), QStringLiteral("10.04.2026")} +
            args);
    process.waitForFinished(-1);
    if (process.exitCode() != 0) {
        out() << process.readAllStandardError() << Qt::endl;
        std::exit(1);
    }
}

// Issuer texts that are no samples, so that every invoice with an amount due gets its code.
reports::IssuerTexts issuer() {
    reports::IssuerTexts texts;
    texts.centreName = QStringLiteral("ООО «Телефонный узел связи»");
    texts.postalCity = QStringLiteral("123456, Тестов");
    texts.street = QStringLiteral("ул. Проверочная, 7");
    texts.account = QStringLiteral("40702810900000012345");
    texts.bank = QStringLiteral("ПАО «Тест-банк»");
    texts.bankCode = QStringLiteral("044525225");
    texts.telephone = QStringLiteral("2-22-33");
    texts.inn = QStringLiteral("7701234567");
    texts.kpp = QStringLiteral("770101001");
    texts.correspondentAccount = QStringLiteral("30101810400000000225");
    return texts;
}

// Two journalled payments of every other account of the debt rows.
void fillJournal(db::Database& db) {
    billing::ensurePaymentJournal(db);
    db::Transaction transaction(db, {billing::kPaymentJournal});
    db::Statement accounts(db.connection(), QStringLiteral("SELECT AbNumber, Priznak FROM %1")
                                                .arg(db.qualified(QStringLiteral("DolgTb"))));
    for (int i = 0; accounts.step(); ++i) {
        if (i % 2 != 0) continue;
        for (const int day : {5, 20})
            billing::appendPaymentJournal(
                db, {accounts.columnInt(0), accounts.column(1).toString(), QDate(2026, 4, day),
                     QTime(10, 0), 100.0, 50.0, QStringLiteral("bench")});
    }
    transaction.commit();
}

// The engine: every invoice into a PDF.
// With sample issuer texts the invoices carry no QR code.
void engineStage(db::Database& db, const QString& pdf, bool codes) {
    QElapsedTimer timer;
    timer.start();
    const long cpu = cpuMilliseconds();
    const reports::InvoiceRun run =
        reports::writeInvoicesPdf(db, {}, nullptr, codes ? issuer() : reports::IssuerTexts(), pdf);
    out() << QStringLiteral(
                 "%7: %1 invoices, %2 pages, %3 ms (processor %6 ms), peak %4 MB, PDF %5 KB\n")
                 .arg(run.invoices)
                 .arg(run.pages)
                 .arg(timer.elapsed())
                 .arg(peakMegabytes())
                 .arg(QFileInfo(pdf).size() / 1024)
                 .arg(cpuMilliseconds() - cpu)
                 .arg(codes ? QStringLiteral("engine") : QStringLiteral("engine without codes"));
}

// The floor: the same texts read first, then drawn with their fonts and the lines at the same
// places by a plain loop over the pages.
void floorStage(db::Database& db, const QString& pdf) {
    reports::InvoiceReport report(db);
    report.open({}, issuer());
    const reports::ReportLayout layout = reports::invoiceLayout(issuer());
    const reports::ReportBand& band = layout.bands.first();
    QList<QStringList> rows;
    for (qint64 r = 0; r < report.data().rowCount(); ++r) {
        QStringList texts;
        for (const reports::ReportElement& e : band.elements)
            texts.append(e.kind == reports::ReportElement::Kind::DataText
                             ? report.data().text(r, e.field)
                             : e.text);
        rows.append(texts);
    }
    QElapsedTimer timer;
    timer.start();
    const long cpu = cpuMilliseconds();
    QPdfWriter writer(pdf);
    writer.setResolution(600);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, {}));
    QList<QFont> fonts;
    QList<double> ascents;
    for (const reports::ReportElement& e : band.elements) {
        fonts.append(reports::ReportRenderer::qtFont(e.font.value_or(band.font)));
        ascents.append(QFontMetricsF(fonts.last(), &writer).ascent());
    }
    QPainter painter(&writer);
    const double mm = 600 / 25.4;
    painter.setPen(QPen(Qt::black, 0.25 * mm));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (r > 0 && r % 3 == 0) writer.newPage();
        const double top = 10 + (r % 3) * band.height;
        painter.drawLine(QPointF(10 * mm, top * mm), QPointF(200 * mm, top * mm));
        painter.drawLine(QPointF(10 * mm, (top + band.height) * mm),
                         QPointF(200 * mm, (top + band.height) * mm));
        for (qsizetype i = 0; i < band.elements.size(); ++i) {
            const reports::ReportElement& e = band.elements[i];
            const double x = (10 + e.left) * mm;
            const double y = (top + e.top) * mm;
            if (e.kind == reports::ReportElement::Kind::HorizontalLine) {
                painter.drawLine(QPointF(x, y), QPointF(x + e.extent * mm, y));
            } else if (e.kind == reports::ReportElement::Kind::VerticalLine) {
                painter.drawLine(QPointF(x, y), QPointF(x, y + e.extent * mm));
            } else if (!rows[r][i].isEmpty()) {
                painter.setFont(fonts[i]);
                painter.drawText(QPointF(x, y + ascents[i]), rows[r][i]);
            }
        }
    }
    painter.end();
    out() << QStringLiteral("floor: %1 invoices, %2 ms (processor %5 ms), peak %3 MB, PDF %4 KB\n")
                 .arg(rows.size())
                 .arg(timer.elapsed())
                 .arg(peakMegabytes())
                 .arg(QFileInfo(pdf).size() / 1024)
                 .arg(cpuMilliseconds() - cpu);
}

// The preview: the query opened and the window shown with its first page drawn.
void previewStage(db::Database& db) {
    QElapsedTimer timer;
    timer.start();
    reports::InvoiceReport report(db);
    report.open({}, issuer());
    const reports::ReportLayout layout = reports::invoiceLayout(issuer());
    reports::ReportPreview preview(layout, &report.data(), QStringLiteral("bench"));
    preview.show();
    QApplication::processEvents();
    out() << QStringLiteral("preview: %1 pages, first page shown in %2 ms, peak %3 MB\n")
                 .arg(preview.pageCount())
                 .arg(timer.elapsed())
                 .arg(peakMegabytes());
    preview.showPage(preview.pageCount() - 1);
    out() << QStringLiteral("preview: last page shown after %1 ms, peak %2 MB\n")
                 .arg(timer.elapsed())
                 .arg(peakMegabytes());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0].startsWith(QLatin1String("--stage="))) {
        db::Database db(QStringLiteral("TarifStandard"), args[1]);
        const QString stage = args[0].mid(8);
        if (stage == QLatin1String("engine")) engineStage(db, args[2], true);
        if (stage == QLatin1String("engine-without-codes")) engineStage(db, args[2], false);
        if (stage == QLatin1String("floor")) floorStage(db, args[2]);
        if (stage == QLatin1String("preview")) previewStage(db);
        out().flush();
        return 0;
    }
    int subscribers = 5000;
    QString keep;
    for (qsizetype i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--subscribers")) subscribers = args[i + 1].toInt();
        if (args[i] == QLatin1String("--keep")) keep = args[i + 1];
    }
    QTemporaryDir temp;
    const QString folder = keep.isEmpty() ? temp.filePath(QStringLiteral("exchange")) : keep;
    const QString home = temp.filePath(QStringLiteral("home"));
    QDir().mkpath(home);
    if (!QFileInfo::exists(folder + QStringLiteral("/DolgTb.db"))) {
        QDir().mkpath(folder);
        cli(folder, home,
            {QStringLiteral("demo"), QStringLiteral("--subscribers"), QString::number(subscribers),
             QStringLiteral("--calls"), QString::number(subscribers * 6),
             QStringLiteral("--months"), QStringLiteral("1")});
        cli(folder, home, {QStringLiteral("debt-run")});
        db::Database db(QStringLiteral("TarifStandard"), folder);
        fillJournal(db);
    }
    for (const char* stage : {"floor", "engine", "engine-without-codes", "preview"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(app.applicationFilePath(),
                    {QStringLiteral("--stage=") + QLatin1String(stage), folder,
                     temp.filePath(QLatin1String(stage) + QStringLiteral(".pdf"))});
        child.waitForFinished(-1);
    }
    return 0;
}
