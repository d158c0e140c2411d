#include "repair/RepairActions.h"

#include <cstring>
#include <vector>

namespace orv::repair {
namespace {

// Releases the handle and acquires a new one, as before every verification and rebuild.
void renewHandle(TTableUtil& util) {
    checkLibrary(util.LibraryHandle, TRExit(util.LibraryHandle));
    checkLibrary(util.LibraryHandle, TRInit(&util.LibraryHandle));
}

// The progress callback, registered for the life of the object and unregistered on every path.
class ProgressRegistered {
  public:
    explicit ProgressRegistered(TTableUtil& util) : util_(util) { util_.RegisterProgress(); }
    ~ProgressRegistered() {
        try {
            util_.UnregisterProgress();
        } catch (const std::exception&) {
            // Unregistration with no function cannot fail; nothing to raise from here.
        }
    }
    ProgressRegistered(const ProgressRegistered&) = delete;
    ProgressRegistered& operator=(const ProgressRegistered&) = delete;

  private:
    TTableUtil& util_;
};

// The restructure descriptor and its seven arrays, sized from the counts; freed with the object.
class Descriptor {
  public:
    explicit Descriptor(const QByteArray& path, const std::array<quint16, 7>& counts) {
        std::memset(&desc_, 0, sizeof desc_);
        CRTblDesc& r = desc_.record;
        std::strncpy(r.szTblName, path.constData(), sizeof r.szTblName - 1);
        std::strncpy(r.szTblType, kDriverType, sizeof r.szTblType - 1);
        std::strncpy(r.szErrTblName, kErrorTable, sizeof r.szErrTblName - 1);
        static constexpr std::array<size_t, 7> units = {
            sizeof(FLDDesc), sizeof(IDXDesc), kSecurityDescSize, sizeof(VCHKDesc),
            kRefIntDescSize, sizeof(FLDDesc), kOptDataUnit};
        for (size_t i = 0; i < units.size(); ++i) {
            buffers_[i].resize(counts[i] * units[i]);
            desc_.arrays[i] = buffers_[i].empty() ? nullptr : buffers_[i].data();
        }
        r.iFldCount = counts[0];
        r.pfldDesc = quint32(buffers_[0].size());
        r.iIdxCount = counts[1];
        r.pidxDesc = quint32(buffers_[1].size());
        r.iSecRecCount = counts[2];
        r.psecDesc = quint32(buffers_[2].size());
        r.iValChkCount = counts[3];
        r.pvchkDesc = quint32(buffers_[3].size());
        r.iRintCount = counts[4];
        r.printDesc = quint32(buffers_[4].size());
        r.iOptParams = counts[5];
        r.pfldOptParams = quint32(buffers_[5].size());
        r.pOptData = quint32(buffers_[6].size());
    }
    RestructDesc* get() { return &desc_; }

  private:
    RestructDesc desc_;
    std::array<std::vector<std::byte>, 7> buffers_;
};

}  // namespace

std::optional<qint32> runVerification(TTableUtil& util, const QString& tablePath) {
    renewHandle(util);
    const ProgressRegistered registered(util);
    qint32 status = 0;
    const QByteArray path = tablePath.toUtf8();
    if (TRVerifyTable(util.LibraryHandle, path.constData(), kDriverType, kVerifyTable, 0, 0,
                      &status) != kTROk)
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
    const QByteArray path = tablePath.toUtf8();
    const ProgressRegistered registered(util);
    qint32 status = 0;
    checkLibrary(util.LibraryHandle, TRVerifyTable(util.LibraryHandle, path.constData(),
                                                   kDriverType, kVerifyTable, 0, 0, &status));
    auto failed = [&](TRResult result, RebuildEnd end) {
        if (failure) *failure = TRErrorText(util.LibraryHandle, result);
        return end;
    };
    std::array<quint16, 7> counts{};
    TRResult result =
        TRGetRestructDescCount(util.LibraryHandle, path.constData(), &counts[0], &counts[1],
                               &counts[2], &counts[3], &counts[4], &counts[5], &counts[6]);
    if (result != kTROk) return failed(result, RebuildEnd::NoCounts);
    Descriptor descriptor(path, counts);
    result = TRFillRestructDesc(util.LibraryHandle, descriptor.get(), path.constData(), 0);
    if (result != kTROk) return failed(result, RebuildEnd::DescriptorFailed);
    result = TRRebuildTable(util.LibraryHandle, path.constData(), kDriverType, kBackupTable,
                            kKeyViolTable, kProblemTable, descriptor.get());
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
