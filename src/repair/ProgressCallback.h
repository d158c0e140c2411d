#pragma once
// The engine's registration of a callback for generic progress reports (type 23). The
// table-repair library fills the registered buffer (a ProgressInfo) and calls the function each
// time the percentage of a phase changes. One callback is registered per process; registering
// with no function removes it. Returns 0 on success, non-zero for a buffer that is too small.

#include "repair/RepairRecords.h"

namespace orv::repair {

inline constexpr quint16 kCallbackGenProgress = 23;

using ProgressFunction = quint16 (*)(quint16 callbackType, quint32 clientData, void* buffer);

quint16 DbiRegisterCallBack(void* cursor, quint16 callbackType, quint32 clientData,
                            quint16 bufferLength, void* buffer, ProgressFunction function);

// Called by the library: fills the registered buffer and calls the function, when one is
// registered and the percentage of the phase changed since the last report.
void reportProgress(quint8 phase, int percent);

}  // namespace orv::repair
