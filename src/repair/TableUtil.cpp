#include "repair/TableUtil.h"

#include "core/Error.h"

namespace orv::repair {

void checkLibrary(const TRHandle& handle, TRResult result) {
    if (result != kTROk) raise(Error::Kind::Engine, TRErrorText(handle, result));
}

bool TTableUtil::FillTableProps(const QString& tablePath) {
    CURProps props;
    if (TRFillTableProps(LibraryHandle, tablePath, props) != kTROk) return false;
    TableProps = props;
    return true;
}

void TTableUtil::RegisterProgress() {
    LibraryHandle.progress = [this](const repair::ProgressInfo& info) { ProgressCallback(info); };
}

void TTableUtil::UnregisterProgress() { LibraryHandle.progress = nullptr; }

void TTableUtil::ProgressCallback(const repair::ProgressInfo& info) {
    ProgressInfo = info;
    const int phase = info.ePhase;
    if (phase != kPhaseHeader && phase != kPhaseIndexes && phase != kPhaseData &&
        phase != kPhaseRebuild)
        return;
    if (sink_) sink_(phase, info.iPercentDone);
}

}  // namespace orv::repair
