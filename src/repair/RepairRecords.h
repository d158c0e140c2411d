#pragma once
// The records the table-repair library and its callers exchange: a progress report, the
// properties of a table, and the restructure descriptor with its field, index and validity-check
// descriptors.

#include <QList>
#include <QString>
#include <QtGlobal>

namespace orv::repair {

enum ProgressPhase : quint8 {
    kPhaseHeader = 0,
    kPhaseIndexes = 1,
    kPhaseData = 2,
    kPhaseRebuild = 8
};

// One progress report: the percentage done of a phase.
struct ProgressInfo {
    int iPercentDone = 0;  // 0..100
    int ePhase = 0;        // a ProgressPhase
};

// The properties of a table, as TRFillTableProps fills them for our SQLite tables.
struct CURProps {
    QString szName;             // table path
    quint16 iFields = 0;        // number of fields
    quint16 iRecBufSize = 0;    // record size: the sum of the declared field widths
    quint16 iIndexes = 0;       // indexes of the table file
    quint16 iValChecks = 0;     // required fields and value checks
    quint16 iRefIntChecks = 0;  // referential-integrity checks (our tables have none)
    quint16 iRestrVersion = 0;  // the file's schema cookie: it changes with every restructure
    quint16 iPasswords = 0;     // auxiliary passwords (none)
    quint16 iCodePage = 0;      // 65001 for UTF-8, 1200/1201 for UTF-16
    quint16 iTblLevel = 0;      // the file's schema format number (1..4)
    quint16 iBlockSize = 0;     // page size of the file (65535 for pages of 64 KiB)
};

// One field of a restructure descriptor.
struct FLDDesc {
    quint16 iFldNum = 0;  // 1-based
    QString szName;
    quint16 iFldType = 0;  // the FieldType in order: Integer 0, SmallInt 1, Float 2, String 3 ...
    quint16 iUnits1 = 0;   // characters of a string field; 0 unlimited
    quint16 iOffset = 0;   // offset in the record of the declared widths
    quint16 iLen = 0;      // declared width in bytes
    bool eVchk = false;    // the field has a validity check
    bool bRequired = false;
};

// One index of a restructure descriptor.
struct IDXDesc {
    QString szName;  // empty for the primary index
    bool bPrimary = false;
    bool bUnique = false;
    QList<quint16> aiKeyFld;  // 1-based field numbers
};

// One validity check of a restructure descriptor.
struct VCHKDesc {
    quint16 iFldNum = 0;
    bool bRequired = false;
    bool bHasCheck = false;  // the field's value must be of its type and width
};

// How many of each part a table's restructure descriptor has.
struct RestructCounts {
    quint16 fields = 0;
    quint16 indexes = 0;
    quint16 securityRecords = 0;
    quint16 validityChecks = 0;
    quint16 referenceChecks = 0;
    quint16 optionalParams = 0;
    quint16 optionalDataUnits = 0;  // of 128 bytes
};

// The restructure descriptor: the table, its driver type and error table, and its parts. The
// caller sizes the lists from the counts; TRFillRestructDesc fills them.
struct RestructDesc {
    QString szTblName;
    QString szTblType;
    QString szErrTblName;
    QList<FLDDesc> fields;
    QList<IDXDesc> indexes;
    QList<VCHKDesc> validityChecks;
    RestructCounts counts;

    RestructDesc(const QString& tablePath, const QString& driverType, const QString& errorTable,
                 const RestructCounts& sizes)
        : szTblName(tablePath),
          szTblType(driverType),
          szErrTblName(errorTable),
          fields(sizes.fields),
          indexes(sizes.indexes),
          validityChecks(sizes.validityChecks),
          counts(sizes) {}
};

}  // namespace orv::repair
