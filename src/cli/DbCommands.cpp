#include "cli/Commands.h"
#include "cli/Csv.h"
#include "core/Error.h"
#include "db/Aliases.h"
#include "db/Database.h"
#include "db/Dialect.h"
#include "db/Query.h"
#include "db/Schema.h"
#include "db/TableStore.h"
#include "utils/XlsxExport.h"

#include <QFile>
#include <QRegularExpression>

namespace orv::cli {
namespace {

// Binds a parameter typed by the form of its text: dd.mm.yyyy a date, hh:mm:ss a time, digits
// an integer, a number with '.' or an exponent a float, anything else a string.
void bindTyped(db::Query& query, const QString& name, const QString& text) {
    static const QRegularExpression dateForm(QStringLiteral(R"(^\d{2}\.\d{2}\.\d{4}$)"));
    static const QRegularExpression timeForm(QStringLiteral(R"(^\d{2}:\d{2}:\d{2}$)"));
    static const QRegularExpression integerForm(QStringLiteral(R"(^[+-]?\d+$)"));
    static const QRegularExpression floatForm(
        QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    if (dateForm.match(text).hasMatch()) {
        const QDate date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
        if (!date.isValid())
            raise(Error::Kind::Conversion, QStringLiteral("'%1' не дата ДД.ММ.ГГГГ").arg(text));
        query.setDate(name, date);
    } else if (timeForm.match(text).hasMatch()) {
        const QTime time = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
        if (!time.isValid())
            raise(Error::Kind::Conversion, QStringLiteral("'%1' не время ЧЧ:ММ:СС").arg(text));
        query.setTime(name, time);
    } else if (integerForm.match(text).hasMatch()) {
        bool ok = false;
        const qint64 value = text.toLongLong(&ok);
        if (!ok) raise(Error::Kind::Conversion, QStringLiteral("'%1' не целое число").arg(text));
        query.setInteger(name, value);
    } else if (floatForm.match(text).hasMatch()) {
        query.setFloat(name, text.toDouble());
    } else {
        query.setString(name, text);
    }
}

}  // namespace

int runInit(CliContext& context, const QStringList& args) {
    if (!args.isEmpty()) usageError(QStringLiteral("init не принимает аргументов"));
    QStringList damaged;
    const QStringList created =
        db::schema::createMissingStartupTables(context.standard(), &damaged);
    for (const QString& name : created)
        context.out() << QStringLiteral("Создана таблица %1\n").arg(name);
    if (!damaged.isEmpty()) raise(Error::Kind::Refused, damaged.join(QLatin1Char('\n')));
    if (created.isEmpty()) context.out() << QStringLiteral("Все таблицы на месте\n");
    return 0;
}

int runTables(CliContext& context, const QStringList& args) {
    if (args.size() > 1) usageError(QStringLiteral("tables [ALIAS]"));
    if (args.isEmpty()) {
        for (const QString& name : context.standard().tableNames()) context.out() << name << '\n';
        return 0;
    }
    const auto store = db::openTableStore(context.aliases(), args.first());
    for (const QString& name : store->tableNames()) context.out() << name << '\n';
    return 0;
}

int runSql(CliContext& context, const QStringList& args) {
    if (args.isEmpty()) usageError(QStringLiteral("sql \"TEXT\" [--param NAME=VALUE]..."));
    db::Query query(context.standard(), args.first());
    // The statement works on the tables of the alias folder only: attaching other files and
    // changing the engine's settings are refused. Table names that are paths are refused by
    // the table store.
    const QString keyword = query.dialect().keyword();
    if (keyword == u"ATTACH" || keyword == u"DETACH" || keyword == u"PRAGMA")
        raise(Error::Kind::Refused,
              QStringLiteral("Команда %1 не выполняется: запрос работает только с таблицами "
                             "папки псевдонима")
                  .arg(keyword));
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--param") || i + 1 >= args.size())
            usageError(QStringLiteral("Ожидается --param ИМЯ=ЗНАЧЕНИЕ, получено: %1").arg(args[i]));
        const QString assignment = args[++i];
        const int eq = assignment.indexOf(QLatin1Char('='));
        if (eq <= 0)
            usageError(
                QStringLiteral("Ожидается --param ИМЯ=ЗНАЧЕНИЕ, получено: %1").arg(assignment));
        bindTyped(query, assignment.left(eq), assignment.mid(eq + 1));
    }
    if (query.dialect().isSelecting()) {
        query.open();
        writeCsv(context.out(), query);
    } else {
        const qint64 changed = query.execute();
        context.out() << QStringLiteral("Изменено записей: %1\n").arg(changed);
    }
    return 0;
}

int runExport(CliContext& context, const QStringList& args) {
    if (args.size() != 2) usageError(QStringLiteral("export TABLE FILE.csv|FILE.xlsx"));
    db::Database& database = context.standard();
    db::Query query(database,
                    QStringLiteral("SELECT * FROM %1").arg(database.canonicalName(args[0])));
    query.open();
    if (utils::isXlsxPath(args[1])) {
        const qint64 rows = utils::writeXlsx(query, args[1]);
        context.out() << QStringLiteral("Выгружено записей: %1\n").arg(rows);
        return 0;
    }
    QFile file(args[1]);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        raise(Error::Kind::Refused,
              QStringLiteral("Не удалось записать файл %1: %2").arg(args[1], file.errorString()));
    QTextStream stream(&file);
    stream.setEncoding(QStringConverter::Utf8);
    writeCsv(stream, query);
    stream.flush();
    if (file.error() != QFileDevice::NoError)
        raise(Error::Kind::Refused,
              QStringLiteral("Не удалось записать файл %1: %2").arg(args[1], file.errorString()));
    context.out() << QStringLiteral("Выгружено записей: %1\n").arg(query.recordCount());
    return 0;
}

}  // namespace orv::cli
