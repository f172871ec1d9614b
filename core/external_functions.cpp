#include "core/external_functions.h"

#include <cstring>

#include "core/fatal_error.h"
#include "core/system_api.h"
#include "core/texts.h"

namespace core {

namespace {

ExternalFunctionEntry g_table[kExternalFunctionCount] = {
    {"advapi32.dll", "RegOpenKeyExA", nullptr, nullptr},
    {"advapi32.dll", "RegQueryValueExA", nullptr, nullptr},
    {"advapi32.dll", "RegCloseKey", nullptr, nullptr},
    {"kernel32", "GetModuleHandleA", nullptr, nullptr},
    {"kernel32", "GetProcAddress", nullptr, nullptr},
    {"kernel32.dll", "GetNativeSystemInfo", nullptr, nullptr},
    {"kernel32", "LoadLibraryA", nullptr, nullptr},
    {"kernel32", "FreeLibrary", nullptr, nullptr},
    {"Advapi32.dll", "RegCreateKeyExA", nullptr, nullptr},
    {"advapi32.dll", "RegSetValueExA", nullptr, nullptr},
    {"Comdlg32", "GetOpenFileNameA", nullptr, nullptr},
    {"shlwapi.dll", "PathFileExistsA", nullptr, nullptr},
};

bool HasExtension(const char* name) {
  const char* lastSeparator = std::strrchr(name, '\\');
  const char* base = lastSeparator ? lastSeparator + 1 : name;
  return std::strchr(base, '.') != nullptr;
}

}  // namespace

bool BuildSystemLibraryPath(const char* systemDirectory, const char* name, char* out, std::size_t capacity) {
  std::size_t dirLength = std::strlen(systemDirectory);
  std::size_t nameLength = std::strlen(name);
  bool needsSeparator = dirLength == 0 || systemDirectory[dirLength - 1] != '\\';
  const char* extension = HasExtension(name) ? "" : ".dll";
  std::size_t total = dirLength + (needsSeparator ? 1 : 0) + nameLength + std::strlen(extension);
  if (dirLength == 0 || total + 1 > capacity) return false;
  std::memcpy(out, systemDirectory, dirLength);
  std::size_t at = dirLength;
  if (needsSeparator) out[at++] = '\\';
  std::memcpy(out + at, name, nameLength);
  at += nameLength;
  std::strcpy(out + at, extension);
  return true;
}

bool SystemDirectoryPath(const char* name, char* out, std::size_t capacity) {
  char directory[sys::kMaxPath];
  sys::Dword length = sys::System().GetSystemDirectoryA(directory, sizeof directory);
  if (length == 0 || length >= sizeof directory) return false;
  return BuildSystemLibraryPath(directory, name, out, capacity);
}

sys::Hmodule LoadSystemLibrary(const char* name) {
  const sys::SystemApi& api = sys::System();
  if (sys::Hmodule module = api.LoadLibraryExA(name, sys::kLoadLibrarySearchSystem32)) return module;
  // Windows without the search flags: name the file in the system directory in full.
  char path[sys::kMaxPath + 32];
  if (!SystemDirectoryPath(name, path, sizeof path)) return nullptr;
  return api.LoadLibraryA(path);
}

sys::FarProc BindExternalFunction(int index) {
  ExternalFunctionEntry& entry = g_table[index];
  if (entry.address) return entry.address;

  const sys::SystemApi& api = sys::System();
  sys::Hmodule module = LoadSystemLibrary(entry.library);
  if (module) entry.address = api.GetProcAddress(module, entry.function);
  if (entry.address) {
    entry.module = module;
    return entry.address;
  }
  if (module) api.FreeLibrary(module);

  char message[256];
  const char* names[] = {entry.library, entry.function};
  FormatText(message, sizeof message, texts::kFatalBindingFailed, names, 2);
  ReportFatalError(message, 0);
}

const ExternalFunctionEntry& ExternalFunctionAt(int index) { return g_table[index]; }

void ReleaseExternalFunctions() {
  const sys::SystemApi& api = sys::System();
  for (ExternalFunctionEntry& entry : g_table) {
    if (entry.module) api.FreeLibrary(entry.module);
    entry.module = nullptr;
    entry.address = nullptr;
  }
}

}  // namespace core
