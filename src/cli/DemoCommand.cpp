#include "cli/DemoCommand.h"

#include "cli/Options.h"
#include "core/Clock.h"
#include "utils/DemoData.h"

#include <algorithm>

namespace orv::cli {
namespace {

const QString kUsage = QStringLiteral(
    "Использование: orvanta-cli demo [--subscribers N] [--calls N] [--months M] [--seed S]");

quint64 number(const QString& option, const QString& text) {
    bool ok = false;
    const quint64 value = text.toULongLong(&ok);
    if (!ok)
        usageError(QStringLiteral("%1: '%2' не целое неотрицательное число\n").arg(option, text) +
                   kUsage);
    return value;
}

// A count given more than once takes the last; one beyond its range is clamped one past it, so
// the core names the range.
template <typename Count>
Options::Option countOption(const QString& option, Count& target, quint64 most) {
    return {option,
            [&target, option, most](const QString& text) {
                target = static_cast<Count>(std::min<quint64>(number(option, text), most + 1));
            },
            true};
}

QString day(const QDate& date) { return date.toString(QStringLiteral("dd.MM.yyyy")); }

}  // namespace

int runDemo(CliContext& context, const QStringList& args) {
    utils::DemoOptions options;
    Options words(args, kUsage);
    words.readPairs(
        {countOption(QStringLiteral("--subscribers"), options.subscribers,
                     utils::kMaxDemoSubscribers),
         countOption(QStringLiteral("--calls"), options.calls, utils::kMaxDemoCalls),
         countOption(QStringLiteral("--months"), options.months, utils::kMaxDemoMonths),
         {QStringLiteral("--seed"),
          [&](const QString& text) { options.seed = number(QStringLiteral("--seed"), text); },
          true}});

    const utils::DemoSummary s = utils::fillDemoData(context.standard(), options, orv::today());
    QTextStream& out = context.out();
    out << (s.onServer ? QStringLiteral("Пример заполнен на сервере %1 (зерно %2)\n")
                       : QStringLiteral("Пример заполнен в папке %1 (зерно %2)\n"))
               .arg(s.folder)
               .arg(options.seed);
    out << QStringLiteral("AbTab: номеров %1, записей %2, из них с Exist \"NO\" %3\n")
               .arg(s.numbers)
               .arg(s.subscriberRows)
               .arg(s.closedRows);
    out << QStringLiteral("ABPLATA: записей %1, с %2 по %3\n")
               .arg(s.feeRows)
               .arg(day(s.firstFee), day(s.lastFee));
    out << QStringLiteral("TARIFCIT: записей %1; Tarif1: записей %2")
               .arg(s.cityTariffRows)
               .arg(s.trunkTariffRows);
    if (s.tariffChange.isValid())
        out << QStringLiteral("; тарифы меняются с %1").arg(day(s.tariffChange));
    out << QLatin1Char('\n');
    out << QStringLiteral(
               "Sng: кодов %1; Foren: кодов %2; Prazdn: дней %3; VechTm: 22:00:00-07:00:00\n")
               .arg(s.longDistanceCodes)
               .arg(s.internationalCodes)
               .arg(s.holidays);
    out << QStringLiteral(
               "DESTTAR: разговоров %1 с %2 по %3 (городских %4, междугородних %5, "
               "международных %6, из них повторов %7)\n")
               .arg(s.cityCalls + s.longDistanceCalls + s.internationalCalls)
               .arg(day(s.firstCallDay), day(s.lastCallDay))
               .arg(s.cityCalls)
               .arg(s.longDistanceCalls)
               .arg(s.internationalCalls)
               .arg(s.duplicateCalls);
    return 0;
}

}  // namespace orv::cli
