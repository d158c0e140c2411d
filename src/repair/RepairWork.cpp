#include "repair/RepairWork.h"

#include "core/Error.h"
#include "core/FileNames.h"
#include "db/Database.h"
#include "db/Schema.h"
#include "db/Sqlite.h"

#include <QDate>
#include <QFileInfo>

namespace orv::repair {
namespace {

using db::FieldDef;
using db::FieldType;
using db::IndexDef;
using db::TableDef;

// The table of a file: the one named after the file, or the only one.
const SchemaEntry* tableEntry(const std::vector<SchemaEntry>& entries, const QString& path) {
    const QString name = core::GetClearFName(path);
    const SchemaEntry* only = nullptr;
    int tables = 0;
    for (const SchemaEntry& e : entries) {
        if (e.type != QLatin1String("table") || e.name.startsWith(QLatin1String("sqlite_")))
            continue;
        if (e.name.compare(name, Qt::CaseInsensitive) == 0) return &e;
        only = &e;
        ++tables;
    }
    return tables == 1 ? only : nullptr;
}

int tableCount(const std::vector<SchemaEntry>& entries) {
    int n = 0;
    for (const SchemaEntry& e : entries)
        if (e.type == QLatin1String("table") && !e.name.startsWith(QLatin1String("sqlite_"))) ++n;
    return n;
}

}  // namespace

RowPages::RowPages(const PageFile& file, const QString& table) {
    skip_ = file.freelistPages();
    skip_.unite(file.treePages(1));
    skip_.insert(1);
    const std::vector<SchemaEntry> entries = file.schema();
    if (tableCount(entries) <= 1) return;
    restricted_ = true;
    for (const SchemaEntry& e : entries)
        if (e.type == QLatin1String("table") && e.name.compare(table, Qt::CaseInsensitive) == 0)
            only_ = file.treePages(e.rootPage);
}

namespace {}  // namespace

TableDef readStructure(db::Connection& c, const QString& schema, const QString& table) {
    TableDef def;
    def.name = table;
    const QString s = db::quoteIdentifier(schema);
    db::Statement info(
        c, QStringLiteral("PRAGMA %1.table_info(%2)").arg(s, db::quoteIdentifier(table)));
    while (info.step()) {
        FieldDef f;
        f.name = info.column(1).toString();
        f.type = db::fieldTypeFromDecl(info.column(2).toString(), &f.size);
        f.required = info.columnInt(3) != 0;
        def.fields.append(f);
    }
    db::Statement list(
        c, QStringLiteral("PRAGMA %1.index_list(%2)").arg(s, db::quoteIdentifier(table)));
    while (list.step()) {
        IndexDef index;
        index.name = list.column(1).toString();
        index.unique = list.columnInt(2) != 0;
        index.primary = index.name == QLatin1String("PRIMARY");
        db::Statement cols(
            c, QStringLiteral("PRAGMA %1.index_info(%2)").arg(s, db::quoteIdentifier(index.name)));
        while (cols.step()) index.fields.append(cols.column(2).toString());
        if (index.primary) index.name.clear();
        def.indexes.append(index);
    }
    return def;
}

namespace {

// The structure from the schema rows found on the file's pages, replayed on a scratch database.
TableDef ownStructure(const QString& path) {
    const PageFile file(path);
    const std::vector<SchemaEntry> entries = file.schema();
    const SchemaEntry* table = tableEntry(entries, path);
    if (!table || table->sql.isEmpty())
        raise(Error::Kind::Refused,
              QStringLiteral("Структура таблицы %1 не известна").arg(QFileInfo(path).fileName()));
    db::Connection scratch(QStringLiteral(":memory:"));
    scratch.exec(table->sql);
    for (const SchemaEntry& e : entries) {
        if (e.type != QLatin1String("index") || e.sql.isEmpty() ||
            e.tableName.compare(table->name, Qt::CaseInsensitive) != 0)
            continue;
        try {
            scratch.exec(e.sql);
        } catch (const Error&) {
            // An index whose statement does not survive is rebuilt without it.
        }
    }
    TableDef def = readStructure(scratch, QStringLiteral("main"), table->name);
    def.fileName = QFileInfo(path).fileName();
    def.checkValues = table->sql.contains(QLatin1String("CHECK"), Qt::CaseInsensitive);
    return def;
}

// The ASCII bytes of a stored text; UTF-16 texts are converted first.
QByteArray asciiOf(const RawValue& v, const PageFile& file) {
    return file.textEncoding() == 1 ? v.bytes : file.text(v.bytes).toLatin1();
}

int digits(const char* p, int n) {
    int value = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

// 'YYYY-MM-DD', a real day: what the date check of the table's declaration accepts.
bool isIsoDate(const QByteArray& s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
    const int y = digits(s.constData(), 4), m = digits(s.constData() + 5, 2),
              d = digits(s.constData() + 8, 2);
    return y >= 0 && m >= 0 && d >= 0 && QDate::isValid(y, m, d);
}

// 'HH:MM:SS' of a real time of day.
bool isIsoTime(const QByteArray& s) {
    if (s.size() != 8 || s[2] != ':' || s[5] != ':') return false;
    const int h = digits(s.constData(), 2), m = digits(s.constData() + 3, 2),
              sec = digits(s.constData() + 6, 2);
    return h >= 0 && h < 24 && m >= 0 && m < 60 && sec >= 0 && sec < 60;
}

// Characters of a stored text (code points, as SQLite's length() counts them).
qsizetype characters(const RawValue& v, const PageFile& file) {
    if (file.textEncoding() != 1) return file.text(v.bytes).size();
    qsizetype n = 0;
    for (char c : v.bytes)
        if ((uchar(c) & 0xc0) != 0x80) ++n;
    return n;
}

QString typeProblem(const FieldDef& f, const RawValue& v, const PageFile& file) {
    using K = RawValue::Kind;
    switch (f.type) {
        case FieldType::Integer:
            return v.kind == K::Integer ? QString() : QStringLiteral("в поле %1 не целое число");
        case FieldType::SmallInt:
            return v.kind == K::Integer && v.integer >= -32768 && v.integer <= 32767
                       ? QString()
                       : QStringLiteral("в поле %1 не короткое целое число");
        case FieldType::Float:
            return v.kind == K::Integer || v.kind == K::Real ? QString()
                                                             : QStringLiteral("в поле %1 не число");
        case FieldType::String:
            if (v.kind == K::Blob) return QStringLiteral("в поле %1 не текст");
            if (v.kind == K::Text && f.size > 0 && characters(v, file) > f.size)
                return QStringLiteral("значение поля %1 длиннее %2 символов")
                    .arg(f.name)
                    .arg(f.size);
            return {};
        case FieldType::Date:
            return v.kind == K::Text && isIsoDate(asciiOf(v, file))
                       ? QString()
                       : QStringLiteral("в поле %1 неправильная дата");
        case FieldType::Time:
            return v.kind == K::Text && isIsoTime(asciiOf(v, file))
                       ? QString()
                       : QStringLiteral("в поле %1 неправильное время");
        case FieldType::DateTime:
            return v.kind == K::Blob ? QStringLiteral("в поле %1 неправильная дата") : QString();
    }
    return {};
}

}  // namespace

bool looksLikeTable(const PageFile& file) {
    if (file.headerValid()) return true;
    for (quint32 page = 2; page <= file.pageCount(); ++page)
        if (file.pageType(page) != 0) return true;
    return false;
}

TableDef tableStructure(const QString& path) {
    if (const TableDef* declared = db::schema::find(core::GetClearFName(path))) {
        TableDef def = *declared;
        def.fileName = QFileInfo(path).fileName();
        return def;
    }
    return ownStructure(path);
}

QString rowProblem(const TableDef& def, const LeafRow& row, const PageFile& file) {
    if (row.values.size() > size_t(def.fields.size()))
        return QStringLiteral("в записи %1 полей вместо %2")
            .arg(row.values.size())
            .arg(def.fields.size());
    static const RawValue null;
    for (int i = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields[i];
        const RawValue& v = size_t(i) < row.values.size() ? row.values[size_t(i)] : null;
        if (v.kind == RawValue::Kind::Null) {
            if (f.required) return QStringLiteral("поле %1 не заполнено").arg(f.name);
            continue;
        }
        if (!def.checkValues) continue;
        const QString problem = typeProblem(f, v, file);
        if (!problem.isEmpty())
            return problem.contains(QLatin1String("%1")) ? problem.arg(f.name) : problem;
    }
    return {};
}

}  // namespace orv::repair
