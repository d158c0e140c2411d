// Payments from a bank statement and spreadsheets of a large view.
//
//   bank_bench payments [--subscribers N]
//     Statements of 5,000, 10,000 and 20,000 payments (nine in ten matched, the rest unmatched
//     or repeated) against N subscribers (5,000), each read and posted into fresh tables: the
//     time of reading, of sorting and of posting, and the time per payment, which stays flat
//     when the import is linear.
//   bank_bench xlsx [--calls N] [--keep DIR]
//     The all-calls view of a demo exchange of N calls (1,000,000) written by orvanta-cli as
//     CSV and as XLSX: wall time and peak resident memory of each command.

#include "BenchSupport.h"
#include "billing/BankImport.h"
#include "billing/PaymentJournal.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "db/Transaction.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

const QString kOurAccount = QStringLiteral("40702810900000000001");
const QDate kToday(2026, 4, 10);

using orv::bench::fail;
using orv::bench::out;

void fillBooks(orv::db::Database& db, int subscribers) {
    using namespace orv::db;
    for (const TableDef& def : {schema::abTab(), schema::dolgTb(), schema::paneDate()})
        db.createTable(def);
    Transaction transaction(db, {QStringLiteral("AbTab"), QStringLiteral("DolgTb")});
    Statement ab(db.connection(), QStringLiteral("INSERT INTO %1 (AbNumber, Priznak, Exist) "
                                                 "VALUES (?, 'ALL', 'YES')")
                                      .arg(db.qualified(QStringLiteral("AbTab"))));
    Statement dolg(db.connection(),
                   QStringLiteral("INSERT INTO %1 (AbNumber, Priznak, YearMonth, Dolg, NDS) "
                                  "VALUES (?, 'ALL', '2026-04-01', 500, 100)")
                       .arg(db.qualified(QStringLiteral("DolgTb"))));
    for (int i = 0; i < subscribers; ++i) {
        for (Statement* s : {&ab, &dolg}) {
            s->bind(1, qint64(2200000 + i));
            s->run();
            s->reset();
        }
    }
    transaction.commit();
}

QByteArray statementOf(int payments, int subscribers) {
    QString text =
        QStringLiteral(
            "1CClientBankExchange\nВерсияФормата=1.03\nКодировка=Windows\nСекцияРасчСчет\n"
            "РасчСчет=%1\nКонецРасчСчет\n")
            .arg(kOurAccount);
    QRandomGenerator random(7);
    for (int i = 0; i < payments; ++i) {
        const int kind = i % 20;
        const int doc = kind == 19 ? i - 1 : i;  // one in twenty repeats the one before
        const QString purpose = kind == 18 ? QStringLiteral("Оплата без номера")
                                           : QStringLiteral("Оплата услуг связи тел. %1")
                                                 .arg(2200000 + random.bounded(subscribers));
        text += QStringLiteral(
                    "СекцияДокумент=Платежное поручение\nНомер=%1\nДата=05.04.2026\n"
                    "Сумма=%2.00\nПлательщикСчет=40817810000000%3\nПлательщик1=Плательщик %1\n"
                    "ПолучательСчет=%4\nДатаПоступило=05.04.2026\nНазначениеПлатежа=%5\n"
                    "КонецДокумента\n")
                    .arg(doc)
                    .arg(100 + doc % 50)
                    .arg(doc, 6, 10, QLatin1Char('0'))
                    .arg(kOurAccount, purpose);
    }
    text += QStringLiteral("КонецФайла\n");
    return text.toUtf8();
}

QByteArray toWindows1251(const QByteArray& utf8) {
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("UTF-8"),
                                          QStringLiteral("-t"), QStringLiteral("CP1251")});
    iconv.write(utf8);
    iconv.closeWriteChannel();
    iconv.waitForFinished(-1);
    return iconv.readAllStandardOutput();
}

int benchPayments(int subscribers) {
    out() << QStringLiteral("subscribers %1\n").arg(subscribers);
    out() << QStringLiteral("payments  read_s  plan_s  post_s  post_ms_per_1000  matched\n");
    for (const int payments : {5000, 10000, 20000}) {
        QTemporaryDir folder;
        orv::db::Database db(QStringLiteral("TarifStandard"), folder.path());
        fillBooks(db, subscribers);
        const QByteArray bytes = toWindows1251(statementOf(payments, subscribers));
        orv::billing::BankStatement statement;
        const auto read =
            orv::bench::timeOf([&] { statement = orv::billing::readBankStatement(bytes); });
        orv::billing::ImportPlan plan;
        const auto planned = orv::bench::timeOf([&] {
            plan =
                orv::billing::planBankImport(db, statement, QStringLiteral("b.txt"), kOurAccount);
        });
        const auto posted = orv::bench::timeOf([&] {
            plan = orv::billing::postBankImport(db, statement, QStringLiteral("b.txt"), kOurAccount,
                                                kToday);
        });
        out() << QStringLiteral("%1  %2  %3  %4  %5  %6\n")
                     .arg(payments, 8)
                     .arg(read.wall, 6, 'f', 2)
                     .arg(planned.wall, 6, 'f', 2)
                     .arg(posted.wall, 6, 'f', 2)
                     .arg(posted.wall * 1e6 / payments, 16, 'f', 1)
                     .arg(plan.matched, 7);
        out().flush();
    }
    return 0;
}

// Runs the command with its output in outFile; returns wall seconds and the child's peak RSS.
std::pair<double, double> runMeasured(const QStringList& args, const QString& outFile) {
    const auto start = orv::bench::Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen(QFile::encodeName(outFile).constData(), "w", stdout)) _exit(126);
        std::vector<QByteArray> storage;
        for (const QString& a : args) storage.push_back(a.toLocal8Bit());
        std::vector<char*> argv;
        for (QByteArray& s : storage) argv.push_back(s.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) fail(QStringLiteral("command failed"));
    const double wall = std::chrono::duration<double>(orv::bench::Clock::now() - start).count();
    return {wall, usage.ru_maxrss / 1024.0};
}

int benchXlsx(const QString& calls, const QString& keep) {
    QTemporaryDir temp;
    const QString root = keep.isEmpty() ? temp.path() : keep;
    const QString standard = root + QStringLiteral("/standard");
    if (!QFile::exists(standard + QStringLiteral("/DESTTAR.db")) &&
        orv::bench::runDemo(QStringLiteral(ORVANTA_CLI_PATH), root, calls,
                            QStringLiteral("5000")) != 0)
        fail(QStringLiteral("demo failed"));
    setenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")).constData(), 1);
    const QStringList base = {QStringLiteral(ORVANTA_CLI_PATH), QStringLiteral("--alias"),
                              QStringLiteral("OrvantaStandard=") + standard, QStringLiteral("view"),
                              QStringLiteral("all")};
    const auto csv = runMeasured(base, root + QStringLiteral("/all.csv"));
    const auto xlsx = runMeasured(
        base + QStringList{QStringLiteral("--xlsx"), root + QStringLiteral("/all.xlsx")},
        root + QStringLiteral("/xlsx.out"));
    out() << QStringLiteral("calls %1\n").arg(calls);
    out() << QStringLiteral("csv   %1 s  peak %2 MB  file %3 MB\n")
                 .arg(csv.first, 0, 'f', 1)
                 .arg(csv.second, 0, 'f', 0)
                 .arg(QFileInfo(root + QStringLiteral("/all.csv")).size() / 1e6, 0, 'f', 1);
    out() << QStringLiteral("xlsx  %1 s  peak %2 MB  file %3 MB\n")
                 .arg(xlsx.first, 0, 'f', 1)
                 .arg(xlsx.second, 0, 'f', 0)
                 .arg(QFileInfo(root + QStringLiteral("/all.xlsx")).size() / 1e6, 0, 'f', 1);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    auto option = [&](const QString& name, const QString& fallback) {
        const qsizetype i = args.indexOf(name);
        return i >= 0 && i + 1 < args.size() ? args[i + 1] : fallback;
    };
    if (args.value(0) == QLatin1String("payments"))
        return benchPayments(
            option(QStringLiteral("--subscribers"), QStringLiteral("5000")).toInt());
    if (args.value(0) == QLatin1String("xlsx"))
        return benchXlsx(option(QStringLiteral("--calls"), QStringLiteral("1000000")),
                         option(QStringLiteral("--keep"), QString()));
    out() << "bank_bench payments [--subscribers N] | xlsx [--calls N] [--keep DIR]\n";
    return 2;
}
