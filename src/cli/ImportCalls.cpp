// import-calls: appends calls to DESTTAR from a CSV file whose header names the nine columns
// (in any order and case). Every row is checked first; one bad row refuses the whole file with
// its line number and nothing is appended. The rows go in as one transaction. A file all of
// whose rows are already in DESTTAR is refused as already imported unless --again is given.

#include "calls/CallAppend.h"
#include "cli/Commands.h"
#include "cli/Options.h"
#include "core/CsvReader.h"
#include "core/Error.h"
#include "db/Database.h"
#include "db/Schema.h"

#include <QFile>
#include <array>
#include <cmath>

namespace orv::cli {
namespace {

constexpr int kColumns = 9;

// A field as a message shows it: at most 40 characters.
QString shown(const QString& text) {
    constexpr qsizetype kShown = 40;
    return text.size() <= kShown ? text : text.left(kShown) + QStringLiteral("…");
}

[[noreturn]] void badRow(int line, const QString& what) {
    raise(Error::Kind::Refused,
          QStringLiteral("Строка %1: %2; файл не загружен").arg(line).arg(what));
}

QVariant wholeNumber(const QString& text, const QString& column, qint64 low, qint64 high,
                     bool required, int line) {
    if (text.isEmpty()) {
        if (required) badRow(line, QStringLiteral("не заполнено поле %1").arg(column));
        return {};
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high)
        badRow(line, QStringLiteral("поле %1: '%2' не целое число от %3 до %4")
                         .arg(column, shown(text))
                         .arg(low)
                         .arg(high));
    return value;
}

// The stored values of one call row, in DESTTAR's column order.
QVariantList checkedRow(const QStringList& fields, const std::array<int, kColumns>& position,
                        int line) {
    auto text = [&](int column) { return fields.value(position[column]).trimmed(); };
    const QList<db::FieldDef>& columns = db::schema::desttar().fields;
    QVariantList row;
    row.append(wholeNumber(text(0), columns[0].name, 0, 9999999, true, line));
    const QString dateText = text(1);
    QDate date = QDate::fromString(dateText, QStringLiteral("dd.MM.yyyy"));
    if (!date.isValid()) date = QDate::fromString(dateText, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid())
        badRow(line,
               QStringLiteral("поле Date_of_call: '%1' не дата дд.мм.гггг").arg(shown(dateText)));
    row.append(date.toString(QStringLiteral("yyyy-MM-dd")));
    const QString timeText = text(2);
    QTime time = QTime::fromString(timeText, QStringLiteral("HH:mm:ss"));
    if (!time.isValid()) time = QTime::fromString(timeText, QStringLiteral("HH:mm"));
    if (!time.isValid())
        badRow(line,
               QStringLiteral("поле Time_of_call: '%1' не время чч:мм:сс").arg(shown(timeText)));
    row.append(time.toString(QStringLiteral("HH:mm:ss")));
    row.append(wholeNumber(text(3), columns[3].name, 0, 2147483647, true, line));
    row.append(wholeNumber(text(4), columns[4].name, -32768, 32767, true, line));
    row.append(wholeNumber(text(5), columns[5].name, -2147483648LL, 2147483647, false, line));
    for (int column : {6, 7}) {
        const QString code = text(column);
        if (code.size() > columns[column].size)
            badRow(line, QStringLiteral("поле %1: '%2' длиннее %3 символов")
                             .arg(columns[column].name, shown(code))
                             .arg(columns[column].size));
        row.append(code.isEmpty() ? QVariant() : QVariant(code));
    }
    const QString trf = text(8);
    if (trf.isEmpty()) {
        row.append(QVariant());
    } else {
        bool ok = false;
        const double value = trf.toDouble(&ok);
        if (!ok || !std::isfinite(value))
            badRow(line, QStringLiteral("поле TRF: '%1' не число").arg(shown(trf)));
        row.append(value);
    }
    return row;
}

std::array<int, kColumns> headerPositions(const QStringList& header) {
    std::array<int, kColumns> position{};
    const QList<db::FieldDef>& columns = db::schema::desttar().fields;
    for (int c = 0; c < kColumns; ++c) {
        position[c] = -1;
        for (int i = 0; i < header.size(); ++i)
            if (header[i].trimmed().compare(columns[c].name, Qt::CaseInsensitive) == 0)
                position[c] = i;
        if (position[c] < 0)
            raise(Error::Kind::Refused,
                  QStringLiteral("Строка 1: в заголовке нет столбца %1; файл не загружен")
                      .arg(columns[c].name));
    }
    return position;
}

// The next record of the file as text; false at the end.
bool nextRecord(core::CsvReader& in, QStringList* fields) {
    QList<QByteArray> bytes;
    if (!in.next(&bytes)) return false;
    fields->clear();
    for (const QByteArray& field : bytes) fields->append(QString::fromUtf8(field));
    return true;
}

}  // namespace

int runImportCalls(CliContext& context, const QStringList& args) {
    Options options(args, QStringLiteral("import-calls FILE.csv [--again]"));
    const bool again = options.takeFlag(QStringLiteral("--again"));
    const QStringList& files = options.rest();
    if (files.size() != 1) usageError(QStringLiteral("import-calls FILE.csv [--again]"));
    QFile file(files.first());
    if (!file.open(QIODevice::ReadOnly))
        raise(Error::Kind::Refused, QStringLiteral("Не удалось открыть файл %1: %2")
                                        .arg(files.first(), file.errorString()));
    core::CsvReader in(file);

    calls::CallStaging staging(context.standard());

    QStringList fields;
    if (!nextRecord(in, &fields))
        raise(Error::Kind::Refused, QStringLiteral("Файл %1 пуст").arg(files.first()));
    const auto position = headerPositions(fields);
    const qsizetype headerFields = fields.size();
    while (nextRecord(in, &fields)) {
        const int recordLine = static_cast<int>(in.recordLine());
        if (fields.size() == 1 && fields.first().trimmed().isEmpty()) continue;
        if (fields.size() != headerFields)
            badRow(
                recordLine,
                QStringLiteral("полей %1, а в заголовке %2").arg(fields.size()).arg(headerFields));
        staging.add(checkedRow(fields, position, recordLine));
    }
    const qint64 rows = staging.staged();
    if (rows == 0)
        raise(Error::Kind::Refused,
              QStringLiteral("В файле %1 нет записей разговоров").arg(files.first()));

    const auto allThere = [&] {
        raise(Error::Kind::Refused,
              QStringLiteral("Все %1 записей файла %2 уже есть в DESTTAR; ничего не добавлено "
                             "(повторная загрузка: --again)")
                  .arg(rows)
                  .arg(files.first()));
    };
    staging.append(false, again ? std::function<void()>() : std::function<void()>(allThere));
    context.out() << QStringLiteral("Добавлено разговоров: %1\n").arg(rows);
    return 0;
}

}  // namespace orv::cli
