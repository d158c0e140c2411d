#include "repair/TableRepair.h"

#include "core/Error.h"
#include "db/FieldType.h"
#include "repair/PageFile.h"
#include "repair/RepairWork.h"

#include <QFileInfo>
#include <QHash>
#include <cstring>
#include <mutex>

namespace orv::repair {
namespace {

using db::FieldType;
using db::TableDef;

struct HandleState {
    QString lastError;
    RebuildCounts counts;
};

struct Handles {
    std::mutex mutex;
    QHash<TRHandle, HandleState> open;
    TRHandle next = 1;
};

Handles& handles() {
    static Handles h;
    return h;
}

bool known(TRHandle handle) {
    const std::lock_guard lock(handles().mutex);
    return handles().open.contains(handle);
}

void setError(TRHandle handle, const QString& text) {
    const std::lock_guard lock(handles().mutex);
    if (auto it = handles().open.find(handle); it != handles().open.end()) it->lastError = text;
}

// Runs body for a known handle and an existing file, turning errors into result codes.
template <typename Body>
TRResult guarded(TRHandle handle, const char* path, Body&& body) {
    if (!known(handle)) return kTRBadHandle;
    if (!path) return kTRBadArgument;
    const QString file = QString::fromUtf8(path);
    setError(handle, {});
    if (!QFileInfo(file).isFile()) {
        setError(handle, file);
        return kTRNotFound;
    }
    try {
        return body(file);
    } catch (const Error& e) {
        setError(handle, e.message());
        switch (e.kind()) {
            case Error::Kind::Refused:
                return kTRNoStructure;
            default:
                return kTRCannotRead;
        }
    } catch (const std::exception& e) {
        setError(handle, QString::fromLocal8Bit(e.what()));
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

void copyText(char* to, size_t size, const QByteArray& text) {
    std::memset(to, 0, size);
    std::memcpy(to, text.constData(), std::min(size - 1, size_t(text.size())));
}

constexpr std::array<size_t, 6> kArrayUnits = {sizeof(FLDDesc),  sizeof(IDXDesc), kSecurityDescSize,
                                               sizeof(VCHKDesc), kRefIntDescSize, sizeof(FLDDesc)};

// True when every array of the descriptor is there and as long as its count asks.
bool arraysFit(const RestructDesc& desc) {
    const CRTblDesc& r = desc.record;
    const std::array<quint16, 6> counts = {r.iFldCount,    r.iIdxCount,  r.iSecRecCount,
                                           r.iValChkCount, r.iRintCount, r.iOptParams};
    const std::array<quint32, 6> lengths = {r.pfldDesc,  r.pidxDesc,  r.psecDesc,
                                            r.pvchkDesc, r.printDesc, r.pfldOptParams};
    for (size_t i = 0; i < counts.size(); ++i)
        if (lengths[i] != counts[i] * kArrayUnits[i] || (counts[i] > 0 && !desc.arrays[i]))
            return false;
    return true;
}

void fillDescriptor(const TableDef& def, RestructDesc& desc) {
    auto* fields = reinterpret_cast<FLDDesc*>(desc.arrays[0]);
    quint16 offset = 0;
    for (int i = 0; i < def.fields.size(); ++i) {
        const db::FieldDef& f = def.fields[i];
        FLDDesc& d = fields[i];
        std::memset(&d, 0, sizeof d);
        const QByteArray name = f.name.toUtf8();
        if (name.size() >= int(sizeof d.szName))
            raise(Error::Kind::Refused, QStringLiteral("Слишком длинное имя поля %1").arg(f.name));
        copyText(d.szName, sizeof d.szName, name);
        d.iFldNum = quint16(i + 1);
        d.iFldType = quint16(f.type);
        d.iUnits1 = quint16(f.size);
        d.iLen = quint16(declaredWidth(f));
        d.iOffset = offset;
        offset = quint16(offset + d.iLen);
        d.eVchk = hasCheck(def, f) ? 1 : 0;
        d.bRequired = f.required ? 1 : 0;
    }
    auto* indexes = reinterpret_cast<IDXDesc*>(desc.arrays[1]);
    for (int i = 0; i < def.indexes.size(); ++i) {
        const db::IndexDef& index = def.indexes[i];
        IDXDesc& d = indexes[i];
        std::memset(&d, 0, sizeof d);
        copyText(d.szName, sizeof d.szName, index.name.toUtf8());
        d.bPrimary = index.primary ? 1 : 0;
        d.bUnique = index.unique ? 1 : 0;
        if (index.fields.size() > 16)
            raise(Error::Kind::Refused, QStringLiteral("Слишком много полей в индексе"));
        d.iFldsInKey = quint16(index.fields.size());
        for (int k = 0; k < index.fields.size(); ++k)
            for (int j = 0; j < def.fields.size(); ++j)
                if (def.fields[j].name.compare(index.fields[k], Qt::CaseInsensitive) == 0)
                    d.aiKeyFld[k] = quint16(j + 1);
    }
    auto* checks = reinterpret_cast<VCHKDesc*>(desc.arrays[3]);
    int n = 0;
    for (int i = 0; i < def.fields.size(); ++i) {
        const db::FieldDef& f = def.fields[i];
        if (!f.required && !hasCheck(def, f)) continue;
        VCHKDesc& d = checks[n++];
        std::memset(&d, 0, sizeof d);
        d.iFldNum = quint16(i + 1);
        d.bRequired = f.required ? 1 : 0;
        d.bHasCheck = hasCheck(def, f) ? 1 : 0;
    }
}

// The structure a filled descriptor describes.
TableDef structureOf(const RestructDesc& desc, const TableDef& base) {
    TableDef def;
    def.name = base.name;
    def.fileName = base.fileName;
    def.checkValues = false;
    const auto* fields = reinterpret_cast<const FLDDesc*>(desc.arrays[0]);
    for (int i = 0; i < desc.record.iFldCount; ++i) {
        const FLDDesc& d = fields[i];
        if (d.iFldType > quint16(FieldType::DateTime))
            raise(Error::Kind::Refused, QStringLiteral("Неправильный тип поля %1").arg(i + 1));
        db::FieldDef f;
        f.name = QString::fromUtf8(d.szName, int(strnlen(d.szName, sizeof d.szName)));
        f.type = FieldType(d.iFldType);
        f.size = d.iUnits1;
        f.required = d.bRequired != 0;
        def.fields.append(f);
    }
    const auto* indexes = reinterpret_cast<const IDXDesc*>(desc.arrays[1]);
    for (int i = 0; i < desc.record.iIdxCount; ++i) {
        const IDXDesc& d = indexes[i];
        db::IndexDef index;
        index.name = QString::fromUtf8(d.szName, int(strnlen(d.szName, sizeof d.szName)));
        index.primary = d.bPrimary != 0;
        index.unique = d.bUnique != 0;
        for (int k = 0; k < d.iFldsInKey && k < 16; ++k) {
            const int field = d.aiKeyFld[k];
            if (field < 1 || field > def.fields.size())
                raise(Error::Kind::Refused,
                      QStringLiteral("Неправильное поле индекса %1").arg(index.name));
            index.fields.append(def.fields[field - 1].name);
        }
        def.indexes.append(index);
    }
    const auto* checks = reinterpret_cast<const VCHKDesc*>(desc.arrays[3]);
    for (int i = 0; i < desc.record.iValChkCount; ++i)
        if (checks[i].bHasCheck) def.checkValues = true;
    return def;
}

}  // namespace

TRResult TRInit(TRHandle* handle) {
    if (!handle) return kTRBadArgument;
    Handles& h = handles();
    const std::lock_guard lock(h.mutex);
    if (h.open.size() >= 1000) return kTRTooManyHandles;
    while (h.next == 0 || h.open.contains(h.next)) ++h.next;
    *handle = h.next++;
    h.open.insert(*handle, {});
    return kTROk;
}

TRResult TRExit(TRHandle handle) {
    Handles& h = handles();
    const std::lock_guard lock(h.mutex);
    return h.open.remove(handle) ? kTROk : kTRBadHandle;
}

TRResult TRFillTableProps(TRHandle handle, const char* tablePath, CURProps* props) {
    if (!props) return kTRBadArgument;
    return guarded(handle, tablePath, [&](const QString& path) {
        const TableDef def = tableStructure(path);
        const PageFile file(path);
        CURProps p;
        std::memset(&p, 0, sizeof p);
        copyText(p.szName, sizeof p.szName, QByteArray(tablePath));
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
        *props = p;
        return kTROk;
    });
}

TRResult TRVerifyTable(TRHandle handle, const char* tablePath, const char* driverType,
                       const char* verifyTableName, int, int, qint32* status) {
    if (!status || !driverType || !verifyTableName) return kTRBadArgument;
    return guarded(handle, tablePath, [&](const QString& path) {
        *status = verifyTable(path, QString::fromUtf8(verifyTableName)).status;
        return kTROk;
    });
}

TRResult TRGetRestructDescCount(TRHandle handle, const char* tablePath, quint16* fields,
                                quint16* indexes, quint16* securityRecords, quint16* validityChecks,
                                quint16* referenceChecks, quint16* optionalParams,
                                quint16* optionalDataUnits) {
    for (quint16* out : {fields, indexes, securityRecords, validityChecks, referenceChecks,
                         optionalParams, optionalDataUnits})
        if (!out) return kTRBadArgument;
    return guarded(handle, tablePath, [&](const QString& path) {
        const TableDef def = tableStructure(path);
        *fields = quint16(def.fields.size());
        *indexes = quint16(def.indexes.size());
        *validityChecks = validityCount(def);
        *securityRecords = *referenceChecks = *optionalParams = *optionalDataUnits = 0;
        return kTROk;
    });
}

TRResult TRFillRestructDesc(TRHandle handle, RestructDesc* desc, const char* tablePath, int) {
    if (!desc) return kTRBadArgument;
    return guarded(handle, tablePath, [&](const QString& path) -> TRResult {
        const TableDef def = tableStructure(path);
        const CRTblDesc& r = desc->record;
        if (!arraysFit(*desc) || r.iFldCount != def.fields.size() ||
            r.iIdxCount != def.indexes.size() || r.iValChkCount != validityCount(def)) {
            setError(handle, QStringLiteral("Описание структуры не соответствует таблице"));
            return kTRBadArgument;
        }
        fillDescriptor(def, *desc);
        return kTROk;
    });
}

TRResult TRRebuildTable(TRHandle handle, const char* tablePath, const char* driverType,
                        const char* backupName, const char* keyViolationName,
                        const char* problemName, RestructDesc* desc) {
    if (!desc || !driverType || !backupName || !keyViolationName || !problemName)
        return kTRBadArgument;
    if (!arraysFit(*desc)) return kTRBadArgument;
    return guarded(handle, tablePath, [&](const QString& path) -> TRResult {
        const TableDef def = structureOf(*desc, tableStructure(path));
        const RebuildNames names{QString::fromUtf8(backupName), QString::fromUtf8(keyViolationName),
                                 QString::fromUtf8(problemName)};
        const RebuildOutcome outcome = rebuildTable(path, def, names);
        if (outcome.tooWide > 0) {
            setError(handle, QStringLiteral("в записях полей: %1, в структуре таблицы: %2; "
                                            "таблица не изменена")
                                 .arg(outcome.widestRow)
                                 .arg(def.fields.size()));
            return kTRStructureMismatch;
        }
        {
            const std::lock_guard lock(handles().mutex);
            handles().open[handle].counts = {outcome.kept, outcome.keyViolations, outcome.problems,
                                             outcome.unreadable, outcome.backup};
        }
        if (outcome.unreadable == 0) return kTROk;
        setError(handle, QStringLiteral("не прочитано строк: %1; исходная таблица сохранена в %2")
                             .arg(outcome.unreadable)
                             .arg(outcome.backup));
        return kTRRowsLost;
    });
}

TRResult TRGetRebuildCounts(TRHandle handle, RebuildCounts* counts) {
    if (!counts) return kTRBadArgument;
    const std::lock_guard lock(handles().mutex);
    const auto it = handles().open.find(handle);
    if (it == handles().open.end()) return kTRBadHandle;
    *counts = it->counts;
    return kTROk;
}

QString TRErrorText(TRHandle handle, TRResult result) {
    QString detail;
    {
        const std::lock_guard lock(handles().mutex);
        detail = handles().open.value(handle).lastError;
    }
    QString text;
    switch (result) {
        case kTROk:
            return {};
        case kTRBadHandle:
            text = QStringLiteral("Библиотека восстановления таблиц не открыта");
            break;
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
        case kTRTooManyHandles:
            text = QStringLiteral("Слишком много открытий библиотеки восстановления таблиц");
            break;
        default:
            text = QStringLiteral("Ошибка библиотеки восстановления таблиц %1").arg(result);
            break;
    }
    return detail.isEmpty() ? text : text + QStringLiteral(": ") + detail;
}

}  // namespace orv::repair
