// The table of system functions the program calls by name: each entry is bound (its
// library loaded, the function looked up) at its first call and stays bound until the
// process ends. A library or function that cannot be found is a fatal error.
#pragma once

#include <cstddef>

#include "core/system_types.h"

namespace core {

enum ExternalFunction : int {
  kRegOpenKeyExA = 0,
  kRegQueryValueExA = 1,
  kRegCloseKey = 2,
  kGetModuleHandleA = 3,
  kGetProcAddress = 4,
  kGetNativeSystemInfo = 5,
  kLoadLibraryA = 6,
  kFreeLibrary = 7,
  kRegCreateKeyExA = 8,
  kRegSetValueExA = 9,
  kGetOpenFileNameA = 10,
  kPathFileExistsA = 11,
  kExternalFunctionCount = 12,
};

struct ExternalFunctionEntry {
  const char* library;   // exactly as the table names it, letter case included
  const char* function;
  sys::FarProc address;  // filled at the first call
  sys::Hmodule module;   // the library loaded for this entry
};

// The entry's address, binding it first if needed. Returns only with a valid address.
sys::FarProc BindExternalFunction(int index);

// Read-only view of an entry (for tests and diagnostics).
const ExternalFunctionEntry& ExternalFunctionAt(int index);

// Releases the library of every bound entry, once per entry, and unbinds it.
void ReleaseExternalFunctions();

// Loads a system library from the system directory only, never from the program's
// folder or the current directory (where anyone may have put a file of that name).
sys::Hmodule LoadSystemLibrary(const char* name);

// "<systemDirectory>\<name>", with ".dll" added when the name has no extension.
// Returns false when it does not fit.
bool BuildSystemLibraryPath(const char* systemDirectory, const char* name, char* out, std::size_t capacity);

// The same path in the system directory the system reports. False when that directory
// cannot be read or the path does not fit.
bool SystemDirectoryPath(const char* name, char* out, std::size_t capacity);

// Calls through the table. With the declared calling convention the callee always
// removes exactly the arguments it was given, so no stack check is needed after them.
template <typename Fn>
inline Fn Bound(ExternalFunction index) {
  return reinterpret_cast<Fn>(BindExternalFunction(index));
}

}  // namespace core
