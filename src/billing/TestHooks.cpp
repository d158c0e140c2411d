#include "billing/TestHooks.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace orv::billing {

void TEST_crashPoint(const char* point) {
    static const char* const target = std::getenv("ORVANTA_TEST_CRASH_AT");
    if (target != nullptr && std::strcmp(target, point) == 0) std::raise(SIGKILL);
}

void TEST_pausePoint(const char* point) {
    static const char* const target = std::getenv("ORVANTA_TEST_PAUSE_AT");
    if (target != nullptr && std::strcmp(target, point) == 0) std::raise(SIGSTOP);
}

}  // namespace orv::billing
