// A stand-in for a file that someone put next to the program under the name of a
// system library. Loading it leaves a marker file beside it, which the test looks for.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

namespace {

void LeaveMarker(HINSTANCE self) {
  char path[MAX_PATH + 32];
  DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  char* slash = std::strrchr(path, '\\');
  if (!slash) return;
  std::strcpy(slash + 1, "planted-comdlg32-loaded");
  HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
}

}  // namespace

// Exported under the name the program binds, so that a loader that took this file would
// bind successfully and the test could say so instead of ending in a fatal error.
extern "C" __declspec(dllexport) BOOL WINAPI GetOpenFileNameA(void*) { return FALSE; }

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) LeaveMarker(self);
  return TRUE;
}
