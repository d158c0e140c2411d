#include "cli/CdrCommands.h"

#include "calls/CdrImport.h"
#include "calls/DialPlan.h"
#include "calls/Unbilled.h"
#include "cli/Csv.h"
#include "cli/Options.h"
#include "cli/ViewOutput.h"
#include "core/Error.h"

#include <QFile>

namespace orv::cli {
namespace {

const QString kImportUsage = QStringLiteral(
    "Использование: orvanta-cli import-cdr asterisk|freeswitch ФАЙЛ [--dialplan ФАЙЛ] [--again]");

struct ImportArgs {
    calls::CdrFormat format = calls::CdrFormat::Asterisk;
    QString file;
    QString dialPlan;  // empty: the one of the config folder
    bool again = false;
};

ImportArgs importArgs(const QStringList& args) {
    ImportArgs parsed;
    Options options(args, kImportUsage);
    options.setFaultText([](Options::Fault, const QString&) { return kImportUsage; });
    parsed.dialPlan = options.take(QStringLiteral("--dialplan")).value_or(QString());
    options.setFaultText({});
    parsed.again = options.takeFlag(QStringLiteral("--again"));
    options.refuseUnknown();
    const QStringList& words = options.rest();
    if (words.size() != 2) usageError(kImportUsage);
    if (words[0] == QLatin1String("asterisk"))
        parsed.format = calls::CdrFormat::Asterisk;
    else if (words[0] == QLatin1String("freeswitch"))
        parsed.format = calls::CdrFormat::FreeSwitch;
    else
        usageError(QStringLiteral("Неизвестный формат '%1'\n").arg(words[0]) + kImportUsage);
    parsed.file = words[1];
    return parsed;
}

}  // namespace

int runImportCdr(CliContext& context, const QStringList& args) {
    const ImportArgs parsed = importArgs(args);
    calls::DialPlan plan = calls::DialPlan::read(
        parsed.dialPlan.isEmpty() ? calls::DialPlan::defaultPath() : parsed.dialPlan);
    QFile file(parsed.file);
    if (!file.open(QIODevice::ReadOnly))
        raise(
            Error::Kind::Refused,
            QStringLiteral("Не удалось открыть файл %1: %2").arg(parsed.file, file.errorString()));
    db::Database& db = context.standard();
    plan.readCodes(db);
    const calls::CdrSummary summary = calls::importCdr(db, file, parsed.format, plan, parsed.again);
    context.out() << calls::cdrSummaryText(summary) << QLatin1Char('\n');
    return 0;
}

int runUnbilled(CliContext& context, const QStringList& words) {
    const QString usage = QStringLiteral("Использование: orvanta-cli unbilled [--xlsx ФАЙЛ]");
    Options options(words, usage);
    const std::optional<QString> xlsx = takeXlsx(options);
    if (!options.rest().isEmpty()) usageError(usage);
    calls::UnbilledView view(context.standard());
    writeViewOutput(context, view.open(), calls::unbilledInfo().columns, xlsx);
    return 0;
}

}  // namespace orv::cli
