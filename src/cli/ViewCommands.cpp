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
std::pair<QString, QString> range(const Options& options, const QString& option,
                                  const QString& text) {
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash < 0)
        options.refuse(
            QStringLiteral("%1: ожидается диапазон С-ПО, получено '%2'").arg(option, text));
    return {text.left(dash).trimmed(), text.mid(dash + 1).trimmed()};
}

void checkNumber(const Options& options, const QString& end) {
    bool digits = end.size() <= 7;
    for (QChar c : end) digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!digits)
        options.refuse(QStringLiteral("--numbers: '%1' не номер абонента (до 7 цифр)").arg(end));
}

void checkDate(const Options& options, const QString& end) {
    if (end.isEmpty()) return;
    try {
        core::dateFromText(end);
    } catch (const Error&) {
        options.refuse(QStringLiteral("--dates: '%1' не дата ДД.ММ.ГГГГ").arg(end));
    }
}

// Both ends of a time range are needed, as in the window's selection panel.
void checkTime(const Options& options, const QString& end) {
    try {
        core::timeFromText(end);
    } catch (const Error&) {
        options.refuse(QStringLiteral("--times: '%1' не время ЧЧ:ММ").arg(end));
    }
}

// A range option of the selection panel: both ends checked, then the box ticked.
Options::Option rangeOption(Options& options, const QString& name,
                            void (*check)(const Options&, const QString&),
                            const std::function<void(const QString&, const QString&)>& tick) {
    return {name, [&options, name, check, tick](const QString& value) {
                const auto [from, to] = range(options, name, value);
                check(options, from);
                check(options, to);
                tick(from, to);
            }};
}

calls::Listing listingOf(const QString& word) {
    if (word == QLatin1String("all")) return calls::Listing::All;
    if (word == QLatin1String("city")) return calls::Listing::City;
    if (word == QLatin1String("mg")) return calls::Listing::LongDistance;
    if (word == QLatin1String("oldmg")) return calls::Listing::OldLongDistance;
    usageError(QStringLiteral("Неизвестный вид '%1'\n").arg(word) + kViewUsage);
}

}  // namespace

ViewOptions readViewOptions(Options& options, const QStringList& names, Options::Others others) {
    ViewOptions parsed;
    core::SelectionPanel& panel = parsed.panel;
    const QList<Options::Option> all = {
        rangeOption(options, QStringLiteral("--numbers"), checkNumber,
                    [&](const QString& from, const QString& to) {
                        panel.byNumber = true;
                        panel.numberFrom = from;
                        panel.numberTo = to;
                    }),
        rangeOption(options, QStringLiteral("--dates"), checkDate,
                    [&](const QString& from, const QString& to) {
                        panel.byDate = true;
                        panel.dateFrom = from;
                        panel.dateTo = to;
                    }),
        rangeOption(options, QStringLiteral("--times"), checkTime,
                    [&](const QString& from, const QString& to) {
                        panel.byTime = true;
                        panel.timeFrom = from;
                        panel.timeTo = to;
                    }),
        {QStringLiteral("--list"), [&](const QString& value) { parsed.list = value; }},
    };
    QList<Options::Option> chosen;
    for (const Options::Option& option : all)
        if (names.isEmpty() || names.contains(option.name)) chosen.append(option);
    options.readPairs(chosen, others);
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
    Options words(args.mid(1), kViewUsage);
    const std::optional<QString> xlsx = takeXlsx(words);
    const ViewOptions options = readViewOptions(words);

    const calls::ListingInfo& info = calls::listingInfo(view);
    calls::ListingViews views(context.standard());
    if (const auto filter = readListOption(context, options, info.listFiltered)) {
        views.setListFilter(*filter);
        views.setListFiltered(true);
    }
    writeViewOutput(context, views.open(view, options.panel), info.columns, xlsx);
    return 0;
}

int runGrouped(CliContext& context, const QStringList& words) {
    Options options(words, kGroupedUsage);
    const std::optional<QString> xlsx = takeXlsx(options);
    const QStringList& args = options.rest();
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
