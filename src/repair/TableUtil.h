#pragma once
// TTableUtil: the wrapper of the table-repair library that the verify and rebuild window owns.
// It holds the library handle, reads a table's properties into TableProps, and registers on the
// handle the progress callback that moves the window's four bars: ProgressCallback hands the
// phase and percentage of each report to the sink, on the thread running the library call (the
// sink must be safe to call there).

#include "repair/RepairRecords.h"
#include "repair/TableRepair.h"

#include <QString>
#include <functional>

namespace orv::repair {

class TTableUtil {
  public:
    TTableUtil() : LibraryHandle(TRInit()) {}
    ~TTableUtil() { TRExit(LibraryHandle); }
    TTableUtil(const TTableUtil&) = delete;
    TTableUtil& operator=(const TTableUtil&) = delete;

    // TRFillTableProps into TableProps; true exactly when it succeeded (TableProps unchanged
    // otherwise).
    bool FillTableProps(const QString& tablePath);
    // Registers ProgressCallback on the library handle, and removes it.
    void RegisterProgress();
    void UnregisterProgress();

    // Receives (phase code, percentage) of each progress report.
    void setProgressSink(std::function<void(int phase, int percent)> sink) {
        sink_ = std::move(sink);
    }

    // Keeps the report in ProgressInfo and hands a report of a phase with a bar to the sink.
    void ProgressCallback(const repair::ProgressInfo& info);

    repair::ProgressInfo ProgressInfo;
    repair::CURProps TableProps;
    TRHandle LibraryHandle;

  private:
    std::function<void(int, int)> sink_;
};

// Raises the library's text for a non-zero result as Error(Engine).
void checkLibrary(const TRHandle& handle, TRResult result);

}  // namespace orv::repair
