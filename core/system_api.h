// The seam between the program's logic and Windows: every system service the logic
// uses, other than the functions it binds by name (external_functions.h), goes through
// this table. The Windows layer fills it with thin calls into the real API; the tests
// fill it with a simulated Windows.
#pragma once

#include "core/system_types.h"

namespace sys {

struct SystemApi {
  // True in a 64-bit build: the process's own registry view is then already the
  // 64-bit one, and the WoW64 switches of the 32-bit exe do not apply.
  bool processIs64Bit;

  // Libraries. GetProcAddress/FreeLibrary also serve the names bound at run time.
  Hmodule (*LoadLibraryExA)(const char* fileName, Dword flags);
  Hmodule (*LoadLibraryA)(const char* fileName);
  FarProc (*GetProcAddress)(Hmodule module, const char* procName);
  Bool (*FreeLibrary)(Hmodule module);
  Dword (*GetSystemDirectoryA)(char* buffer, Dword size);
  Dword (*GetLastError)();

  // The process.
  Dword (*GetModuleFileNameA)(char* buffer, Dword size);  // of the executable itself
  Bool (*SetCurrentDirectoryA)(const char* path);
  Dword (*GetCurrentDirectoryA)(Dword size, char* buffer);
  void (*ExitProcess)(Dword exitCode);  // does not return
  Long (*OleInitialize)();
  void (*OleUninitialize)();

  // Starting another program (CreateProcessA with STARTUPINFOA reduced to the two
  // members the program sets; no security attributes, no environment block).
  Bool (*CreateProcessA)(const char* applicationName, char* commandLine, Bool inheritHandles,
                         Dword creationFlags, const char* currentDirectory, Dword startupFlags,
                         Word showWindow, Handle* process, Handle* thread);
  Dword (*WaitForInputIdle)(Handle process, Dword milliseconds);
  Bool (*CloseHandle)(Handle handle);

  // The user interface.
  int (*MessageBoxA)(Hwnd owner, const char* text, const char* caption, Dword type);
  // Creates the main window from its description and shows it; null on failure.
  Hwnd (*CreateMainWindow)();
  // Runs the message loop until the quit message; returns the exit code it carries.
  int (*RunMessageLoop)();
};

// The table in force. Set once at process start (or by a test), never null after that.
const SystemApi& System();
void InstallSystemApi(const SystemApi* api);

}  // namespace sys
