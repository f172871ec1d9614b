#include "core/external_functions.h"
#include "registry/registry.h"

namespace registry {

namespace {

constexpr sys::Dword kWriteAccess = sys::kKeyRead | sys::kKeyWrite;
constexpr sys::Dword kWriteAccess64 = sys::kKeyRead | sys::kKeyWrite | sys::kKeyWow64_64Key;

// The value as stored: the caller's bytes and one zero byte, unless they are raw.
core::ByteBuffer StoredBytes(const core::ByteBuffer& data, OptionalInt rawData) {
  core::ByteBuffer stored = data;
  if (!(rawData.given && rawData.value == 1)) stored.AppendByte(0);
  return stored;
}

// Opens a second handle to the root itself with write access (the first test of the
// rights), then creates or opens the key below it; key and root are open on success.
bool OpenRootAndCreateKey(sys::Hkey root, const core::Text& keyPath, sys::Dword access, sys::Hkey* rootHandle,
                          sys::Hkey* key) {
  if (core::Bound<sys::RegOpenKeyExAFn>(core::kRegOpenKeyExA)(root, "", 0, access, rootHandle) != sys::kErrorSuccess)
    return false;
  sys::Dword disposition = 0;
  if (core::Bound<sys::RegCreateKeyExAFn>(core::kRegCreateKeyExA)(*rootHandle, keyPath.c_str(), 0, nullptr,
                                                                  sys::kRegOptionNonVolatile, access, nullptr, key,
                                                                  &disposition) != sys::kErrorSuccess) {
    core::Bound<sys::RegCloseKeyFn>(core::kRegCloseKey)(*rootHandle);
    return false;
  }
  return true;
}

// An empty value name reaches the system as no name at all: the default value.
bool SetValue(sys::Hkey key, const core::Text& valueName, sys::Dword type, const core::ByteBuffer& stored) {
  return core::Bound<sys::RegSetValueExAFn>(core::kRegSetValueExA)(key, valueName.OrNull(), 0, type, stored.data(),
                                                                   static_cast<sys::Dword>(stored.size())) ==
         sys::kErrorSuccess;
}

void CloseKeyThenRoot(sys::Hkey key, sys::Hkey rootHandle) {
  auto closeKey = core::Bound<sys::RegCloseKeyFn>(core::kRegCloseKey);
  closeKey(key);
  closeKey(rootHandle);
}

}  // namespace

int WriteRegistryValue(int rootCode, const core::Text& path, const core::ByteBuffer& data, OptionalInt valueType,
                       OptionalInt rawData, int use64BitView) {
  if (!valueType.given) valueType = Given(static_cast<int>(sys::kRegSz));
  core::Text keyPath;
  core::Text valueName;
  SplitRegistryPath(path, &keyPath, &valueName);
  return WriteRegistryKeyValue(rootCode, keyPath, valueName, data, valueType, rawData, use64BitView);
}

int WriteRegistryKeyValue(int rootCode, const core::Text& keyPath, const core::Text& valueName,
                          const core::ByteBuffer& data, OptionalInt valueType, OptionalInt rawData,
                          int use64BitView) {
  sys::Dword type = valueType.given ? static_cast<sys::Dword>(valueType.value) : sys::kRegSz;
  sys::Hkey root = RootKeyFromCode(rootCode);
  core::ByteBuffer stored = StoredBytes(data, rawData);
  sys::Hkey rootHandle = nullptr;
  sys::Hkey key = nullptr;
  int result = 0;

  if (!UseWow64Path(use64BitView)) {
    if (!OpenRootAndCreateKey(root, keyPath, kWriteAccess, &rootHandle, &key)) return 0;
    result = SetValue(key, valueName, type, stored) ? 1 : 0;
    CloseKeyThenRoot(key, rootHandle);
    return result;
  }

  // Redirection stays off for the whole write; keys created before a failed value
  // write stay in the registry.
  void* oldValue = nullptr;
  if (!DisableFsRedirection(&oldValue)) return 0;
  if (OpenRootAndCreateKey(root, keyPath, kWriteAccess64, &rootHandle, &key)) {
    DisableRegistryReflection(key);
    result = SetValue(key, valueName, type, stored) ? 1 : 0;
    EnableRegistryReflection(key);
    CloseKeyThenRoot(key, rootHandle);
  }
  RevertFsRedirection(oldValue);
  return result;
}

}  // namespace registry
