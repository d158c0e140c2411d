#include "cli/SafetyCommands.h"

#include "billing/DryRun.h"
#include "billing/PaymentJournal.h"
#include "billing/Snapshot.h"
#include "cli/Csv.h"
#include "cli/Options.h"
#include "cli/ViewOutput.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "db/Query.h"

namespace orv::cli {
namespace {

const QString kJournalUsage = QStringLiteral(
    "Использование: orvanta-cli journal [--numbers С-ПО] [--dates ДД.ММ.ГГГГ-ДД.ММ.ГГГГ] "
    "[--xlsx ФАЙЛ]");

QString date(const QDate& value) { return value.toString(QStringLiteral("dd.MM.yyyy")); }

std::pair<QString, QString> range(const QString& option, const QString& text) {
    const qsizetype dash = text.indexOf(QLatin1Char('-'));
    if (dash < 0)
        usageError(
            QStringLiteral("%1: ожидается диапазон С-ПО, получено '%2'\n").arg(option, text) +
            kJournalUsage);
    return {text.left(dash).trimmed(), text.mid(dash + 1).trimmed()};
}

qint64 numberOf(const QString& text) {
    bool digits = text.size() <= 7;
    for (QChar c : text) digits = digits && c >= u'0' && c <= u'9';
    if (!digits)
        usageError(QStringLiteral("--numbers: '%1' не номер абонента (до 7 цифр)\n").arg(text) +
                   kJournalUsage);
    return text.toLongLong();
}

QDate dateOf(const QString& text) {
    if (text.isEmpty()) return {};
    const QDate value = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    if (!value.isValid())
        usageError(QStringLiteral("--dates: '%1' не дата ДД.ММ.ГГГГ\n").arg(text) + kJournalUsage);
    return value;
}

}  // namespace

int runBackups(CliContext& context, const QStringList& args) {
    if (!args.isEmpty()) usageError(QStringLiteral("backups не принимает аргументов"));
    for (const billing::SnapshotInfo& s : billing::listSnapshots(context.standard())) {
        QStringList counts;
        for (const billing::SnapshotTable& t : s.tables)
            counts.append(QStringLiteral("%1=%2").arg(t.table).arg(t.rows));
        context.out() << QStringList{s.name, date(s.runDate), s.reason,
                                     counts.join(QLatin1Char(' ')),
                                     QString::number(s.compressedBytes)}
                             .join(QLatin1Char('\t'))
                      << '\n';
    }
    return 0;
}

int runRestore(CliContext& context, const QStringList& args) {
    if (args.size() != 1) usageError(QStringLiteral("restore КОПИЯ (имя из orvanta-cli backups)"));
    const core::SettingsStore store;
    const billing::SnapshotInfo before =
        billing::restoreSnapshot(context.standard(), store, args.first(), orv::today());
    context.out() << QStringLiteral(
                         "Таблицы восстановлены из копии %1; прежнее состояние сохранено в копии "
                         "%2\n")
                         .arg(args.first(), before.name);
    return 0;
}

int runJournal(CliContext& context, const QStringList& words) {
    Options options(words, kJournalUsage);
    const std::optional<QString> xlsx = takeXlsx(options);
    billing::JournalSelection selection;
    options.readPairs({{QStringLiteral("--numbers"),
                        [&](const QString& value) {
                            const auto [from, to] = range(QStringLiteral("--numbers"), value);
                            selection.numberFrom = numberOf(from);
                            selection.numberTo = numberOf(to);
                        }},
                       {QStringLiteral("--dates"), [&](const QString& value) {
                            const auto [from, to] = range(QStringLiteral("--dates"), value);
                            selection.dateFrom = dateOf(from);
                            selection.dateTo = dateOf(to);
                        }}});
    db::Query journal(context.standard());
    billing::openPaymentJournal(journal, selection);
    writeViewOutput(context, journal, billing::journalViewColumns(), xlsx);
    return 0;
}

int runDebtDryRun(CliContext& context) {
    const core::SettingsStore store;
    const core::VatSettings vat = core::readVat(store);
    billing::DryRun trial(context.standard(), store, vat, orv::today(),
                          billing::standardPipelines());
    const billing::DebtRunSummary& summary = trial.summary();
    context.out() << QStringLiteral(
                         "Пробный расчет долга на %1: месяцев %2, абонентов %3, в архив OldMG %4, "
                         "удалено звонков %5; таблицы не изменены\r\n\r\n")
                         .arg(date(summary.reckoningDate))
                         .arg(summary.months)
                         .arg(summary.accounts)
                         .arg(summary.callsArchived)
                         .arg(summary.callsRetired);
    writeViewCsv(context.out(), trial.debtView(), billing::debtViewColumns());
    context.out() << QStringLiteral("\r\n");
    writeViewCsv(context.out(), trial.retiredCalls(), billing::DryRun::retiredColumns());
    return 0;
}

}  // namespace orv::cli
