#include "core/external_functions.h"
#include "registry/registry.h"

namespace registry {

namespace {

constexpr sys::Dword kProbeAccess = sys::kKeyRead;
constexpr sys::Dword kProbeAccess64 = sys::kKeyRead | sys::kKeyWow64_64Key;

// The size of the value's data in bytes; 0 when it cannot be queried. Without a data
// buffer the system only reports the size.
sys::Dword ValueSize(sys::Hkey key, const core::Text& valueName) {
  sys::Dword size = 0;
  sys::Long status =
      core::Bound<sys::RegQueryValueExAFn>(core::kRegQueryValueExA)(key, valueName.c_str(), nullptr, nullptr, nullptr, &size);
  return status == sys::kErrorSuccess ? size : 0;
}

sys::Long OpenKey(sys::Hkey root, const core::Text& keyPath, sys::Dword access, sys::Hkey* key) {
  return core::Bound<sys::RegOpenKeyExAFn>(core::kRegOpenKeyExA)(root, keyPath.c_str(), 0, access, key);
}

}  // namespace

int RegistryValueExists(int rootCode, const core::Text& path, int use64BitView) {
  sys::Hkey root = RootKeyFromCode(rootCode);
  core::Text keyPath;
  core::Text valueName;
  SplitRegistryPath(path, &keyPath, &valueName);

  sys::Dword size = 0;
  sys::Hkey key = nullptr;

  if (!UseWow64Path(use64BitView)) {
    if (OpenKey(root, keyPath, kProbeAccess, &key) != sys::kErrorSuccess) return 0;
    // A path without a value name asks for the key alone; its default value is not read.
    size = valueName.empty() ? 1 : ValueSize(key, valueName);
    core::Bound<sys::RegCloseKeyFn>(core::kRegCloseKey)(key);
    return size > 0 ? 1 : 0;
  }

  void* oldValue = nullptr;
  if (!DisableFsRedirection(&oldValue)) return 0;
  if (OpenKey(root, keyPath, kProbeAccess64, &key) == sys::kErrorSuccess) {
    if (valueName.empty()) {
      size = 1;
    } else {
      DisableRegistryReflection(key);
      size = ValueSize(key, valueName);
      EnableRegistryReflection(key);
    }
    core::Bound<sys::RegCloseKeyFn>(core::kRegCloseKey)(key);
  }
  RevertFsRedirection(oldValue);
  return size > 0 ? 1 : 0;
}

}  // namespace registry
