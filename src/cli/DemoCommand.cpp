#include "cli/DemoCommand.h"

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

QString day(const QDate& date) { return date.toString(QStringLiteral("dd.MM.yyyy")); }

}  // namespace

int runDemo(CliContext& context, const QStringList& args) {
    utils::DemoOptions options;
    static const QStringList known = {QStringLiteral("--subscribers"), QStringLiteral("--calls"),
                                      QStringLiteral("--months"), QStringLiteral("--seed")};
    for (int i = 0; i < args.size(); i += 2) {
        const QString& option = args[i];
        if (!known.contains(option))
            usageError(QStringLiteral("Неизвестный параметр %1\n").arg(option) + kUsage);
        if (i + 1 >= args.size())
            usageError(QStringLiteral("Нет значения для %1\n").arg(option) + kUsage);
        const quint64 value = number(option, args[i + 1]);
        // Values beyond an option's range are clamped one past it, so the core names the range.
        if (option == known[0])
            options.subscribers =
                static_cast<int>(std::min<quint64>(value, utils::kMaxDemoSubscribers + 1));
        else if (option == known[1])
            options.calls = static_cast<qint64>(std::min<quint64>(value, utils::kMaxDemoCalls + 1));
        else if (option == known[2])
            options.months = static_cast<int>(std::min<quint64>(value, utils::kMaxDemoMonths + 1));
        else
            options.seed = value;
    }

    const utils::DemoSummary s = utils::fillDemoData(context.standard(), options, orv::today());
    QTextStream& out = context.out();
    out << QStringLiteral("Пример заполнен в папке %1 (зерно %2)\n")
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
