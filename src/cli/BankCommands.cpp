#include "cli/BankCommands.h"

#include "billing/BankImport.h"
#include "cli/Options.h"
#include "cli/ViewOutput.h"
#include "core/BoundedRead.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/SettingsStore.h"
#include "db/Query.h"
#include "reports/IssuerTexts.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace orv::cli {
namespace {

using Heap = billing::PlannedDocument::Heap;

const QString kImportUsage =
    QStringLiteral("Использование: orvanta-cli import-payments ФАЙЛ [--dry-run]");
constexpr qint64 kStatementLimit = 256 * core::kMegabyte;

QString ourAccount() { return reports::readIssuerTexts(core::SettingsStore()).account; }

QString documentText(const billing::PlannedDocument& planned) {
    return QStringLiteral("№ %1 от %2, сумма %3")
        .arg(planned.doc.number, planned.doc.date.toString(u"dd.MM.yyyy"),
             planned.doc.amount.toPlainString());
}

}  // namespace

int runImportPayments(CliContext& context, const QStringList& args) {
    Options options(args, kImportUsage);
    const bool dryRun = options.takeFlag(QStringLiteral("--dry-run"));
    const QStringList& words = options.rest();
    if (words.size() != 1 || words.first().startsWith(QLatin1String("--")))
        usageError(kImportUsage);
    const QString path = words.first();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(Error::Kind::Refused,
              QStringLiteral("Не удалось открыть файл %1: %2").arg(path, file.errorString()));
    const billing::BankStatement statement = billing::readBankStatement(
        core::readAtMost(file, kStatementLimit, QStringLiteral("Выписка")));
    const QString name = QFileInfo(path).fileName();
    const billing::ImportPlan plan =
        dryRun ? billing::planBankImport(context.standard(), statement, name, ourAccount())
               : billing::postBankImport(context.standard(), statement, name, ourAccount(),
                                         orv::today());
    context.out() << (dryRun ? QStringLiteral("Пробная загрузка выписки %1; ничего не записано\n")
                             : QStringLiteral("Загружена выписка %1\n"))
                         .arg(name)
                  << billing::planSummary(plan, !dryRun) << QLatin1Char('\n');
    for (const billing::PlannedDocument& planned : plan.documents) {
        if (planned.heap == Heap::Matched) {
            if (dryRun)
                context.out() << QStringLiteral("К проведению: %1: номер %2, признак %3\n")
                                     .arg(documentText(planned))
                                     .arg(planned.number)
                                     .arg(planned.category);
            continue;
        }
        context.out() << (planned.heap == Heap::Duplicate ? QStringLiteral("Повтор: ")
                                                          : QStringLiteral("Не разнесен: "))
                      << documentText(planned) << QStringLiteral(": ") << planned.reason
                      << QLatin1Char('\n');
    }
    return 0;
}

int runUnmatchedPayments(CliContext& context, const QStringList& args) {
    const QString usage =
        QStringLiteral("Использование: orvanta-cli unmatched-payments [--xlsx ФАЙЛ]");
    Options options(args, usage);
    const std::optional<QString> xlsx = takeXlsx(options);
    if (!options.rest().isEmpty()) usageError(usage);
    db::Query query(context.standard());
    billing::openUnmatchedPayments(query);
    writeViewOutput(context, query, billing::unmatchedViewColumns(), xlsx);
    return 0;
}

int runPayUnmatched(CliContext& context, const QStringList& args) {
    static const QRegularExpression digits(QStringLiteral(R"(^\d{1,9}$)"));
    static const QRegularExpression numberForm(QStringLiteral(R"(^\d{1,7}$)"));
    if (args.size() != 3 || !digits.match(args[0]).hasMatch() ||
        !numberForm.match(args[1]).hasMatch())
        usageError(QStringLiteral("pay-unmatched КОД НОМЕР ПРИЗНАК (номер: до 7 цифр)"));
    const billing::PaymentResult result =
        billing::postUnmatchedPayment(context.standard(), args[0].toLongLong(),
                                      args[1].toLongLong(), args[2], ourAccount(), orv::today());
    context.out() << QStringLiteral("Оплата записана: к оплате %1, оплачено %2, остаток %3\n")
                         .arg(result.due.toPlainString(), result.paid.toPlainString(),
                              result.remaining.toPlainString());
    return 0;
}

}  // namespace orv::cli
