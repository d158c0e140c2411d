#pragma once
// The verification and rebuild sequences of the verify and rebuild window, shared with
// orvanta-cli: release and reacquire the library handle, register the progress callback, call
// the library, unregister on every path, and the message line for the outcome. They run on
// whatever thread calls them (the window runs them off its own thread).
//
// A verification that fails inside a rebuild is raised as Error(Engine).

#include "repair/TableUtil.h"

#include <QString>
#include <optional>

namespace orv::repair {

inline constexpr char kDriverType[] = "NATIVE";
inline constexpr char kVerifyTable[] = "VERIFY.DB";
inline constexpr char kBackupTable[] = "Backup.Db";
inline constexpr char kKeyViolTable[] = "KEYVIOL.DB";
inline constexpr char kProblemTable[] = "PROBLEM.DB";
inline constexpr char kErrorTable[] = "Rebuild.DB";
inline constexpr char kDescriptorError[] = "Error Filling table structure";

// The verification status, or nothing when the library call failed.
std::optional<qint32> runVerification(TTableUtil& util, const QString& tablePath);
// The message line for a verification ("" when the call failed).
QString verificationMessage(const std::optional<qint32>& status);

enum class RebuildEnd {
    Rebuilt,           // "Rebuild was successful."
    RowsLost,          // the table was rebuilt without the rows of unreadable cells:
                       // "Rebuild was not successful."
    NotRebuilt,        // the rebuild call failed: "Rebuild was not successful."
    NoCounts,          // the descriptor counts could not be read: no message
    DescriptorFailed,  // the descriptor could not be filled: "Error Filling table structure"
};
// failure, when given, receives the library's text when the end is not Rebuilt.
RebuildEnd runRebuild(TTableUtil& util, const QString& tablePath, QString* failure = nullptr);
// The message line for a rebuild ("" when there is none).
QString rebuildMessage(RebuildEnd end);

}  // namespace orv::repair
