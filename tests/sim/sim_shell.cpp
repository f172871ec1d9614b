#include "tests/sim/sim_shell.h"

#include "tests/sim/simulated_windows.h"

namespace sim {

void InstallShellExports(SimulatedWindows&) {}

void InstallShellApi(SimulatedWindows&, sys::SystemApi&) {}

}  // namespace sim
