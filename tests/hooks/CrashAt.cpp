// The hook of the test programs (orvanta_test_hooks): installed at start-up, it ends the process
// with SIGKILL at the point named by ORVANTA_TEST_CRASH_AT, read once.

#include "billing/TestHooks.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

void crashAt(const char* point) {
    static const char* const target = std::getenv("ORVANTA_TEST_CRASH_AT");
    if (target != nullptr && std::strcmp(target, point) == 0) std::raise(SIGKILL);
}

[[maybe_unused]] const bool g_installed = (orv::billing::TEST_setHook(crashAt), true);

}  // namespace
