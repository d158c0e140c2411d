#include "repair/RepairActions.h"

namespace orv::repair {
namespace {

// Releases the handle and acquires a new one, as before every verification and rebuild.
void renewHandle(TTableUtil& util) {
    TRExit(util.LibraryHandle);
    util.LibraryHandle = TRInit();
}

// The progress callback, registered for the life of the object.
class ProgressRegistered {
  public:
    explicit ProgressRegistered(TTableUtil& util) : util_(util) { util_.RegisterProgress(); }
    ~ProgressRegistered() { util_.UnregisterProgress(); }
    ProgressRegistered(const ProgressRegistered&) = delete;
    ProgressRegistered& operator=(const ProgressRegistered&) = delete;

  private:
    TTableUtil& util_;
};

}  // namespace

std::optional<qint32> runVerification(TTableUtil& util, const QString& tablePath) {
    renewHandle(util);
    const ProgressRegistered registered(util);
    qint32 status = 0;
    if (TRVerifyTable(util.LibraryHandle, tablePath, kDriverType, kVerifyTable, status) != kTROk)
        return std::nullopt;
    return status;
}

QString verificationMessage(const std::optional<qint32>& status) {
    if (!status) return {};
    switch (*status) {
        case 0:
            return QStringLiteral("Verification Successful. Table has no errors.");
        case 1:
            return QStringLiteral("Verification Successful. Verification completed.");
        case 2:
            return QStringLiteral("Verification Successful. Verification could not be completed.");
        case 3:
            return QStringLiteral("Verification Successful. Table must be rebuild manually.");
        case 4:
            return QStringLiteral("Verification Successful. Table cannot be rebuilt.");
        default:
            return QStringLiteral("Verification unsuccessful.");
    }
}

RebuildEnd runRebuild(TTableUtil& util, const QString& tablePath, QString* failure) {
    renewHandle(util);
    const ProgressRegistered registered(util);
    qint32 status = 0;
    checkLibrary(util.LibraryHandle,
                 TRVerifyTable(util.LibraryHandle, tablePath, kDriverType, kVerifyTable, status));
    auto failed = [&](TRResult result, RebuildEnd end) {
        if (failure) *failure = TRErrorText(util.LibraryHandle, result);
        return end;
    };
    RestructCounts counts;
    TRResult result = TRGetRestructDescCount(util.LibraryHandle, tablePath, counts);
    if (result != kTROk) return failed(result, RebuildEnd::NoCounts);
    RestructDesc descriptor(tablePath, QLatin1String(kDriverType), QLatin1String(kErrorTable),
                            counts);
    result = TRFillRestructDesc(util.LibraryHandle, descriptor, tablePath);
    if (result != kTROk) return failed(result, RebuildEnd::DescriptorFailed);
    result = TRRebuildTable(util.LibraryHandle, tablePath, kDriverType, kBackupTable, kKeyViolTable,
                            kProblemTable, descriptor);
    if (result == kTROk) return RebuildEnd::Rebuilt;
    return failed(result, result == kTRRowsLost ? RebuildEnd::RowsLost : RebuildEnd::NotRebuilt);
}

QString rebuildMessage(RebuildEnd end) {
    switch (end) {
        case RebuildEnd::Rebuilt:
            return QStringLiteral("Rebuild was successful.");
        case RebuildEnd::RowsLost:
        case RebuildEnd::NotRebuilt:
            return QStringLiteral("Rebuild was not successful.");
        case RebuildEnd::NoCounts:
        case RebuildEnd::DescriptorFailed:
            return {};
    }
    return {};
}

}  // namespace orv::repair
