// The life of the process: start-up, the message loop, and the normal shutdown.
#pragma once

namespace app {

// Start-up and the message loop; returns the exit code the quit message carried.
int StartProgram();

// Everything from start to end: StartProgram, then the normal shutdown. Returns the
// process's exit code.
int RunProgram();

}  // namespace app
