#include "repair/TableUtil.h"

#include "core/Error.h"
#include "repair/ProgressCallback.h"

#include <QByteArray>
#include <QFile>
#include <atomic>

namespace orv::repair {
namespace {

std::atomic<TTableUtil*> theInstance{nullptr};

}  // namespace

void checkLibrary(TRHandle handle, TRResult result) {
    if (result != kTROk) raise(Error::Kind::Engine, TRErrorText(handle, result));
}

TTableUtil::TTableUtil() {
    const TRResult result = TRInit(&LibraryHandle);
    checkLibrary(LibraryHandle, result);
    theInstance = this;
}

TTableUtil::~TTableUtil() {
    TTableUtil* self = this;
    theInstance.compare_exchange_strong(self, nullptr);
    TRExit(LibraryHandle);
}

bool TTableUtil::FillTableProps(const QString& tablePath) {
    CURProps props{};
    if (TRFillTableProps(LibraryHandle, tablePath.toUtf8().constData(), &props) != kTROk)
        return false;
    TableProps = props;
    return true;
}

void TTableUtil::RegisterProgress() {
    checkLibrary(LibraryHandle,
                 DbiRegisterCallBack(nullptr, kCallbackGenProgress, 0, sizeof ProgressInfo,
                                     &ProgressInfo, &TTableUtil::ProgressCallback));
}

void TTableUtil::UnregisterProgress() {
    checkLibrary(LibraryHandle, DbiRegisterCallBack(nullptr, kCallbackGenProgress, 0,
                                                    sizeof ProgressInfo, &ProgressInfo, nullptr));
}

quint16 TTableUtil::ProgressCallback(quint16 callbackType, quint32, void* buffer) {
    if (callbackType != kCallbackGenProgress) return 0;
    const auto* info = static_cast<const struct ProgressInfo*>(buffer);
    const int phase = info->ePhase;
    const int percent = info->iPercentDone;
    if (phase != kPhaseHeader && phase != kPhaseIndexes && phase != kPhaseData &&
        phase != kPhaseRebuild)
        return 0;
    if (TTableUtil* util = theInstance.load(); util && util->sink_) util->sink_(phase, percent);
    return 0;
}

}  // namespace orv::repair
