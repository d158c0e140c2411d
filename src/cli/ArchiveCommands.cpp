#include "cli/ArchiveCommands.h"

#include "billing/CallArchive.h"
#include "billing/CallStatement.h"
#include "cli/Csv.h"
#include "cli/Options.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "reports/CallStatementReport.h"

#include <QSaveFile>
#include <cstdio>

namespace orv::cli {
namespace {

const QString kDropUsage =
    QStringLiteral("Использование: orvanta-cli archive-drop [ММ.ГГГГ] [--yes]");
const QString kStatementUsage = QStringLiteral(
    "Использование: orvanta-cli statement --numbers С-ПО --month ММ.ГГГГ [--csv ФАЙЛ | --pdf "
    "ФАЙЛ]");

QDate monthOf(const QString& text, const QString& usage) {
    const QDate month =
        QDate::fromString(QStringLiteral("01.") + text, QStringLiteral("dd.MM.yyyy"));
    if (!month.isValid()) usageError(QStringLiteral("'%1' не месяц ММ.ГГГГ\n").arg(text) + usage);
    return month;
}

qint64 numberOf(const QString& text) {
    bool digits = !text.isEmpty() && text.size() <= 7;
    for (QChar c : text) digits = digits && c >= u'0' && c <= u'9';
    if (!digits)
        usageError(QStringLiteral("--numbers: '%1' не номер абонента (до 7 цифр)\n").arg(text) +
                   kStatementUsage);
    return text.toLongLong();
}

QString money(std::optional<double> value) {
    return value ? QString::number(*value, 'f', 2) : QString();
}

void writeStatement(QTextStream& out, const billing::CallStatement& s) {
    out << csvLine({QStringLiteral("Номер"), QStringLiteral("Дата"), QStringLiteral("Время"),
                    QStringLiteral("Набранный номер"), QStringLiteral("Направление"),
                    QStringLiteral("Минуты"), QStringLiteral("Тариф"), QStringLiteral("Стоимость"),
                    QStringLiteral("Причина")});
    qsizetype call = 0;
    for (const billing::StatementNumber& n : s.numbers) {
        // A number charged under several categories lists its calls under each: "101 (ЛЬГ)".
        const QString number = n.category.isEmpty()
                                   ? QString::number(n.number)
                                   : QStringLiteral("%1 (%2)").arg(n.number).arg(n.category);
        for (const qsizetype end = call + n.calls; call < end; ++call) {
            const billing::StatementCall& c = s.calls[call];
            out << csvLine({number, c.date.toString(QStringLiteral("dd.MM.yyyy")), c.time,
                            c.dialled, c.destination, QString::number(c.minutes),
                            c.tariff ? csvField(*c.tariff) : QString(), money(c.cost), c.reason});
        }
    }
    out << csvLine({QStringLiteral("Итого городские"), QString(), QString(), QString(), QString(),
                    QString(), QString(), money(s.totals.city), QString()});
    out << csvLine({QStringLiteral("Итого междугородние"), QString(), QString(), QString(),
                    QString(), QString(), QString(), money(s.totals.longDistance), QString()});
}

}  // namespace

int runArchive(CliContext& context, const QStringList& args) {
    if (!args.isEmpty()) usageError(QStringLiteral("archive не принимает аргументов"));
    for (const billing::ArchiveMonth& m : billing::listArchive(context.standard()))
        context.out() << m.month.toString(QStringLiteral("MM.yyyy")) << '\t' << m.calls << '\t'
                      << m.bytes << '\n';
    return 0;
}

int runArchiveDrop(CliContext& context, const QStringList& args) {
    Options options(args, kDropUsage);
    const bool confirmed = options.takeFlag(QStringLiteral("--yes"));
    const QStringList& rest = options.rest();
    if (rest.size() > 1) usageError(kDropUsage);
    const core::SettingsStore store;
    const QDate month = rest.isEmpty() ? billing::firstKeptMonth(store, orv::today())
                                       : monthOf(rest.first(), kDropUsage);
    if (!confirmed) {
        context.out() << billing::dropQuestion(month) << QStringLiteral(" (да/нет) ");
        context.out().flush();
        QTextStream in(stdin);
        in.setEncoding(QStringConverter::Utf8);
        const QString answer = in.readLine().trimmed();
        context.out() << '\n';
        if (answer.compare(QStringLiteral("да"), Qt::CaseInsensitive) != 0)
            raise(Error::Kind::Refused, QStringLiteral("Архив разговоров не изменен"));
    }
    const QList<QDate> dropped = billing::dropArchiveBefore(context.standard(), month);
    context.out() << QStringLiteral("Удалено месяцев архива: %1\n").arg(dropped.size());
    return 0;
}

int runStatement(CliContext& context, const QStringList& args) {
    QString numbers;
    QString month;
    QString csv;
    QString pdf;
    Options options(args, kStatementUsage);
    options.readPairs({{QStringLiteral("--numbers"), Options::into(numbers)},
                       {QStringLiteral("--month"), Options::into(month)},
                       {QStringLiteral("--csv"), Options::into(csv)},
                       {QStringLiteral("--pdf"), Options::into(pdf)}});
    if (numbers.isEmpty() || month.isEmpty()) usageError(kStatementUsage);
    if (!csv.isEmpty() && !pdf.isEmpty())
        options.refuse(QStringLiteral("--csv и --pdf не задаются вместе"));
    const qsizetype dash = numbers.indexOf(u'-');
    const qint64 from = numberOf(dash < 0 ? numbers : numbers.left(dash));
    const qint64 to = numberOf(dash < 0 ? numbers : numbers.mid(dash + 1));
    if (from > to) options.refuse(QStringLiteral("--numbers: С больше ПО"));
    const core::SettingsStore store;
    const billing::CallStatement statement =
        billing::buildCallStatement(context.standard(), from, to, monthOf(month, kStatementUsage),
                                    core::readSettings(store).freeMinutes);
    if (!pdf.isEmpty()) {
        const int pages = reports::writeCallStatementPdf(statement, pdf);
        context.out() << QStringLiteral("Разговоров: %1, страниц: %2, файл %3\n")
                             .arg(statement.calls.size())
                             .arg(pages)
                             .arg(pdf);
        return 0;
    }
    if (csv.isEmpty()) {
        writeStatement(context.out(), statement);
        return 0;
    }
    QSaveFile file(csv);
    if (!file.open(QIODevice::WriteOnly))
        raise(Error::Kind::Refused,
              QStringLiteral("Не удалось записать файл %1: %2").arg(csv, file.errorString()));
    {
        QTextStream out(&file);
        out.setEncoding(QStringConverter::Utf8);
        writeStatement(out, statement);
    }
    if (!file.commit())
        raise(Error::Kind::Refused,
              QStringLiteral("Не удалось записать файл %1: %2").arg(csv, file.errorString()));
    context.out()
        << QStringLiteral("Разговоров: %1, файл %2\n").arg(statement.calls.size()).arg(csv);
    return 0;
}

}  // namespace orv::cli
