// orvanta-cli backups, restore, journal and debt-run --dry-run end to end.

#include "BillingFixture.h"
#include "billing/Snapshot.h"

#include <sqlite3.h>
#include <QDirIterator>
#include <QProcess>

using namespace orv;
using orv::test::Exchange;

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

Outcome cli(Exchange& x, const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = x.temp().file(QStringLiteral("home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("ORVANTA_SETTINGS_FILE"), x.store().filePath());
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.remove(QStringLiteral("LC_ALL"));
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());  // nobody answers a question
    process.start(
        test::cliProgram(),
        QStringList{QStringLiteral("--alias"), QStringLiteral("OrvantaStandard=") + x.temp().path(),
                    QStringLiteral("--today"), QStringLiteral("10.04.2026")} +
            args);
    EXPECT_TRUE(process.waitForFinished(120000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QMap<QString, QByteArray> tableFiles(const QString& folder) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QFile file(folder + u'/' + name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        files.insert(name, file.readAll());
    }
    return files;
}

}  // namespace

TEST(RecoveryCli, BackupsListsAndRestorePutsBackRefusingWhileATableIsLocked) {
    Exchange x;
    seedWorkedExample(x);
    EXPECT_EQ(cli(x, {QStringLiteral("backups")}).out, QString());
    const QStringList dolgBefore = x.rows("DolgTb");
    ASSERT_EQ(cli(x, {QStringLiteral("debt-run")}).code, 0);

    const Outcome listed = cli(x, {QStringLiteral("backups")});
    ASSERT_EQ(listed.code, 0) << listed.err.toStdString();
    const QStringList lines = listed.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1);
    const QStringList fields = lines.first().split(u'\t');
    ASSERT_EQ(fields.size(), 5);
    EXPECT_EQ(fields[1], QStringLiteral("10.04.2026"));
    EXPECT_EQ(fields[2], QStringLiteral("Расчет долга"));
    EXPECT_EQ(fields[3], QStringLiteral("DolgTb=2 PrDlgCt=1 PrDlgMG=0 OldMG=0"));
    const QString name = fields[0];

    struct Case {
        QStringList args;
        int code;
    };
    const Case refused[] = {{{QStringLiteral("restore")}, 2},
                            {{QStringLiteral("restore"), QStringLiteral("1999-01-01T00-00-00")}, 1},
                            {{QStringLiteral("restore"), QStringLiteral("../..")}, 1},
                            {{QStringLiteral("backups"), QStringLiteral("x")}, 2}};
    for (const Case& c : refused)
        EXPECT_EQ(cli(x, c.args).code, c.code) << c.args.join(u' ').toStdString();

    // A program holding DESTTAR: refused, nothing changed, no snapshot added.
    {
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(x.db().tableFilePath(QStringLiteral("DESTTAR")).toUtf8().constData(),
                               &other),
                  SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        const Outcome locked = cli(x, {QStringLiteral("restore"), name});
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        EXPECT_EQ(locked.code, 1);
        EXPECT_TRUE(locked.err.contains(QStringLiteral("Таблица DESTTAR занята")))
            << locked.err.toStdString();
        EXPECT_EQ(x.rows("DESTTAR").size(), 1);
        EXPECT_EQ(billing::listSnapshots(x.db()).size(), 1);
    }

    const Outcome restored = cli(x, {QStringLiteral("restore"), name});
    ASSERT_EQ(restored.code, 0) << restored.err.toStdString();
    EXPECT_TRUE(restored.out.startsWith(QStringLiteral("Таблицы восстановлены из копии ") + name));
    EXPECT_EQ(x.rows("DolgTb"), dolgBefore);
    EXPECT_EQ(x.rows("DESTTAR").size(), 5);
    EXPECT_EQ(cli(x, {QStringLiteral("backups")}).out.count(u'\n'), 2);
}

TEST(RecoveryCli, JournalListsEveryPaymentWithinTheRanges) {
    Exchange x;
    seedWorkedExample(x);
    ASSERT_EQ(cli(x, {QStringLiteral("debt-run")}).code, 0);
    ASSERT_EQ(cli(x, {QStringLiteral("pay"), QStringLiteral("101"), QStringLiteral("ALL"),
                      QStringLiteral("150")})
                  .code,
              0);
    ASSERT_EQ(cli(x, {QStringLiteral("pay"), QStringLiteral("101"), QStringLiteral("ALL"),
                      QStringLiteral("50.4")})
                  .code,
              0);
    const QString header =
        QStringLiteral("АбНомер,Признак,Дата оплаты,Время оплаты,Долг,Оплачено,Кто ввел\r\n");
    const Outcome all = cli(x, {QStringLiteral("journal")});
    ASSERT_EQ(all.code, 0) << all.err.toStdString();
    const QStringList lines = all.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(all.out.startsWith(header));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("101,ALL,10.04.2026,")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral(",200.4,150,")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral(",50.4,50.4,")));

    struct Case {
        QStringList args;
        int code;
        int rows;
    };
    const Case cases[] = {
        {{QStringLiteral("--numbers"), QStringLiteral("101-101")}, 0, 2},
        {{QStringLiteral("--numbers"), QStringLiteral("102-")}, 0, 0},
        {{QStringLiteral("--dates"), QStringLiteral("11.04.2026-")}, 0, 0},
        {{QStringLiteral("--dates"), QStringLiteral("-10.04.2026"), QStringLiteral("--numbers"),
          QStringLiteral("-101")},
         0,
         2},
        {{QStringLiteral("--numbers"), QStringLiteral("abc-1")}, 2, 0},
        {{QStringLiteral("--dates"), QStringLiteral("32.01.2026-")}, 2, 0},
        {{QStringLiteral("--numbers")}, 2, 0},
        {{QStringLiteral("--list"), QStringLiteral("a-b")}, 2, 0},
    };
    for (const Case& c : cases) {
        const Outcome run = cli(x, QStringList{QStringLiteral("journal")} + c.args);
        EXPECT_EQ(run.code, c.code) << c.args.join(u' ').toStdString();
        if (c.code == 0) {
            EXPECT_EQ(run.out.count(QStringLiteral("\r\n")), 1 + c.rows)
                << c.args.join(u' ').toStdString();
        }
    }
}

TEST(RecoveryCli, DryRunPrintsWhatTheRunThenDoesAndChangesNoFile) {
    Exchange x;
    seedWorkedExample(x);
    const auto before = tableFiles(x.temp().path());
    const Outcome trial = cli(x, {QStringLiteral("debt-run"), QStringLiteral("--dry-run")});
    ASSERT_EQ(trial.code, 0) << trial.err.toStdString();
    EXPECT_TRUE(tableFiles(x.temp().path()) == before);
    EXPECT_FALSE(QFileInfo::exists(billing::backupsFolder(x.db())));

    const QStringList sections = trial.out.split(QStringLiteral("\r\n\r\n"));
    ASSERT_EQ(sections.size(), 3);
    EXPECT_EQ(sections[0],
              QStringLiteral("Пробный расчет долга на 01.04.2026: месяцев 1, абонентов 2, в архив "
                             "OldMG 1, удалено звонков 4; таблицы не изменены"));
    EXPECT_EQ(sections[2].count(QStringLiteral("\r\n")), 1 + 4);
    EXPECT_TRUE(sections[2].startsWith(QStringLiteral("АбНомер,Дата звонка,Время звонка,")));

    ASSERT_EQ(cli(x, {QStringLiteral("debt-run")}).code, 0);
    EXPECT_EQ(cli(x, {QStringLiteral("debts")}).out, sections[1] + QStringLiteral("\r\n"));
    const Outcome again = cli(x, {QStringLiteral("debt-run"), QStringLiteral("--dry-run")});
    EXPECT_EQ(again.code, 1);
    EXPECT_EQ(again.err.trimmed(), QStringLiteral("Долг на прошедший месяц уже рассчитан"));
    EXPECT_EQ(cli(x, {QStringLiteral("debt-run"), QStringLiteral("--dry")}).code, 2);
}

TEST(RecoveryCli, ArchiveListsMonthsAndItsDropAsksFirst) {
    Exchange x;
    seedWorkedExample(x);
    ASSERT_EQ(cli(x, {QStringLiteral("debt-run")}).code, 0);
    const Outcome listed = cli(x, {QStringLiteral("archive")});
    ASSERT_EQ(listed.code, 0) << listed.err.toStdString();
    const QStringList fields = listed.out.trimmed().split(u'\t');
    ASSERT_EQ(fields.size(), 3) << listed.out.toStdString();
    EXPECT_EQ(fields[0], QStringLiteral("03.2026"));
    EXPECT_EQ(fields[1], QStringLiteral("4"));

    const Outcome unanswered = cli(x, {QStringLiteral("archive-drop"), QStringLiteral("04.2026")});
    EXPECT_EQ(unanswered.code, 1);
    EXPECT_TRUE(unanswered.out.startsWith(QStringLiteral("Удалить архив разговоров до 04.2026?")));
    EXPECT_EQ(cli(x, {QStringLiteral("archive")}).out, listed.out);

    const Outcome statement =
        cli(x, {QStringLiteral("statement"), QStringLiteral("--numbers"), QStringLiteral("101-101"),
                QStringLiteral("--month"), QStringLiteral("03.2026")});
    ASSERT_EQ(statement.code, 0) << statement.err.toStdString();
    EXPECT_EQ(statement.out.count(u'\n'), 1 + 3 + 2);
    const QString pdf = x.temp().file(QStringLiteral("statement.pdf"));
    const Outcome printed = cli(
        x, {QStringLiteral("statement"), QStringLiteral("--numbers"), QStringLiteral("101"),
            QStringLiteral("--month"), QStringLiteral("03.2026"), QStringLiteral("--pdf"), pdf});
    ASSERT_EQ(printed.code, 0) << printed.err.toStdString();
    EXPECT_EQ(printed.out, QStringLiteral("Разговоров: 3, страниц: 1, файл %1\n").arg(pdf));
    EXPECT_TRUE(QFile(pdf).open(QIODevice::ReadOnly));
    EXPECT_EQ(cli(x, {QStringLiteral("statement"), QStringLiteral("--numbers"),
                      QStringLiteral("101"), QStringLiteral("--month"), QStringLiteral("03.2026"),
                      QStringLiteral("--pdf"), pdf, QStringLiteral("--csv"), pdf})
                  .code,
              2);
    EXPECT_EQ(cli(x, {QStringLiteral("statement"), QStringLiteral("--numbers"),
                      QStringLiteral("101-101")})
                  .code,
              2);

    const Outcome dropped = cli(
        x, {QStringLiteral("archive-drop"), QStringLiteral("04.2026"), QStringLiteral("--yes")});
    EXPECT_EQ(dropped.code, 0) << dropped.err.toStdString();
    EXPECT_EQ(dropped.out, QStringLiteral("Удалено месяцев архива: 1\n"));
    EXPECT_EQ(cli(x, {QStringLiteral("archive")}).out, QString());
}
