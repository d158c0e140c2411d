#include "cli/BillingCommands.h"

#include "billing/DebtRun.h"
#include "billing/DebtViews.h"
#include "billing/Payment.h"
#include "billing/VatRates.h"
#include "cli/Csv.h"
#include "cli/ListOption.h"
#include "cli/Options.h"
#include "cli/SafetyCommands.h"
#include "cli/ViewOutput.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/Selection.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"

#include <QRegularExpression>

namespace orv::cli {
namespace {

QString date(const QDate& value) { return value.toString(QStringLiteral("dd.MM.yyyy")); }

}  // namespace

int runDebtRun(CliContext& context, const QStringList& args) {
    if (args == QStringList{QStringLiteral("--dry-run")}) return runDebtDryRun(context);
    if (!args.isEmpty()) usageError(QStringLiteral("debt-run [--dry-run]"));
    const core::SettingsStore store;
    const core::VatSettings vat = core::readVat(store);
    const billing::DebtRunSummary summary = billing::runDebtCalculation(
        context.standard(), store, vat, orv::today(), billing::standardPipelines());
    context.out() << billing::summaryLine(summary) << QLatin1Char('\n');
    return 0;
}

int runDebts(CliContext& context, const QStringList& words) {
    const QString usage =
        QStringLiteral("Использование: orvanta-cli debts [--list ФАЙЛ.lst] [--xlsx ФАЙЛ]");
    Options options(words, usage);
    const std::optional<QString> xlsx = takeXlsx(options);
    options.setFaultText([&usage](Options::Fault, const QString&) { return usage; });
    std::optional<QString> list;
    options.readPairs({{QStringLiteral("--list"), [&list](const QString& file) { list = file; }}});
    billing::DebtViews views(context.standard());
    if (list) {
        if (const auto filter = readListOption(context, *list)) {
            views.setListFilter(*filter);
            views.setListFiltered(true);
        }
    }
    writeViewOutput(context, views.openDolg(), billing::debtViewColumns(), xlsx);
    return 0;
}

int runPayments(CliContext& context, const QStringList& words) {
    const QString usage = QStringLiteral("Использование: orvanta-cli payments [--xlsx ФАЙЛ]");
    Options options(words, usage);
    const std::optional<QString> xlsx = takeXlsx(options);
    if (!options.rest().isEmpty()) usageError(usage);
    billing::DebtViews views(context.standard());
    writeViewOutput(context, views.openShowPane(), billing::paymentViewColumns(), xlsx);
    return 0;
}

int runPay(CliContext& context, const QStringList& args) {
    static const QRegularExpression numberForm(QStringLiteral(R"(^\d{1,7}$)"));
    if (args.size() != 3 || !numberForm.match(args[0]).hasMatch())
        usageError(QStringLiteral("pay НОМЕР ПРИЗНАК СУММА (номер: до 7 цифр)"));
    const auto result = billing::confirmPayment(context.standard(), args[0].toLongLong(), args[1],
                                                args[2], QLocale(), orv::today());
    if (!result) raise(Error::Kind::Refused, billing::kDebtNotFound);
    context.out() << QStringLiteral("Оплата записана: к оплате %1, оплачено %2, остаток %3\n")
                         .arg(result->due.toPlainString(), result->paid.toPlainString(),
                              result->remaining.toPlainString());
    return 0;
}

int runVatRates(CliContext& context, const QStringList& args) {
    const QString usage = QStringLiteral(
        "Использование: orvanta-cli vat-rates | orvanta-cli vat-rates set ДД.ММ.ГГГГ ПРОЦЕНТ");
    if (!args.isEmpty()) {
        if (args.size() != 3 || args[0] != QLatin1String("set")) usageError(usage);
        QDate from;
        double percent = 0;
        try {
            from = core::dateFromText(args[1]);
            percent = core::floatFromText(args[2], QLocale());
        } catch (const Error& e) {
            usageError(e.message() + u'\n' + usage);
        }
        billing::setVatRate(context.standard(), from, percent);
    }
    context.out() << csvLine({QStringLiteral("ДатаНачала"), QStringLiteral("Процент")});
    const billing::VatRates rates = billing::VatRates::read(context.standard());
    for (const billing::VatRate& rate : rates.rates())
        context.out() << csvLine({date(rate.from), core::floatToText(rate.percent, QLocale::c())});
    return 0;
}

}  // namespace orv::cli
