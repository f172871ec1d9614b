#include "tests/wine/registry/scratch.h"

#include "app/win32/system_api.h"

namespace scratch {

namespace {

std::string g_path;
HKEY g_root = nullptr;
HKEY g_classes = nullptr;
HKEY g_user = nullptr;

HKEY Create(HKEY parent, const char* name) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

}  // namespace

bool Begin(const char* tag) {
  sys::InstallSystemApi(&WindowsSystemApi());
  g_path = std::string("Software\\SetImageEditorTests\\") + tag + "-" + std::to_string(GetCurrentProcessId());
  RegDeleteTreeA(HKEY_CURRENT_USER, g_path.c_str());
  g_root = Create(HKEY_CURRENT_USER, g_path.c_str());
  if (!g_root) return false;
  g_classes = Create(g_root, "classes");
  g_user = Create(g_root, "user");
  if (!g_classes || !g_user || RegOverridePredefKey(HKEY_CLASSES_ROOT, g_classes) != ERROR_SUCCESS) {
    End();
    return false;
  }
  // Make sure the mapping holds for the way the program opens the root.
  const std::string marker = "SetImageEditorMarker-" + std::to_string(GetCurrentProcessId());
  HKEY root = nullptr;
  HKEY probe = nullptr;
  bool mapped = false;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "", 0, KEY_READ | KEY_WRITE, &root) == ERROR_SUCCESS) {
    if ((probe = Create(root, marker.c_str()))) RegCloseKey(probe);
    RegCloseKey(root);
    if (RegOpenKeyExA(g_classes, marker.c_str(), 0, KEY_READ, &probe) == ERROR_SUCCESS) {
      RegCloseKey(probe);
      mapped = true;
    }
  }
  RegDeleteKeyA(g_classes, marker.c_str());
  if (!mapped) {
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, marker.c_str());  // it went to the real one
    End();
    return false;
  }
  return true;
}

void End() {
  RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  for (HKEY* key : {&g_classes, &g_user, &g_root}) {
    if (*key) RegCloseKey(*key);
    *key = nullptr;
  }
  if (!g_path.empty()) RegDeleteTreeA(HKEY_CURRENT_USER, g_path.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SetImageEditorTests");  // only when empty
}

const std::string& Path() { return g_path; }
HKEY Classes() { return g_classes; }
HKEY User() { return g_user; }

void Clear() {
  RegDeleteTreeA(g_classes, nullptr);
  RegDeleteTreeA(g_user, nullptr);
}

bool Run(const std::string& commandLine, std::string* output, DWORD* exitCode) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return false;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION started = {};
  std::string line = commandLine;
  BOOL ok = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                           &started);
  CloseHandle(writeEnd);
  if (!ok) {
    CloseHandle(readEnd);
    return false;
  }
  output->clear();
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got) output->append(buffer, got);
  CloseHandle(readEnd);
  WaitForSingleObject(started.hProcess, INFINITE);
  GetExitCodeProcess(started.hProcess, exitCode);
  CloseHandle(started.hProcess);
  CloseHandle(started.hThread);
  return true;
}

}  // namespace scratch
