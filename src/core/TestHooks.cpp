#include "core/TestHooks.h"

#include <atomic>

namespace orv {
namespace {
std::atomic<TestHook> g_hook{nullptr};
std::atomic<TestHook> g_pauseHook{nullptr};
}  // namespace

void TEST_crashPoint(const char* point) {
    if (const TestHook hook = g_hook.load(std::memory_order_acquire)) hook(point);
}

TestHook TEST_setHook(TestHook hook) { return g_hook.exchange(hook, std::memory_order_acq_rel); }

void TEST_pausePoint(const char* point) {
    if (const TestHook hook = g_pauseHook.load(std::memory_order_acquire)) hook(point);
}

TestHook TEST_setPauseHook(TestHook hook) {
    return g_pauseHook.exchange(hook, std::memory_order_acq_rel);
}

}  // namespace orv
