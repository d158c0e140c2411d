#include "billing/TestHooks.h"

#include <atomic>

namespace orv::billing {
namespace {
std::atomic<TestHook> g_hook{nullptr};
}

void TEST_crashPoint(const char* point) {
    if (const TestHook hook = g_hook.load(std::memory_order_acquire)) hook(point);
}

TestHook TEST_setHook(TestHook hook) { return g_hook.exchange(hook, std::memory_order_acq_rel); }

}  // namespace orv::billing
