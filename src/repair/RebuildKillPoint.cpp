#include "repair/RebuildKillPoint.h"

#include <QtGlobal>
#include <atomic>

#include <signal.h>
#include <unistd.h>

namespace orv::repair {

void TEST_rebuildKillPoint() {
    static const int killAt = qEnvironmentVariableIntValue("ORVANTA_TEST_KILL_REBUILD_AT");
    static std::atomic<int> passed{0};
    if (killAt > 0 && ++passed == killAt) ::kill(::getpid(), SIGKILL);
}

}  // namespace orv::repair
