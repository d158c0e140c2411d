#include "cli/ViewCommands.h"

#include "calls/GroupedViews.h"
#include "calls/ListingViews.h"
#include "cli/Csv.h"
#include "cli/ListOption.h"
#include "cli/ViewOutput.h"
#include "core/Error.h"

#include <optional>

namespace orv::cli {
namespace {

const QString kViewUsage = QStringLiteral(
    "Использование: orvanta-cli view all|city|mg|oldmg [--numbers С-ПО] "
    "[--dates ДД.ММ.ГГГГ-ДД.ММ.ГГГГ] [--times ЧЧ:ММ-ЧЧ:ММ] [--list ФАЙЛ.lst] [--xlsx ФАЙЛ]");
const QString kGroupedUsage =
    QStringLiteral("Использование: orvanta-cli grouped city|mg|all [--xlsx ФАЙЛ]");

// The two ends of "FROM-TO"; either may be empty.
std::pair<QString, QString> range(const QString& option, const QString& text,
                                  const QString& usage) {
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash < 0)
        usageError(
            QStringLiteral("%1: ожидается диапазон С-ПО, получено '%2'\n").arg(option, text) +
            usage);
    return {text.left(dash).trimmed(), text.mid(dash + 1).trimmed()};
}

void checkNumber(const QString& end, const QString& usage) {
    bool digits = end.size() <= 7;
    for (QChar c : end) digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digits)
        usageError(QStringLiteral("--numbers: '%1' не номер абонента (до 7 цифр)\n").arg(end) +
                   usage);
}

void checkDate(const QString& end, const QString& usage) {
    if (end.isEmpty()) return;
    try {
        core::dateFromText(end);
    } catch (const Error&) {
        usageError(QStringLiteral("--dates: '%1' не дата ДД.ММ.ГГГГ\n").arg(end) + usage);
    }
}

// Both ends of a time range are needed, as in the window's selection panel.
void checkTime(const QString& end, const QString& usage) {
    try {
        core::timeFromText(end);
    } catch (const Error&) {
        usageError(QStringLiteral("--times: '%1' не время ЧЧ:ММ\n").arg(end) + usage);
    }
}

calls::Listing listingOf(const QString& word) {
    if (word == QLatin1String("all")) return calls::Listing::All;
    if (word == QLatin1String("city")) return calls::Listing::City;
    if (word == QLatin1String("mg")) return calls::Listing::LongDistance;
    if (word == QLatin1String("oldmg")) return calls::Listing::OldLongDistance;
    usageError(QStringLiteral("Неизвестный вид '%1'\n").arg(word) + kViewUsage);
}

}  // namespace

ViewOptions parseViewOptions(const QStringList& options, const QString& usage) {
    ViewOptions parsed;
    core::SelectionPanel& panel = parsed.panel;
    QStringList seen;
    for (qsizetype i = 0; i < options.size(); i += 2) {
        const QString& option = options[i];
        if (!option.startsWith(QLatin1String("--")))
            usageError(QStringLiteral("Лишний параметр %1\n").arg(option) + usage);
        if (i + 1 >= options.size())
            usageError(QStringLiteral("Нет значения для %1\n").arg(option) + usage);
        if (seen.contains(option))
            usageError(QStringLiteral("%1 задан дважды\n").arg(option) + usage);
        seen.append(option);
        const QString& value = options[i + 1];
        if (option == QLatin1String("--numbers")) {
            const auto [from, to] = range(option, value, usage);
            checkNumber(from, usage);
            checkNumber(to, usage);
            panel.byNumber = true;
            panel.numberFrom = from;
            panel.numberTo = to;
        } else if (option == QLatin1String("--dates")) {
            const auto [from, to] = range(option, value, usage);
            checkDate(from, usage);
            checkDate(to, usage);
            panel.byDate = true;
            panel.dateFrom = from;
            panel.dateTo = to;
        } else if (option == QLatin1String("--times")) {
            const auto [from, to] = range(option, value, usage);
            checkTime(from, usage);
            checkTime(to, usage);
            panel.byTime = true;
            panel.timeFrom = from;
            panel.timeTo = to;
        } else if (option == QLatin1String("--list")) {
            parsed.list = value;
        } else {
            usageError(QStringLiteral("Неизвестный параметр %1\n").arg(option) + usage);
        }
    }
    return parsed;
}

std::optional<db::RecordFilter> readListOption(CliContext& context, const ViewOptions& options,
                                               bool applies) {
    if (!options.list) return std::nullopt;
    std::optional<db::RecordFilter> filter = readListOption(context, *options.list);
    if (!applies) context.err() << QStringLiteral("Отбор по списку к этому виду не применяется\n");
    return filter;
}

int runView(CliContext& context, const QStringList& args) {
    if (args.isEmpty()) usageError(kViewUsage);
    const calls::Listing view = listingOf(args.first());
    QStringList rest = args.mid(1);
    const std::optional<QString> xlsx = takeXlsxOption(rest, kViewUsage);
    const ViewOptions options = parseViewOptions(rest, kViewUsage);

    const calls::ListingInfo& info = calls::listingInfo(view);
    calls::ListingViews views(context.standard());
    if (const auto filter = readListOption(context, options, info.listFiltered)) {
        views.setListFilter(*filter);
        views.setListFiltered(true);
    }
    writeViewOutput(context, views.open(view, options.panel), info.columns, xlsx);
    return 0;
}

int runGrouped(CliContext& context, const QStringList& options) {
    QStringList args = options;
    const std::optional<QString> xlsx = takeXlsxOption(args, kGroupedUsage);
    if (args.size() != 1) usageError(kGroupedUsage);
    calls::Grouped view;
    if (args.first() == QLatin1String("city"))
        view = calls::Grouped::City;
    else if (args.first() == QLatin1String("mg"))
        view = calls::Grouped::LongDistance;
    else if (args.first() == QLatin1String("all"))
        view = calls::Grouped::All;
    else
        usageError(QStringLiteral("Неизвестный вид '%1'\n").arg(args.first()) + kGroupedUsage);
    calls::GroupedViews grouped(context.standard());
    writeQueryOutput(context, grouped.open(view), xlsx);
    return 0;
}

}  // namespace orv::cli
