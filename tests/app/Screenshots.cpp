// orvanta_screenshots: renders the main window after the city view, the settings dialog, the
// VAT rates, the subscriber fill, the list editor, the used lists, the splash and the invoice
// preview at 100 % into PNG files for the documentation. Not a test; run it under a real display
// (Xvfb):
//
//   orvanta_screenshots STANDARD_DIR EVERYDAY_DIR OUTPUT_DIR

#include "app/Subsystems.h"
#include "app/forms/MainWindow.h"
#include "app/forms/SettingsDialog.h"
#include "app/forms/Splash.h"
#include "billing/forms/VatRatesDialog.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "db/Aliases.h"
#include "reports/InvoiceReport.h"
#include "reports/forms/PreviewWindow.h"
#include "utils/ListTextFile.h"
#include "utils/forms/ListEditor.h"
#include "utils/forms/ListsInUse.h"
#include "utils/forms/SubscriberFillDialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tariff"));
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: orvanta_screenshots STANDARD_DIR EVERYDAY_DIR OUTPUT_DIR\n");
        return 2;
    }
    try {
        orv::db::Aliases aliases;
        aliases.bindForRun(QLatin1String(orv::db::kStandardAlias), args[1]);
        aliases.bindForRun(QLatin1String(orv::db::kEverydayAlias), args[2]);
        // The number lists live in a start directory of their own.
        QTemporaryDir lists;
        orv::utils::writeListLines(
            lists.filePath(QStringLiteral("Main.slst")),
            {QStringLiteral("Фирмы"), QStringLiteral("Бюджет"), QStringLiteral("Льготники")});
        QDir::setCurrent(lists.path());
        orv::app::ProgramData data(aliases);
        orv::app::TForm1 window(data);
        orv::app::installSubsystems(window);
        window.FormShow();
        window.resize(1000, 600);
        window.show();
        window.findChild<QCheckBox*>(QStringLiteral("CheckBoxByDate"))->setChecked(true);
        // The previous month, which a demo exchange made today has calls for.
        const QDate first = orv::today().addMonths(-1).addDays(1 - orv::today().day());
        const QDate last = first.addDays(first.daysInMonth() - 1);
        window.findChild<QLineEdit*>(QStringLiteral("MaskEditDF"))
            ->setText(first.toString(QStringLiteral("ddMMyyyy")));
        window.findChild<QLineEdit*>(QStringLiteral("MaskEditDT"))
            ->setText(last.toString(QStringLiteral("ddMMyyyy")));
        if (QAction* city = window.action(orv::ui::Command::DropCity); city && city->isEnabled())
            city->trigger();
        window.grid()->resizeColumnsToContents();
        QApplication::processEvents();
        window.grab().save(QDir(args[3]).filePath(QStringLiteral("main-window.png")));

        auto* dialog = window.findChild<orv::app::TFormSettings*>();
        dialog->FormShow();
        dialog->show();
        QApplication::processEvents();
        dialog->grab().save(QDir(args[3]).filePath(QStringLiteral("settings-dialog.png")));
        dialog->reject();

        auto* rates = window.findChild<orv::billing::TFormVatRates*>();
        QTimer::singleShot(200, rates, [rates, &args] {
            rates->grab().save(QDir(args[3]).filePath(QStringLiteral("vat-rates.png")));
            rates->reject();
        });
        rates->showModal();

        auto* fill = window.findChild<orv::utils::TForm5*>();
        fill->findChild<QLineEdit*>(QStringLiteral("MaskEditNumberFrom"))
            ->setText(QStringLiteral("2001"));
        fill->findChild<QLineEdit*>(QStringLiteral("MaskEditNumberTo"))
            ->setText(QStringLiteral("2999"));
        fill->show();
        QApplication::processEvents();
        fill->grab().save(QDir(args[3]).filePath(QStringLiteral("subscriber-fill.png")));
        fill->reject();

        auto* editor = window.findChild<orv::utils::TForm11*>();
        auto* number = editor->findChild<QLineEdit*>(QStringLiteral("MaskEdit1"));
        for (const char* n : {"2001", "2002", "2015", "2107"}) {
            number->setText(QLatin1String(n));
            editor->ToolButton5Click();
        }
        editor->setWindowTitle(QStringLiteral("Фирмы"));
        editor->show();
        QApplication::processEvents();
        editor->grab().save(QDir(args[3]).filePath(QStringLiteral("list-editor.png")));
        editor->hide();

        auto* used = window.findChild<orv::utils::TForm2*>();
        used->FormShow();
        used->show();
        QApplication::processEvents();
        used->grab().save(QDir(args[3]).filePath(QStringLiteral("lists-in-use.png")));
        used->hide();

        orv::app::TForm6 splash;
        splash.show();
        QApplication::processEvents();
        splash.grab().save(QDir(args[3]).filePath(QStringLiteral("splash.png")));
        splash.hide();

        orv::reports::InvoiceReport invoices(window.tarifStandard());
        const orv::reports::IssuerTexts issuer =
            orv::reports::readIssuerTexts(window.settingsStore());
        invoices.open({}, issuer);
        const orv::reports::ReportLayout layout = orv::reports::invoiceLayout(issuer);
        orv::reports::ReportPreview preview(
            layout, &invoices.data(), QStringLiteral("Счета за услуги электросвязи"), &window);
        preview.resize(900, 1000);
        preview.show();
        QApplication::processEvents();
        preview.grab().save(QDir(args[3]).filePath(QStringLiteral("invoice-preview.png")));
    } catch (const orv::Error& e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
