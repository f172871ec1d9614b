// What the process keeps for its whole life: the only global state of the program.
#pragma once

#include "core/system_types.h"

namespace core {

struct ProcessState {
  int shutdownCounter = 0;  // above 0: no event reaches a handler any more
  bool loopStarted = false;
  bool oleInitialised = false;
  char executableFolder[sys::kMaxPath] = {};  // without a trailing backslash
  sys::Hwnd mainWindow = nullptr;
};

ProcessState& Process();

// Back to the state of a process that has just started (for tests).
void ResetProcessState();

}  // namespace core
