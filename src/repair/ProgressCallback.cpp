#include "repair/ProgressCallback.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>

namespace orv::repair {
namespace {

struct Registration {
    std::mutex mutex;
    ProgressFunction function = nullptr;
    quint32 clientData = 0;
    ProgressInfo* buffer = nullptr;
    std::array<int, 9> last{};  // last percentage reported per phase
};

Registration& registration() {
    static Registration r;
    return r;
}

}  // namespace

quint16 DbiRegisterCallBack(void* /*cursor*/, quint16 callbackType, quint32 clientData,
                            quint16 bufferLength, void* buffer, ProgressFunction function) {
    Registration& r = registration();
    const std::lock_guard lock(r.mutex);
    if (callbackType != kCallbackGenProgress) return 1;
    if (function && (!buffer || bufferLength < sizeof(ProgressInfo))) return 1;
    r.function = function;
    r.clientData = clientData;
    r.buffer = function ? static_cast<ProgressInfo*>(buffer) : nullptr;
    r.last.fill(-1);
    return 0;
}

void reportProgress(quint8 phase, int percent) {
    Registration& r = registration();
    const std::lock_guard lock(r.mutex);
    if (!r.function || phase >= r.last.size()) return;
    percent = std::clamp(percent, 0, 100);
    if (r.last[phase] == percent) return;
    r.last[phase] = percent;
    std::memset(r.buffer, 0, sizeof(ProgressInfo));
    r.buffer->iPercentDone = quint16(percent);
    r.buffer->ePhase = phase;
    r.function(kCallbackGenProgress, r.clientData, r.buffer);
}

}  // namespace orv::repair
