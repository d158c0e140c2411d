#pragma once
// Test hooks of the debt run: a named point at which a test can have the process killed, to prove
// that a run killed at that moment leaves the tables as they were.
//
// When the environment variable ORVANTA_TEST_CRASH_AT holds the point's name, the process ends
// there at once with SIGKILL (no clean-up, no destructors, no rollback). The variable is read
// once; without it the hook only compares a pointer.

namespace orv::billing {

void TEST_crashPoint(const char* point);

// When ORVANTA_TEST_PAUSE_AT holds the point's name, the process stops itself there with
// SIGSTOP, so that a test can act on the tables while the run is held at that moment and then
// let it go on with SIGCONT.
void TEST_pausePoint(const char* point);

}  // namespace orv::billing
