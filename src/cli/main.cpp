// orvanta-cli: the core of Orvanta from the command line, for batch work and tests.
//
//   orvanta-cli [--alias NAME=DIR]... [--today DD.MM.YYYY] COMMAND [ARGS]
//
// Exit code 0 on success, 1 when the program refuses (its message on stderr, the text the
// window would show), 2 on a usage error.

#include "cli/ArchiveCommands.h"
#include "cli/BankCommands.h"
#include "cli/BillingCommands.h"
#include "cli/CdrCommands.h"
#include "cli/CliContext.h"
#include "cli/Commands.h"
#include "cli/DemoCommand.h"
#include "cli/FillCommands.h"
#include "cli/Options.h"
#include "cli/RepairCommands.h"
#include "cli/ReportCommands.h"
#include "cli/SafetyCommands.h"
#include "cli/SettingsCommand.h"
#include "cli/TableCommands.h"
#include "cli/ViewCommands.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "db/Aliases.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

namespace {

using orv::Error;
using orv::cli::CliContext;

struct Command {
    const char* name;
    const char* usage;
    std::function<int(CliContext&, const QStringList&)> run;
    // The command's work runs on a server alias too; the others refuse there before starting.
    bool onServer = false;
};

const QList<Command>& commands() {
    static const QList<Command> list = {
        {"init", "init", orv::cli::runInit, true},
        {"tables", "tables [ALIAS]", orv::cli::runTables, true},
        {"sql", "sql \"TEXT\" [--param NAME=VALUE]...", orv::cli::runSql, true},
        {"export", "export TABLE FILE.csv|FILE.xlsx", orv::cli::runExport, true},
        {"import-calls", "import-calls FILE.csv [--again]", orv::cli::runImportCalls, true},
        {"demo", "demo [--subscribers N] [--calls N] [--months M] [--seed S]", orv::cli::runDemo,
         true},
        {"settings", "settings show | settings set SECTION VALUE TEXT",
         orv::cli::runSettingsCommand},
        {"debt-run", "debt-run [--dry-run]", orv::cli::runDebtRun, true},
        {"debts", "debts [--list FILE.lst] [--xlsx FILE]", orv::cli::runDebts, true},
        {"payments", "payments [--xlsx FILE]", orv::cli::runPayments, true},
        {"pay", "pay NUMBER CATEGORY AMOUNT", orv::cli::runPay, true},
        {"vat-rates", "vat-rates | vat-rates set DD.MM.YYYY PERCENT", orv::cli::runVatRates, true},
        {"view",
         "view all|city|mg|oldmg [--numbers FROM-TO] [--dates DD.MM.YYYY-DD.MM.YYYY] "
         "[--times HH:MM-HH:MM] [--list FILE.lst] [--xlsx FILE]",
         orv::cli::runView, true},
        {"grouped", "grouped city|mg|all [--xlsx FILE]", orv::cli::runGrouped, true},
        {"copy-table", "copy-table [ALIAS:]TABLE [ALIAS:]TABLE [--replace]", orv::cli::runCopyTable,
         true},
        {"clear-table", "clear-table TABLE", orv::cli::runClearTable, true},
        {"copy-alias", "copy-alias FROM TO", orv::cli::runCopyAlias},
        {"backups", "backups", orv::cli::runBackups, true},
        {"restore", "restore SNAPSHOT", orv::cli::runRestore, true},
        {"journal", "journal [--numbers FROM-TO] [--dates DD.MM.YYYY-DD.MM.YYYY] [--xlsx FILE]",
         orv::cli::runJournal, true},
        {"invoices",
         "invoices [--numbers FROM-TO] [--list FILE.lst] [--pdf FILE.pdf] [--csv FILE.csv]",
         orv::cli::runInvoices, true},
        {"printout", "printout all|city|mg|oldmg|debts|payments [view options] --pdf FILE.pdf",
         orv::cli::runPrintout, true},
        {"fill-subscribers", "fill-subscribers FROM TO [--category ALL] [--exist YES]",
         orv::cli::runFillSubscribers, true},
        {"fill-weekends", "fill-weekends YEAR", orv::cli::runFillWeekends, true},
        {"verify", "verify TABLE|FILE.db", orv::cli::runVerify},
        {"rebuild", "rebuild TABLE|FILE.db", orv::cli::runRebuild},
        {"merge", "merge FILE.db FILE.db...", orv::cli::runMerge, true},
        {"import-cdr", "import-cdr asterisk|freeswitch FILE [--dialplan FILE] [--again]",
         orv::cli::runImportCdr, true},
        {"unbilled", "unbilled [--xlsx FILE]", orv::cli::runUnbilled, true},
        {"import-payments", "import-payments FILE [--dry-run]", orv::cli::runImportPayments, true},
        {"unmatched-payments", "unmatched-payments [--xlsx FILE]", orv::cli::runUnmatchedPayments,
         true},
        {"pay-unmatched", "pay-unmatched ID NUMBER CATEGORY", orv::cli::runPayUnmatched, true},
        {"archive", "archive", orv::cli::runArchive, true},
        {"archive-drop", "archive-drop [MM.YYYY] [--yes]", orv::cli::runArchiveDrop, true},
        {"statement", "statement --numbers FROM-TO --month MM.YYYY [--csv FILE | --pdf FILE]",
         orv::cli::runStatement, true},
    };
    return list;
}

QString usage() {
    QString text = QStringLiteral(
        "Использование: orvanta-cli [--alias ИМЯ=ПАПКА|ИМЯ=postgresql://...]... [--today "
        "ДД.ММ.ГГГГ] "
        "КОМАНДА\n");
    for (const Command& c : commands())
        text += QStringLiteral("  orvanta-cli %1\n").arg(QLatin1String(c.usage));
    return text;
}

int exitCodeOf(Error::Kind kind) { return kind == Error::Kind::Usage ? 2 : 1; }

// The report commands draw pages, which needs fonts and so a GUI application; it runs on the
// offscreen platform unless another is asked for. The other commands stay without one.
bool drawsPages(int argc, char** argv) {
    int i = 1;
    while (i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0) i += 2;
    if (i >= argc) return false;
    if (std::strcmp(argv[i], "statement") == 0)
        return std::any_of(argv + i + 1, argv + argc,
                           [](const char* arg) { return std::strcmp(arg, "--pdf") == 0; });
    return std::strcmp(argv[i], "invoices") == 0 || std::strcmp(argv[i], "printout") == 0;
}

std::unique_ptr<QCoreApplication> application(int& argc, char** argv) {
    if (!drawsPages(argc, argv)) return std::make_unique<QCoreApplication>(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> app = application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    try {
        QStringList aliasBindings;
        orv::cli::Options global(app->arguments().mid(1), usage());
        global.readPairs({{QStringLiteral("--alias"),
                           [&](const QString& binding) { aliasBindings.append(binding); }, true},
                          {QStringLiteral("--today"), orv::setTodayFromOption, true}},
                         orv::cli::Options::Others::End);
        QStringList args = global.rest();
        if (args.isEmpty()) orv::cli::usageError(usage());
        const QString name = args.takeFirst();
        for (const Command& c : commands()) {
            if (name != QLatin1String(c.name)) continue;
            orv::db::Aliases aliases;
            for (const QString& binding : aliasBindings) aliases.bindForRun(binding);
            CliContext context(aliases, out, err, c.onServer);
            const int code = c.run(context, args);
            out.flush();
            return code;
        }
        orv::cli::usageError(QStringLiteral("Неизвестная команда %1\n").arg(name) + usage());
    } catch (const Error& e) {
        out.flush();
        err << e.message() << Qt::endl;
        return exitCodeOf(e.kind());
    }
}
