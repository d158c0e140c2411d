#pragma once
// Test hooks: named points ("after-totals", "copy-swap", "rebuild-rows") at which a test can step
// in, to have the process killed there and prove that a command killed at that moment leaves the
// tables as they were or as they would be when done, or to hold it there while something else
// happens.
//
// The programs install no hook: a point then costs one load of a null pointer. Test programs
// link orvanta_test_hooks, which installs at start-up the hook that ends the process at once with
// SIGKILL (no clean-up, no destructors, no rollback) at the point named by the environment
// variable ORVANTA_TEST_CRASH_AT ("name", or "name:N" for its N-th passing); a test may install a
// hook of its own instead. The hook runs on the thread that passes the point.

namespace orv {

using TestHook = void (*)(const char* point);

void TEST_crashPoint(const char* point);
// Installs hook (nullptr: none) for every later point; returns the one it replaces.
TestHook TEST_setHook(TestHook hook);

// A point at which a test may hold the command (the test hooks stop the process with SIGSTOP at
// the point named by ORVANTA_TEST_PAUSE_AT) while it acts on the tables, then let it go on.
void TEST_pausePoint(const char* point);
TestHook TEST_setPauseHook(TestHook hook);

}  // namespace orv
