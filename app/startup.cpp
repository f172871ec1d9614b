#include "app/startup.h"

#include <cstring>

#include "core/dbcs.h"
#include "core/external_functions.h"
#include "core/fatal_error.h"
#include "core/process_state.h"
#include "core/system_api.h"
#include "core/texts.h"

namespace app {

namespace {

// The executable's folder becomes the current directory, wherever the program was
// started from.
void EnterExecutableFolder(core::ProcessState& state) {
  const sys::SystemApi& api = sys::System();
  char path[sys::kMaxPath];
  sys::Dword length = api.GetModuleFileNameA(path, sizeof path);
  if (length == 0 || length >= sizeof path) return;  // failed or cut short: stay where we are
  std::size_t cut = core::FindLastBackslash(path, length);
  if (cut == 0) return;
  std::memcpy(state.executableFolder, path, cut - 1);
  state.executableFolder[cut - 1] = '\0';

  // "C:" alone would mean the drive's own current directory, not its root.
  char folder[sys::kMaxPath + 1];
  std::strcpy(folder, state.executableFolder);
  if (cut - 1 == 2 && folder[1] == ':') std::strcpy(folder + 2, "\\");
  api.SetCurrentDirectoryA(folder);
}

}  // namespace

int StartProgram() {
  const sys::SystemApi& api = sys::System();
  core::ProcessState& state = core::Process();

  // S_OK and S_FALSE both need a matching uninitialise; a failure does not.
  state.oleInitialised = api.OleInitialize() >= 0;
  EnterExecutableFolder(state);
  // The table of external functions is static data: nothing is loaded until a call.

  sys::Hwnd window = api.CreateMainWindow();
  if (!window) core::ReportFatalError(texts::kFatalWindowCreation, 0);
  state.mainWindow = window;

  state.loopStarted = true;
  return api.RunMessageLoop();
}

int RunProgram() {
  int exitCode = StartProgram();

  core::ProcessState& state = core::Process();
  ++state.shutdownCounter;
  core::ReleaseExternalFunctions();
  if (state.oleInitialised) {
    state.oleInitialised = false;
    sys::System().OleUninitialize();
  }
  return exitCode;
}

}  // namespace app
