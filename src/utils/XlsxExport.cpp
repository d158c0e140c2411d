#include "utils/XlsxExport.h"

#include "core/Error.h"
#include "db/FieldType.h"
#include "db/Query.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <xlsxwriter.h>

namespace orv::utils {
namespace {

using Display = core::ViewColumn::Display;

constexpr lxw_row_t kSheetRows = 1048576;  // rows of a sheet, the title row included
constexpr qint64 kProgressStep = 4096;
constexpr double kMaxWidth = 60;

[[noreturn]] void cannotWrite(const QString& path, const QString& cause) {
    raise(Error::Kind::Engine, QStringLiteral("Не удалось записать файл %1: %2").arg(path, cause));
}

void check(lxw_error error, const QString& path) {
    if (error != LXW_NO_ERROR) cannotWrite(path, QString::fromUtf8(lxw_strerror(error)));
}

struct WorkbookCloser {
    void operator()(lxw_workbook* workbook) const {
        if (workbook) workbook_close(workbook);
    }
};
using Workbook = std::unique_ptr<lxw_workbook, WorkbookCloser>;

// The cell formats of the workbook, owned by it.
struct Formats {
    lxw_format* title;
    lxw_format* money;
    lxw_format* number;  // a float that is not marked as money: two decimals or more
    lxw_format* date;
    lxw_format* time;
    lxw_format* dateTime;
};

Formats makeFormats(lxw_workbook* workbook) {
    auto numeric = [workbook](const char* pattern) {
        lxw_format* format = workbook_add_format(workbook);
        format_set_num_format(format, pattern);
        return format;
    };
    Formats formats{};
    formats.title = workbook_add_format(workbook);
    format_set_bold(formats.title);
    formats.money = numeric("#,##0.00");
    formats.number = numeric("0.00##");
    formats.date = numeric("dd.mm.yyyy");
    formats.time = numeric("hh:mm:ss");
    formats.dateTime = numeric("dd.mm.yyyy hh:mm:ss");
    return formats;
}

lxw_datetime dateTimeOf(const QDate& date, const QTime& time) {
    lxw_datetime value{};
    if (date.isValid()) {
        value.year = date.year();
        value.month = date.month();
        value.day = date.day();
    }
    if (time.isValid()) {
        value.hour = time.hour();
        value.min = time.minute();
        value.sec = time.second() + time.msec() / 1000.0;
    }
    return value;
}

// Writes one cell; returns the width of its text in characters.
int writeCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t col, const QVariant& value,
              Display display, const Formats& formats, const QString& path) {
    if (value.isNull()) return 0;
    switch (value.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::ULongLong: {
            const QString text = value.toString();
            check(worksheet_write_number(sheet, row, col, value.toDouble(), nullptr), path);
            return static_cast<int>(text.size());
        }
        case QMetaType::Double: {
            const double number = value.toDouble();
            lxw_format* format = display == Display::Money ? formats.money : formats.number;
            check(worksheet_write_number(sheet, row, col, number, format), path);
            return static_cast<int>(QString::number(number, 'f', 2).size()) + 2;
        }
        case QMetaType::QDate:
            if (!value.toDate().isValid()) break;
            {
                lxw_datetime when = dateTimeOf(value.toDate(), {});
                check(worksheet_write_datetime(sheet, row, col, &when, formats.date), path);
            }
            return 10;
        case QMetaType::QTime:
            if (!value.toTime().isValid()) break;
            {
                lxw_datetime when = dateTimeOf({}, value.toTime());
                check(worksheet_write_datetime(sheet, row, col, &when, formats.time), path);
            }
            return 8;
        case QMetaType::QDateTime:
            if (!value.toDateTime().isValid()) break;
            {
                const QDateTime at = value.toDateTime();
                lxw_datetime when = dateTimeOf(at.date(), at.time());
                check(worksheet_write_datetime(sheet, row, col, &when, formats.dateTime), path);
            }
            return 19;
        default:
            break;
    }
    const QString text = db::displayText(value);
    if (text.isEmpty()) return 0;
    check(worksheet_write_string(sheet, row, col, text.toUtf8().constData(), nullptr), path);
    return static_cast<int>(text.size());
}

class SheetWriter {
  public:
    SheetWriter(lxw_workbook* workbook, const Formats& formats, const QStringList& titles,
                const QString& path)
        : workbook_(workbook), formats_(formats), titles_(titles), path_(path) {}

    // The row to write the next data row in, starting a new sheet when the current one is full.
    lxw_row_t nextRow() {
        if (!sheet_ || row_ == kSheetRows) startSheet();
        return row_++;
    }
    lxw_worksheet* sheet() const { return sheet_; }
    void widen(int column, int width) {
        widths_[column] = std::max(widths_[column], width);
    }
    // Sets the widths of the sheet being written; the last sheet's when the export ends.
    void finishSheet() {
        if (!sheet_) return;
        for (int c = 0; c < titles_.size(); ++c)
            check(worksheet_set_column(sheet_, static_cast<lxw_col_t>(c),
                                       static_cast<lxw_col_t>(c),
                                       std::min(kMaxWidth, widths_[c] + 2.0), nullptr),
                  path_);
    }

  private:
    void startSheet() {
        finishSheet();
        ++sheets_;
        const QByteArray name = QStringLiteral("Лист%1").arg(sheets_).toUtf8();
        sheet_ = workbook_add_worksheet(workbook_, name.constData());
        if (!sheet_) cannotWrite(path_, QStringLiteral("не создан лист"));
        widths_ = QList<int>(titles_.size(), 0);
        for (int c = 0; c < titles_.size(); ++c) {
            check(worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c),
                                         titles_[c].toUtf8().constData(), formats_.title),
                  path_);
            widths_[c] = static_cast<int>(titles_[c].size()) + 1;
        }
        worksheet_freeze_panes(sheet_, 1, 0);
        row_ = 1;
    }

    lxw_workbook* workbook_;
    const Formats& formats_;
    QStringList titles_;
    QString path_;
    lxw_worksheet* sheet_ = nullptr;
    lxw_row_t row_ = 0;
    int sheets_ = 0;
    QList<int> widths_;
};

}  // namespace

bool isXlsxPath(const QString& path) {
    return path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
}

QList<core::ViewColumn> fieldColumns(const db::Query& query) {
    QList<core::ViewColumn> columns;
    for (const db::FieldDef& field : query.fields()) {
        Display display = Display::Plain;
        if (field.type == db::FieldType::Date) display = Display::Date;
        if (field.type == db::FieldType::Time) display = Display::Time;
        columns.append({field.name, field.name, display});
    }
    return columns;
}

qint64 writeXlsx(const db::Query& query, const QString& path, const XlsxProgress& progress) {
    return writeXlsx(query, fieldColumns(query), path, progress);
}

qint64 writeXlsx(const db::Query& query, const QList<core::ViewColumn>& columns,
                 const QString& path, const XlsxProgress& progress) {
    QList<int> fields;
    QStringList titles;
    for (const core::ViewColumn& column : columns) {
        const int field = query.fieldIndex(column.field);
        if (field < 0)
            raise(Error::Kind::Engine, QStringLiteral("Поле %1 не найдено").arg(column.field));
        fields.append(field);
        titles.append(column.title);
    }

    // Written beside the target, and the library's own scratch files there too rather than in
    // a /tmp that may live in memory.
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    QTemporaryFile part(folder + QStringLiteral("/.") + target.fileName() +
                        QStringLiteral(".XXXXXX"));
    if (!part.open()) cannotWrite(path, part.errorString());
    part.close();
    const QByteArray partName = QFile::encodeName(part.fileName());
    QByteArray scratch = QFile::encodeName(folder);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = scratch.data();
    options.use_zip64 = LXW_TRUE;

    const qint64 total = query.recordCount();
    {
        Workbook workbook(workbook_new_opt(partName.constData(), &options));
        if (!workbook) cannotWrite(path, QStringLiteral("книга не создана"));
        const Formats formats = makeFormats(workbook.get());
        SheetWriter writer(workbook.get(), formats, titles, path);
        for (qint64 row = 0; row < total || row == 0; ++row) {
            const lxw_row_t at = writer.nextRow();
            if (row == total) break;  // an empty result: the titles alone
            for (int c = 0; c < fields.size(); ++c)
                writer.widen(c, writeCell(writer.sheet(), at, static_cast<lxw_col_t>(c),
                                          query.value(row, fields[c]), columns[c].display,
                                          formats, path));
            if (progress && (row + 1) % kProgressStep == 0 && !progress(row + 1, total))
                raise(Error::Kind::Refused, QStringLiteral("Выгрузка прервана; файл не записан"));
        }
        writer.finishSheet();
        lxw_error closed = workbook_close(workbook.release());
        check(closed, path);
    }
    if (std::rename(partName.constData(), QFile::encodeName(path).constData()) != 0)
        cannotWrite(path, QString::fromLocal8Bit(std::strerror(errno)));
    part.setAutoRemove(false);
    return total;
}

}  // namespace orv::utils
