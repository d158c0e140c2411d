#include "cli/Commands.h"
#include "cli/Csv.h"
#include "cli/Options.h"
#include "core/Error.h"
#include "db/Aliases.h"
#include "db/Database.h"
#include "db/Dialect.h"
#include "db/Query.h"
#include "db/Schema.h"
#include "db/ServerStore.h"
#include "db/TableStore.h"
#include "utils/XlsxExport.h"

#include <QFile>
#include <QRegularExpression>

namespace orv::cli {
namespace {

// The value of a parameter typed by the form of its text: dd.mm.yyyy a date, hh:mm:ss a time,
// digits an integer, a number with '.' or an exponent a float, anything else a string.
QVariant typedValue(const QString& text) {
    static const QRegularExpression dateForm(QStringLiteral(R"(^\d{2}\.\d{2}\.\d{4}$)"));
    static const QRegularExpression timeForm(QStringLiteral(R"(^\d{2}:\d{2}:\d{2}$)"));
    static const QRegularExpression integerForm(QStringLiteral(R"(^[+-]?\d+$)"));
    static const QRegularExpression floatForm(
        QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    if (dateForm.match(text).hasMatch()) {
        const QDate date = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
        if (!date.isValid())
            raise(Error::Kind::Conversion, QStringLiteral("'%1' не дата ДД.ММ.ГГГГ").arg(text));
        return date;
    }
    if (timeForm.match(text).hasMatch()) {
        const QTime time = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
        if (!time.isValid())
            raise(Error::Kind::Conversion, QStringLiteral("'%1' не время ЧЧ:ММ:СС").arg(text));
        return time;
    }
    if (integerForm.match(text).hasMatch()) {
        bool ok = false;
        const qint64 value = text.toLongLong(&ok);
        if (!ok) raise(Error::Kind::Conversion, QStringLiteral("'%1' не целое число").arg(text));
        return value;
    }
    if (floatForm.match(text).hasMatch()) return text.toDouble();
    return text;
}

void bindTyped(db::Query& query, const QString& name, const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::QDate:
            query.setDate(name, value.toDate());
            break;
        case QMetaType::QTime:
            query.setTime(name, value.toTime());
            break;
        case QMetaType::LongLong:
            query.setInteger(name, value.toLongLong());
            break;
        case QMetaType::Double:
            query.setFloat(name, value.toDouble());
            break;
        default:
            query.setString(name, value.toString());
    }
}

// The --param NAME=VALUE options after the statement, typed by their texts.
QList<QPair<QString, QVariant>> sqlParameters(const QStringList& args) {
    const auto expected = [](const QString& word) {
        return QStringLiteral("Ожидается --param ИМЯ=ЗНАЧЕНИЕ, получено: %1").arg(word);
    };
    QList<QPair<QString, QVariant>> parameters;
    Options options(args.mid(1), {});
    options.setFaultText([&](Options::Fault, const QString& word) { return expected(word); });
    const auto read = [&](const QString& assignment) {
        const int eq = assignment.indexOf(QLatin1Char('='));
        if (eq <= 0) usageError(expected(assignment));
        parameters.append({assignment.left(eq), typedValue(assignment.mid(eq + 1))});
    };
    options.readPairs({{QStringLiteral("--param"), read, true}});
    return parameters;
}

// The statement works on the tables of the alias only: attaching other files and changing the
// engine's settings are refused. Table names that are paths are refused by the table store.
void refuseEngineCommands(const db::DialectStatement& statement) {
    const QString keyword = statement.keyword();
    if (keyword == u"ATTACH" || keyword == u"DETACH" || keyword == u"PRAGMA")
        raise(Error::Kind::Refused,
              QStringLiteral("Команда %1 не выполняется: запрос работает только с таблицами "
                             "папки псевдонима")
                  .arg(keyword));
}

// The statement on a server alias: the rows as CSV, or the count of rows changed.
int runSqlOnServer(CliContext& context, const db::ServerAddress& address,
                   const db::DialectStatement& statement,
                   const QList<QPair<QString, QVariant>>& parameters) {
    db::ServerStore store(address);
    const auto prepared = store.prepare(statement);
    for (const auto& [name, value] : parameters) prepared->bind(name, value);
    if (!statement.isSelecting()) {
        context.out() << QStringLiteral("Изменено записей: %1\n").arg(prepared->run());
        return 0;
    }
    // The server gives unquoted names in lower case: the header spells them as the statement,
    // or, for the columns of a star, as the table declares them.
    const QList<db::SelectColumn>& written = statement.selectColumns();
    const bool parallel = written.size() == prepared->columnCount();
    QList<db::FieldDef> declared;
    for (const db::TableRef& table : statement.tables())
        if (store.exists(table.name)) declared += store.tableDef(table.name).fields;
    auto title = [&](int i) {
        if (parallel && !written[i].star) {
            if (!written[i].alias.isEmpty()) return written[i].alias;
            if (written[i].function.isEmpty() && !written[i].column.isEmpty())
                return written[i].column;
        }
        const QString name = prepared->columnName(i);
        for (const db::FieldDef& field : declared)
            if (field.name.compare(name, Qt::CaseInsensitive) == 0) return field.name;
        return name;
    };
    // The header comes from the statement's description, so an empty result has one too.
    QStringList names;
    for (int i = 0; i < prepared->columnCount(); ++i) names.append(csvField(title(i)));
    context.out() << csvLine(names);
    while (prepared->step()) {
        QStringList values;
        for (int i = 0; i < prepared->columnCount(); ++i)
            values.append(csvField(prepared->column(i)));
        context.out() << csvLine(values);
    }
    return 0;
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
    const QString alias = args.isEmpty() ? QLatin1String(db::kStandardAlias) : args.first();
    const auto store = db::openTableStore(context.aliases(), alias);
    for (const QString& name : store->tableNames()) context.out() << name << '\n';
    return 0;
}

int runSql(CliContext& context, const QStringList& args) {
    if (args.isEmpty()) usageError(QStringLiteral("sql \"TEXT\" [--param NAME=VALUE]..."));
    const db::DialectStatement statement(args.first());
    refuseEngineCommands(statement);
    const auto parameters = sqlParameters(args);
    const db::Aliases::Alias& standard = context.aliases().alias(QLatin1String(db::kStandardAlias));
    if (standard.isServer())
        return runSqlOnServer(context, standard.server(), statement, parameters);
    db::Query query(context.standard(), args.first());
    for (const auto& [name, value] : parameters) bindTyped(query, name, value);
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
