#include "repair/TableRepair.h"

#include "core/Error.h"
#include "db/FieldType.h"
#include "repair/PageFile.h"
#include "repair/RepairWork.h"

#include <QFileInfo>
#include <algorithm>

namespace orv::repair {
namespace {

using db::FieldType;
using db::TableDef;

// Runs body for an existing file with the handle's progress, turning errors into result codes
// and keeping their detail in the handle.
template <typename Body>
TRResult guarded(TRHandle& handle, const QString& path, Body&& body) {
    handle.lastError.clear();
    if (!QFileInfo(path).isFile()) {
        handle.lastError = path;
        return kTRNotFound;
    }
    ProgressReport progress(handle.progress);
    try {
        return body(progress);
    } catch (const Error& e) {
        handle.lastError = e.message();
        return e.kind() == Error::Kind::Refused ? kTRNoStructure : kTRCannotRead;
    } catch (const std::exception& e) {
        handle.lastError = QString::fromLocal8Bit(e.what());
        return kTRCannotRead;
    }
}

int declaredWidth(const db::FieldDef& f) {
    switch (f.type) {
        case FieldType::SmallInt:
            return 2;
        case FieldType::Integer:
        case FieldType::Date:
        case FieldType::Time:
            return 4;
        case FieldType::Float:
        case FieldType::DateTime:
            return 8;
        case FieldType::String:
            return f.size > 0 ? f.size + 1 : 256;
    }
    return 0;
}

bool hasCheck(const TableDef& def, const db::FieldDef& f) {
    if (!def.checkValues) return false;
    return (f.type == FieldType::String && f.size > 0) || f.type == FieldType::Date ||
           f.type == FieldType::Time;
}

quint16 validityCount(const TableDef& def) {
    quint16 n = 0;
    for (const db::FieldDef& f : def.fields)
        if (f.required || hasCheck(def, f)) ++n;
    return n;
}

// True when the descriptor's parts are sized as the table's structure asks.
bool fits(const RestructDesc& desc, const TableDef& def) {
    return desc.fields.size() == def.fields.size() && desc.indexes.size() == def.indexes.size() &&
           desc.validityChecks.size() == validityCount(def);
}

void fillDescriptor(const TableDef& def, RestructDesc& desc) {
    quint16 offset = 0;
    for (int i = 0; i < def.fields.size(); ++i) {
        const db::FieldDef& f = def.fields[i];
        FLDDesc& d = desc.fields[i];
        d = {};
        d.szName = f.name;
        d.iFldNum = quint16(i + 1);
        d.iFldType = quint16(f.type);
        d.iUnits1 = quint16(f.size);
        d.iLen = quint16(declaredWidth(f));
        d.iOffset = offset;
        offset = quint16(offset + d.iLen);
        d.eVchk = hasCheck(def, f);
        d.bRequired = f.required;
    }
    for (int i = 0; i < def.indexes.size(); ++i) {
        const db::IndexDef& index = def.indexes[i];
        IDXDesc& d = desc.indexes[i];
        d = {};
        d.szName = index.name;
        d.bPrimary = index.primary;
        d.bUnique = index.unique;
        for (const QString& key : index.fields)
            for (int j = 0; j < def.fields.size(); ++j)
                if (def.fields[j].name.compare(key, Qt::CaseInsensitive) == 0)
                    d.aiKeyFld.append(quint16(j + 1));
    }
    int n = 0;
    for (int i = 0; i < def.fields.size(); ++i) {
        const db::FieldDef& f = def.fields[i];
        if (!f.required && !hasCheck(def, f)) continue;
        desc.validityChecks[n++] = {quint16(i + 1), f.required, hasCheck(def, f)};
    }
}

// The structure a filled descriptor describes.
TableDef structureOf(const RestructDesc& desc, const TableDef& base) {
    TableDef def;
    def.name = base.name;
    def.fileName = base.fileName;
    def.checkValues = false;
    for (int i = 0; i < desc.fields.size(); ++i) {
        const FLDDesc& d = desc.fields[i];
        if (d.iFldType > quint16(FieldType::DateTime))
            raise(Error::Kind::Refused, QStringLiteral("Неправильный тип поля %1").arg(i + 1));
        db::FieldDef f;
        f.name = d.szName;
        f.type = FieldType(d.iFldType);
        f.size = d.iUnits1;
        f.required = d.bRequired;
        def.fields.append(f);
    }
    for (const IDXDesc& d : desc.indexes) {
        db::IndexDef index;
        index.name = d.szName;
        index.primary = d.bPrimary;
        index.unique = d.bUnique;
        for (const quint16 field : d.aiKeyFld) {
            if (field < 1 || field > def.fields.size())
                raise(Error::Kind::Refused,
                      QStringLiteral("Неправильное поле индекса %1").arg(index.name));
            index.fields.append(def.fields[field - 1].name);
        }
        def.indexes.append(index);
    }
    for (const VCHKDesc& check : desc.validityChecks)
        if (check.bHasCheck) def.checkValues = true;
    return def;
}

}  // namespace

ProgressReport::ProgressReport(std::function<void(const ProgressInfo&)> sink)
    : sink_(std::move(sink)) {
    last_.fill(-1);
}

void ProgressReport::operator()(quint8 phase, int percent) {
    if (!sink_ || phase >= last_.size()) return;
    percent = std::clamp(percent, 0, 100);
    if (last_[phase] == percent) return;
    last_[phase] = percent;
    sink_({percent, phase});
}

TRHandle TRInit() { return {}; }

void TRExit(TRHandle& handle) { handle = {}; }

TRResult TRFillTableProps(TRHandle& handle, const QString& tablePath, CURProps& props) {
    return guarded(handle, tablePath, [&](ProgressReport&) {
        const TableDef def = tableStructure(tablePath);
        const PageFile file(tablePath);
        CURProps p;
        p.szName = tablePath;
        int size = 0;
        for (const db::FieldDef& f : def.fields) size += declaredWidth(f);
        p.iFields = quint16(def.fields.size());
        p.iRecBufSize = quint16(std::min(size, 65535));
        p.iIndexes = quint16(def.indexes.size());
        p.iValChecks = validityCount(def);
        p.iRestrVersion = quint16(file.headerValid() ? file.schemaCookie() : 0);
        static constexpr quint16 kCodePages[] = {65001, 65001, 1200, 1201};
        p.iCodePage = kCodePages[file.textEncoding()];
        p.iTblLevel = quint16(file.headerValid() ? file.schemaFormat() : 0);
        p.iBlockSize = quint16(std::min(file.pageSize(), 65535));
        props = p;
        return kTROk;
    });
}

TRResult TRVerifyTable(TRHandle& handle, const QString& tablePath, const QString&,
                       const QString& verifyTableName, qint32& status) {
    return guarded(handle, tablePath, [&](ProgressReport& progress) {
        status = verifyTable(tablePath, verifyTableName, progress).status;
        return kTROk;
    });
}

TRResult TRGetRestructDescCount(TRHandle& handle, const QString& tablePath,
                                RestructCounts& counts) {
    return guarded(handle, tablePath, [&](ProgressReport&) {
        const TableDef def = tableStructure(tablePath);
        counts = {};
        counts.fields = quint16(def.fields.size());
        counts.indexes = quint16(def.indexes.size());
        counts.validityChecks = validityCount(def);
        return kTROk;
    });
}

TRResult TRFillRestructDesc(TRHandle& handle, RestructDesc& desc, const QString& tablePath) {
    return guarded(handle, tablePath, [&](ProgressReport&) -> TRResult {
        const TableDef def = tableStructure(tablePath);
        if (!fits(desc, def)) {
            handle.lastError = QStringLiteral("Описание структуры не соответствует таблице");
            return kTRBadArgument;
        }
        fillDescriptor(def, desc);
        return kTROk;
    });
}

TRResult TRRebuildTable(TRHandle& handle, const QString& tablePath, const QString&,
                        const QString& backupName, const QString& keyViolationName,
                        const QString& problemName, const RestructDesc& desc) {
    return guarded(handle, tablePath, [&](ProgressReport& progress) -> TRResult {
        const TableDef def = structureOf(desc, tableStructure(tablePath));
        const RebuildOutcome outcome =
            rebuildTable(tablePath, def, {backupName, keyViolationName, problemName}, progress);
        if (outcome.tooWide > 0) {
            handle.lastError = QStringLiteral(
                                   "в записях полей: %1, в структуре таблицы: %2; "
                                   "таблица не изменена")
                                   .arg(outcome.widestRow)
                                   .arg(def.fields.size());
            return kTRStructureMismatch;
        }
        handle.lastRebuild = {outcome.kept, outcome.keyViolations, outcome.problems,
                              outcome.unreadable, outcome.backup};
        if (outcome.unreadable == 0) return kTROk;
        handle.lastError = QStringLiteral("не прочитано строк: %1; исходная таблица сохранена в %2")
                               .arg(outcome.unreadable)
                               .arg(outcome.backup);
        return kTRRowsLost;
    });
}

QString TRErrorText(const TRHandle& handle, TRResult result) {
    QString text;
    switch (result) {
        case kTROk:
            return {};
        case kTRNotFound:
            text = QStringLiteral("Таблица не найдена");
            break;
        case kTRCannotRead:
            text = QStringLiteral("Таблица не читается");
            break;
        case kTRNoStructure:
            text = QStringLiteral("Структура таблицы не известна");
            break;
        case kTRBadArgument:
            text = QStringLiteral("Неправильный вызов библиотеки восстановления таблиц");
            break;
        case kTRStructureMismatch:
            text = QStringLiteral("Структура таблицы не соответствует её записям");
            break;
        case kTRRowsLost:
            text = QStringLiteral("Не все строки таблицы удалось прочитать");
            break;
        default:
            text = QStringLiteral("Ошибка библиотеки восстановления таблиц %1").arg(result);
            break;
    }
    return handle.lastError.isEmpty() ? text : text + QStringLiteral(": ") + handle.lastError;
}

}  // namespace orv::repair
