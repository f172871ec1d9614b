// The real system table: each entry is one call into the Windows API, nothing more.
#include "app/win32/system_api.h"

#include <windows.h>
#include <ole2.h>

#include <cstddef>

#include "app/win32/main_window.h"

// Our own declarations must match the system's.
static_assert(sizeof(sys::SystemInfo) == sizeof(SYSTEM_INFO), "SYSTEM_INFO layout");
static_assert(offsetof(sys::SystemInfo, dwNumberOfProcessors) == offsetof(SYSTEM_INFO, dwNumberOfProcessors),
              "SYSTEM_INFO layout");
static_assert(offsetof(sys::OpenFileNameA, lpTemplateName) == offsetof(OPENFILENAMEA, lpTemplateName),
              "OPENFILENAMEA layout");
static_assert(sizeof(sys::OpenFileNameA) == offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(void*),
              "pre-2000 OPENFILENAMEA size (OPENFILENAME_SIZE_VERSION_400A)");
static_assert(offsetof(sys::OpenFileNameA, Flags) == offsetof(OPENFILENAMEA, Flags), "OPENFILENAMEA layout");
static_assert(sys::kKeyRead == KEY_READ && sys::kKeyWrite == KEY_WRITE && sys::kKeyWow64_64Key == KEY_WOW64_64KEY,
              "registry access masks");
static_assert(sys::kRegSz == REG_SZ && sys::kRegExpandSz == REG_EXPAND_SZ && sys::kRegNone == REG_NONE,
              "registry value types");
static_assert(sys::kMbOk == MB_OK && sys::kMbIconError == MB_ICONERROR && sys::kMbTaskModal == MB_TASKMODAL,
              "message box flags");
static_assert(sys::kLoadLibrarySearchSystem32 == 0x00000800, "LOAD_LIBRARY_SEARCH_SYSTEM32");
static_assert(sys::kProcessorArchitectureAmd64 == PROCESSOR_ARCHITECTURE_AMD64 &&
                  sys::kProcessorArchitectureIa64 == PROCESSOR_ARCHITECTURE_IA64 &&
                  sys::kProcessorArchitectureIa32OnWin64 == PROCESSOR_ARCHITECTURE_IA32_ON_WIN64,
              "processor architectures");
static_assert(sys::kSwShowNormal == SW_SHOWNORMAL && sys::kStartfUseShowWindow == STARTF_USESHOWWINDOW,
              "show-window settings");
static_assert(sys::kErrorSuccess == ERROR_SUCCESS && sys::kErrorMoreData == ERROR_MORE_DATA, "error codes");

namespace {

sys::Hmodule ToModule(HMODULE module) { return reinterpret_cast<sys::Hmodule>(module); }
HMODULE FromModule(sys::Hmodule module) { return reinterpret_cast<HMODULE>(module); }

sys::Hmodule CallLoadLibraryExA(const char* name, sys::Dword flags) {
  return ToModule(LoadLibraryExA(name, nullptr, flags));
}
sys::Hmodule CallLoadLibraryA(const char* name) { return ToModule(LoadLibraryA(name)); }
sys::FarProc CallGetProcAddress(sys::Hmodule module, const char* name) {
  return reinterpret_cast<sys::FarProc>(GetProcAddress(FromModule(module), name));
}
sys::Bool CallFreeLibrary(sys::Hmodule module) { return FreeLibrary(FromModule(module)); }
sys::Dword CallGetSystemDirectoryA(char* buffer, sys::Dword size) { return GetSystemDirectoryA(buffer, size); }
sys::Dword CallGetLastError() { return GetLastError(); }
sys::Dword CallGetModuleFileNameA(char* buffer, sys::Dword size) { return GetModuleFileNameA(nullptr, buffer, size); }
sys::Bool CallSetCurrentDirectoryA(const char* path) { return SetCurrentDirectoryA(path); }
sys::Dword CallGetCurrentDirectoryA(sys::Dword size, char* buffer) { return GetCurrentDirectoryA(size, buffer); }
void CallExitProcess(sys::Dword code) { ExitProcess(code); }
sys::Long CallOleInitialize() { return OleInitialize(nullptr); }
void CallOleUninitialize() { OleUninitialize(); }

sys::Bool CallCreateProcessA(const char* applicationName, char* commandLine, sys::Bool inheritHandles,
                             sys::Dword creationFlags, const char* currentDirectory, sys::Dword startupFlags,
                             sys::Word showWindow, sys::Handle* process, sys::Handle* thread) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = startupFlags;
  startup.wShowWindow = showWindow;
  PROCESS_INFORMATION started = {};
  BOOL ok = CreateProcessA(applicationName, commandLine, nullptr, nullptr, inheritHandles, creationFlags, nullptr,
                           currentDirectory, &startup, &started);
  if (ok) {
    *process = started.hProcess;
    *thread = started.hThread;
  }
  return ok;
}
sys::Dword CallWaitForInputIdle(sys::Handle process, sys::Dword milliseconds) {
  return WaitForInputIdle(process, milliseconds);
}
sys::Bool CallCloseHandle(sys::Handle handle) { return CloseHandle(handle); }

int CallMessageBoxA(sys::Hwnd owner, const char* text, const char* caption, sys::Dword type) {
  return MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, type);
}

const sys::SystemApi kWindowsSystem = {
    sizeof(void*) == 8,
    CallLoadLibraryExA,
    CallLoadLibraryA,
    CallGetProcAddress,
    CallFreeLibrary,
    CallGetSystemDirectoryA,
    CallGetLastError,
    CallGetModuleFileNameA,
    CallSetCurrentDirectoryA,
    CallGetCurrentDirectoryA,
    CallExitProcess,
    CallOleInitialize,
    CallOleUninitialize,
    CallCreateProcessA,
    CallWaitForInputIdle,
    CallCloseHandle,
    CallMessageBoxA,
    win32::CreateMainWindow,
    win32::RunMessageLoop,
};

}  // namespace

const sys::SystemApi& WindowsSystemApi() { return kWindowsSystem; }
