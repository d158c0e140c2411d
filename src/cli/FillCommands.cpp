#include "cli/FillCommands.h"

#include "cli/Options.h"
#include "core/Error.h"
#include "core/Selection.h"
#include "utils/HolidayFill.h"
#include "utils/SubscriberFill.h"

#include <QRegularExpression>

namespace orv::cli {
namespace {

const QString kSubscribersUsage = QStringLiteral(
    "Использование: orvanta-cli fill-subscribers С ПО [--category ПРИЗНАК] [--exist НАЛИЧИЕ]");
const QString kWeekendsUsage = QStringLiteral("Использование: orvanta-cli fill-weekends ГОД");

qint64 digits(const QString& text, int most, const QString& usage) {
    static const QRegularExpression form(QStringLiteral(R"(^\d+$)"));
    if (text.size() > most || !form.match(text).hasMatch())
        usageError(QStringLiteral("'%1' не число (до %2 цифр)\n").arg(text).arg(most) + usage);
    return text.toLongLong();
}

}  // namespace

int runFillSubscribers(CliContext& context, const QStringList& args) {
    if (args.size() < 2) usageError(kSubscribersUsage);
    const qint64 from = digits(args[0], 7, kSubscribersUsage);
    const qint64 to = digits(args[1], 7, kSubscribersUsage);
    QString category = QStringLiteral("ALL");
    QString exist = QStringLiteral("YES");
    Options(args.mid(2), kSubscribersUsage)
        .readPairs({{QStringLiteral("--category"), Options::into(category)},
                    {QStringLiteral("--exist"), Options::into(exist)}});
    const utils::SubscriberFillResult added =
        utils::fillSubscribers(context.standard(), from, to, category, exist);
    context.out() << QStringLiteral("AbTab: %1\nPaneDate: %2\n")
                         .arg(added.abTabAdded)
                         .arg(added.paneDateAdded);
    return 0;
}

int runFillWeekends(CliContext& context, const QStringList& args) {
    if (args.size() != 1) usageError(kWeekendsUsage);
    const int year = static_cast<int>(digits(args[0], 4, kWeekendsUsage));
    for (const QDate& day : utils::fillWeekends(context.standard(), year))
        context.out() << core::dateText(day) << '\n';
    return 0;
}

}  // namespace orv::cli
