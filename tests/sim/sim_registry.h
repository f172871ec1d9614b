// The simulated registry: filled in with the registry code.
#pragma once

namespace sim {

class SimulatedWindows;

struct SimRegistry {};

// Adds the registry exports (advapi32) and the 64-bit support functions to the system.
void InstallRegistryExports(SimulatedWindows& windows);

}  // namespace sim
