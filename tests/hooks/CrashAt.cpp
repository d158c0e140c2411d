// The hook of the test programs (orvanta_test_hooks): installed at start-up, it ends the process
// with SIGKILL at the point named by ORVANTA_TEST_CRASH_AT ("name" for its first passing,
// "name:N" for its N-th) and stops it with SIGSTOP at the pause point named by
// ORVANTA_TEST_PAUSE_AT, each read once.

#include "core/TestHooks.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct CrashTarget {
    std::string point;
    long passing = 1;
};

CrashTarget crashTarget() {
    const char* const text = std::getenv("ORVANTA_TEST_CRASH_AT");
    if (text == nullptr) return {};
    CrashTarget target{text};
    if (const auto colon = target.point.rfind(':'); colon != std::string::npos) {
        target.passing = std::strtol(target.point.c_str() + colon + 1, nullptr, 10);
        target.point.resize(colon);
    }
    return target;
}

void crashAt(const char* point) {
    static const CrashTarget target = crashTarget();
    static std::atomic<long> passed{0};
    if (!target.point.empty() && target.point == point && ++passed == target.passing)
        std::raise(SIGKILL);
}

void pauseAt(const char* point) {
    static const char* const target = std::getenv("ORVANTA_TEST_PAUSE_AT");
    if (target != nullptr && std::strcmp(target, point) == 0) std::raise(SIGSTOP);
}

[[maybe_unused]] const bool g_installed =
    (orv::TEST_setHook(crashAt), orv::TEST_setPauseHook(pauseAt), true);

}  // namespace
