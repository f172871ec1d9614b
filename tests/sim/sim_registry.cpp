#include "tests/sim/sim_registry.h"

#include "tests/sim/simulated_windows.h"

namespace sim {

void InstallRegistryExports(SimulatedWindows&) {}

}  // namespace sim
