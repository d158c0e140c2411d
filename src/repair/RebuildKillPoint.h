#pragma once
// Test hook of the rebuild: with ORVANTA_TEST_KILL_REBUILD_AT=N in the environment the process
// kills itself (SIGKILL) at the N-th kill point it passes, so that a test can stop a rebuild at
// every step and look at what is left. Costs one counter test when the variable is not set.

namespace orv::repair {

void TEST_rebuildKillPoint();

}  // namespace orv::repair
