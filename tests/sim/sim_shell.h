// The simulated shell: the open-file dialog, the file system as PathFileExistsA sees
// it, and started processes. Filled in with the commands.
#pragma once

#include "core/system_api.h"

namespace sim {

class SimulatedWindows;

struct SimShell {};

// Adds the comdlg32 and shlwapi exports to the system.
void InstallShellExports(SimulatedWindows& windows);
// Fills the seam's process-start entries.
void InstallShellApi(SimulatedWindows& windows, sys::SystemApi& api);

}  // namespace sim
