#pragma once
// TTableUtil: the wrapper of the table-repair library that the verify and rebuild window owns.
// It holds the library handle (acquired at construction, released at destruction), reads a
// table's properties into TableProps, and registers the progress callback that moves the
// window's four bars. There is one TTableUtil in the process; ProgressCallback reaches it as
// that one instance and hands the phase and percentage to its sink, on the thread running the
// library call (the sink must be safe to call there).

#include "repair/RepairRecords.h"
#include "repair/TableRepair.h"

#include <QString>
#include <functional>

namespace orv::repair {

class TTableUtil {
  public:
    // Calls TRInit; throws Error(Engine) with the library's text when it fails.
    TTableUtil();
    // Calls TRExit. A failure cannot be raised from a destructor and is dropped.
    ~TTableUtil();
    TTableUtil(const TTableUtil&) = delete;
    TTableUtil& operator=(const TTableUtil&) = delete;

    // TRFillTableProps into TableProps; true exactly when it succeeded (TableProps unchanged
    // otherwise).
    bool FillTableProps(const QString& tablePath);
    // Registers and unregisters ProgressCallback; throw Error(Engine) on a non-zero result.
    void RegisterProgress();
    void UnregisterProgress();

    // Receives (phase code, percentage) of each progress report.
    void setProgressSink(std::function<void(int phase, int percent)> sink) {
        sink_ = std::move(sink);
    }

    static quint16 ProgressCallback(quint16 callbackType, quint32 clientData, void* buffer);

    repair::ProgressInfo ProgressInfo{};
    repair::CURProps TableProps{};
    TRHandle LibraryHandle = 0;

  private:
    std::function<void(int, int)> sink_;
};

// Raises the library's text for a non-zero result as Error(Engine).
void checkLibrary(TRHandle handle, TRResult result);

}  // namespace orv::repair
