#pragma once
// The records the table-repair library and its callers exchange, byte for byte: the progress
// buffer the engine fills before each progress call, the cursor-properties record of a table,
// and the restructure descriptor with its field, index and validity-check descriptors. The
// offsets are part of the library's contract and are fixed by static_asserts below.
//
// The descriptor's seven array slots are 4 bytes wide. On a 64-bit process an address does not
// fit there, so each slot holds the byte length of the array the caller allocated, and the
// addresses themselves follow the 682-byte record in RestructDesc::arrays.

#include <QtGlobal>
#include <array>
#include <cstddef>

namespace orv::repair {

#pragma pack(push, 1)

// Filled before each progress call: the percentage done and the phase code.
struct ProgressInfo {
    quint16 iPercentDone;  // 0..100
    char szMsg[261];
    quint8 ePhase;  // 0 header, 1 indexes, 2 data, 8 rebuild
    quint8 reserved[4];
};

enum ProgressPhase : quint8 {
    kPhaseHeader = 0,
    kPhaseIndexes = 1,
    kPhaseData = 2,
    kPhaseRebuild = 8
};

// The properties of a table, as TRFillTableProps fills them for our SQLite tables.
struct CURProps {
    char szName[261];  // table path
    char reserved0[34];
    quint16 iFields;  // number of fields
    quint16 reserved1;
    quint16 iRecBufSize;  // record size: the sum of the declared field widths
    quint16 reserved2;
    quint16 iIndexes;       // indexes of the table file
    quint16 iValChecks;     // required fields and value checks
    quint16 iRefIntChecks;  // referential-integrity checks (our tables have none)
    char reserved3[26];
    quint16 iRestrVersion;  // the file's schema cookie: it changes with every restructure
    char reserved4[8];
    quint16 iPasswords;  // auxiliary passwords (none)
    quint16 iCodePage;   // 65001 for UTF-8, 1200/1201 for UTF-16
    quint16 reserved5;
    quint16 iTblLevel;  // the file's schema format number (1..4)
    char reserved6[34];
    quint16 iBlockSize;  // page size of the file (65535 for pages of 64 KiB)
    char reserved7[43];
};

// One field of a restructure descriptor.
struct FLDDesc {
    quint16 iFldNum;   // 1-based
    char szName[32];   // UTF-8, zero-terminated
    quint16 iFldType;  // the FieldType in order: Integer 0, SmallInt 1, Float 2, String 3 ...
    quint16 iSubType;
    quint16 iUnits1;  // characters of a string field; 0 unlimited
    quint16 iUnits2;
    quint16 iOffset;  // offset in the record of the declared widths
    quint16 iLen;     // declared width in bytes
    quint16 iNullOffset;
    quint16 eVchk;  // 1 when the field has a validity check
    quint16 eRights;
    quint16 bCalcField;
    quint8 bRequired;
    quint8 reserved[7];
};

// One index of a restructure descriptor.
struct IDXDesc {
    char szName[256];  // empty for the primary index
    quint8 bPrimary;
    quint8 bUnique;
    quint16 iFldsInKey;
    quint16 aiKeyFld[16];  // 1-based field numbers
    char reserved[601];
};

// One validity check of a restructure descriptor.
struct VCHKDesc {
    quint16 iFldNum;
    quint8 bRequired;
    quint8 bHasCheck;  // the field's value must be of its type and width
    char reserved[1215];
};

inline constexpr int kSecurityDescSize = 1064;
inline constexpr int kRefIntDescSize = 373;
inline constexpr int kOptDataUnit = 128;

// The restructure descriptor record.
struct CRTblDesc {
    char szTblName[261];
    char szTblType[32];
    char szErrTblName[261];
    char reserved0[68];
    quint16 iFldCount;
    quint32 reserved1;
    quint32 pfldDesc;  // byte length of the field array
    quint16 iIdxCount;
    quint32 reserved2;
    quint32 pidxDesc;
    quint16 iSecRecCount;
    quint32 reserved3;
    quint32 psecDesc;
    quint16 iValChkCount;
    quint32 reserved4;
    quint32 pvchkDesc;
    quint16 iRintCount;
    quint32 reserved5;
    quint32 printDesc;
    quint16 iOptParams;
    quint32 pfldOptParams;
    quint32 pOptData;
};

#pragma pack(pop)

static_assert(sizeof(ProgressInfo) == 268);
static_assert(offsetof(ProgressInfo, ePhase) == 263);
static_assert(sizeof(CURProps) == 432);
static_assert(offsetof(CURProps, iFields) == 295);
static_assert(offsetof(CURProps, iRecBufSize) == 299);
static_assert(offsetof(CURProps, iIndexes) == 303);
static_assert(offsetof(CURProps, iValChecks) == 305);
static_assert(offsetof(CURProps, iRefIntChecks) == 307);
static_assert(offsetof(CURProps, iRestrVersion) == 335);
static_assert(offsetof(CURProps, iPasswords) == 345);
static_assert(offsetof(CURProps, iCodePage) == 347);
static_assert(offsetof(CURProps, iTblLevel) == 351);
static_assert(offsetof(CURProps, iBlockSize) == 387);
static_assert(sizeof(FLDDesc) == 62);
static_assert(sizeof(IDXDesc) == 893);
static_assert(sizeof(VCHKDesc) == 1219);
static_assert(sizeof(CRTblDesc) == 682);
static_assert(offsetof(CRTblDesc, szTblType) == 261);
static_assert(offsetof(CRTblDesc, szErrTblName) == 293);
static_assert(offsetof(CRTblDesc, iFldCount) == 622);
static_assert(offsetof(CRTblDesc, pfldDesc) == 628);
static_assert(offsetof(CRTblDesc, iIdxCount) == 632);
static_assert(offsetof(CRTblDesc, pidxDesc) == 638);
static_assert(offsetof(CRTblDesc, iSecRecCount) == 642);
static_assert(offsetof(CRTblDesc, psecDesc) == 648);
static_assert(offsetof(CRTblDesc, iValChkCount) == 652);
static_assert(offsetof(CRTblDesc, pvchkDesc) == 658);
static_assert(offsetof(CRTblDesc, iRintCount) == 662);
static_assert(offsetof(CRTblDesc, printDesc) == 668);
static_assert(offsetof(CRTblDesc, iOptParams) == 672);
static_assert(offsetof(CRTblDesc, pfldOptParams) == 674);
static_assert(offsetof(CRTblDesc, pOptData) == 678);

// The descriptor as passed: the record, then the addresses of its seven arrays (fields,
// indexes, security records, validity checks, referential-integrity checks, optional-parameter
// fields, optional data).
struct RestructDesc {
    CRTblDesc record;
    std::array<std::byte*, 7> arrays;
};

}  // namespace orv::repair
