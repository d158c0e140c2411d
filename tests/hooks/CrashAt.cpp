// The hook of the test programs (orvanta_test_hooks): installed at start-up, it ends the process
// with SIGKILL at the point named by ORVANTA_TEST_CRASH_AT and stops it with SIGSTOP at the
// pause point named by ORVANTA_TEST_PAUSE_AT, each read once.

#include "billing/TestHooks.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

void crashAt(const char* point) {
    static const char* const target = std::getenv("ORVANTA_TEST_CRASH_AT");
    if (target != nullptr && std::strcmp(target, point) == 0) std::raise(SIGKILL);
}

void pauseAt(const char* point) {
    static const char* const target = std::getenv("ORVANTA_TEST_PAUSE_AT");
    if (target != nullptr && std::strcmp(target, point) == 0) std::raise(SIGSTOP);
}

[[maybe_unused]] const bool g_installed = (orv::billing::TEST_setHook(crashAt),
                                           orv::billing::TEST_setPauseHook(pauseAt), true);

}  // namespace
