// Registry access: root key codes and registry paths, the 64-bit view of a 32-bit
// process on 64-bit Windows, a probe that tells whether a key or value is present,
// and the writer that creates keys and stores values. Every routine opens and closes
// its own handles and gives 1 or 0; none of them shows anything to the user.
#pragma once

#include "core/system_types.h"
#include "core/text.h"

namespace registry {

// An int parameter the caller may leave out. Value-initialised ({}) means omitted.
struct OptionalInt {
  bool given;
  int value;
};
inline constexpr OptionalInt kOmitted{false, 0};
inline constexpr OptionalInt Given(int value) { return OptionalInt{true, value}; }

// Root key codes: 1 HKEY_CLASSES_ROOT, 2 HKEY_CURRENT_CONFIG, 3 HKEY_CURRENT_USER,
// 4 HKEY_LOCAL_MACHINE, 5 HKEY_USERS. Any other code is a fatal error (code 9).
sys::Hkey RootKeyFromCode(int rootCode);

// Cuts "Key1\Key2\Name" into "Key1\Key2" and "Name". A path that ends with a backslash
// names its key's default value and stays whole; a path without a backslash is a key.
// The cut never falls on the second byte of a double-byte character.
void SplitRegistryPath(const core::Text& path, core::Text* keyPath, core::Text* valueName);

// 64-bit Windows and the switches around an operation in its 64-bit view. Each looks
// its system function up by name at each call; a missing function gives 0.
int IsNative64BitWindows();
int DisableFsRedirection(void** oldValue);
int RevertFsRedirection(void* oldValue);
int DisableRegistryReflection(sys::Hkey key);
int EnableRegistryReflection(sys::Hkey key);

// Whether a call with this use64BitView works in the 64-bit view through the WoW64
// switches: only a 32-bit process on native 64-bit Windows that asked for it with
// exactly 1. A 64-bit process already sees the 64-bit view as its own.
bool UseWow64Path(int use64BitView);

// Stores data at rootCode\path, creating every missing key. valueType omitted: REG_SZ.
// rawData exactly 1 stores data as it is; otherwise one zero byte is appended.
// use64BitView exactly 1 asks for the 64-bit view. 1 when the value was set.
int WriteRegistryValue(int rootCode, const core::Text& path, const core::ByteBuffer& data, OptionalInt valueType,
                       OptionalInt rawData, int use64BitView);
// The same with the key path and the value name apart; an empty valueName is the
// key's default value.
int WriteRegistryKeyValue(int rootCode, const core::Text& keyPath, const core::Text& valueName,
                          const core::ByteBuffer& data, OptionalInt valueType, OptionalInt rawData,
                          int use64BitView);

// 1 when rootCode\path is present: for a path without a value name, the key opens for
// reading; otherwise the value exists and holds at least one byte. Changes nothing.
int RegistryValueExists(int rootCode, const core::Text& path, int use64BitView);

}  // namespace registry
