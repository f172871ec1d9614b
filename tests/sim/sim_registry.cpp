#include "tests/sim/sim_registry.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tests/sim/simulated_windows.h"

namespace sim {

namespace {

constexpr sys::Long kErrorBadPathname = 161;
constexpr sys::Long kErrorNoAccess = 998;
constexpr sys::Long kErrorCallNotImplemented = 120;
constexpr sys::Dword kErrorInvalidFunction = 1;
// Wine's limits: a longer key name is refused with ERROR_MORE_DATA, a longer value name
// with ERROR_INVALID_PARAMETER.
constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;
constexpr sys::Dword kAllAccess = 0xF003F;
// Everything that changes a key or its values, or the key's security.
constexpr sys::Dword kWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000;
constexpr std::uint32_t kRoots[] = {sys::kHkeyClassesRoot, sys::kHkeyCurrentUser, sys::kHkeyLocalMachine,
                                    sys::kHkeyUsers, sys::kHkeyCurrentConfig};

// Names are compared without ASCII letter case; the second byte of a double-byte
// character is left as it is (it may look like a capital letter).
std::string Lower(const std::string& text) {
  std::string out = text;
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(out[i]);
    if (byte >= 0x80) {
      ++i;
    } else if (byte >= 'A' && byte <= 'Z') {
      out[i] = static_cast<char>(byte - 'A' + 'a');
    }
  }
  return out;
}

std::string RootName(std::uint32_t root) {
  switch (root) {
    case sys::kHkeyClassesRoot: return "HKCR";
    case sys::kHkeyCurrentUser: return "HKCU";
    case sys::kHkeyLocalMachine: return "HKLM";
    case sys::kHkeyUsers: return "HKU";
    case sys::kHkeyCurrentConfig: return "HKCC";
    default: return "?";
  }
}

bool PredefinedRoot(sys::Hkey key, std::uint32_t* root) {
  for (std::uint32_t candidate : kRoots) {
    if (key == sys::PredefinedKey(candidate)) {
      *root = candidate;
      return true;
    }
  }
  return false;
}

std::string Hex(sys::Dword value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
  return text;
}

std::string Quoted(const char* text) { return text ? "\"" + std::string(text) + "\"" : "null"; }

SimRegistry& Registry() { return SimulatedWindows::Current().registry; }

// ---- advapi32.
sys::Long SYSAPI ExportRegOpenKeyExA(sys::Hkey key, const char* subKey, sys::Dword options, sys::Dword access,
                                     sys::Hkey* result) {
  return Registry().OpenKey(key, subKey, options, access, result);
}
sys::Long SYSAPI ExportRegCreateKeyExA(sys::Hkey key, const char* subKey, sys::Dword reserved, char* keyClass,
                                       sys::Dword options, sys::Dword access, const void* security,
                                       sys::Hkey* result, sys::Dword* disposition) {
  return Registry().CreateKey(key, subKey, reserved, keyClass, options, access, security, result, disposition);
}
sys::Long SYSAPI ExportRegQueryValueExA(sys::Hkey key, const char* valueName, sys::Dword* reserved,
                                        sys::Dword* type, sys::Byte* data, sys::Dword* size) {
  return Registry().QueryValue(key, valueName, reserved, type, data, size);
}
sys::Long SYSAPI ExportRegSetValueExA(sys::Hkey key, const char* valueName, sys::Dword reserved, sys::Dword type,
                                      const sys::Byte* data, sys::Dword size) {
  return Registry().SetValue(key, valueName, reserved, type, data, size);
}
sys::Long SYSAPI ExportRegCloseKey(sys::Hkey key) { return Registry().CloseKey(key); }
sys::Long SYSAPI ExportRegDisableReflectionKey(sys::Hkey key) { return Registry().SwitchReflection(true, key); }
sys::Long SYSAPI ExportRegEnableReflectionKey(sys::Hkey key) { return Registry().SwitchReflection(false, key); }

// ---- kernel32.
sys::Bool SYSAPI ExportWow64DisableWow64FsRedirection(void** oldValue) {
  return Registry().DisableRedirection(oldValue);
}
sys::Bool SYSAPI ExportWow64RevertWow64FsRedirection(void* oldValue) {
  return Registry().RevertRedirection(oldValue);
}
// The loader's exports again, so that a test can make them fail like the rest.
sys::Hmodule SYSAPI ExportGetModuleHandleA(const char* name) {
  if (Registry().Fails("GetModuleHandleA")) return nullptr;
  return SimulatedWindows::Current().ModuleHandle(name ? name : "");
}
sys::Hmodule SYSAPI ExportLoadLibraryA(const char* name) {
  if (Registry().Fails("LoadLibraryA")) return nullptr;
  return SimulatedWindows::Current().Load(name ? name : "", 0);
}

template <typename Fn>
sys::FarProc AsFarProc(Fn fn) {
  return reinterpret_cast<sys::FarProc>(fn);
}

void DumpKey(const SimKey& key, const std::string& prefix, std::string* out) {
  for (const auto& value : key.values) {
    *out += prefix + " [" + value.second.name + "] " + std::to_string(value.second.type) + ":";
    for (unsigned char byte : value.second.bytes) *out += " " + std::to_string(byte);
    *out += "\n";
  }
  for (const auto& sub : key.subkeys) {
    *out += prefix + "\\" + sub.second->name + "\n";
    DumpKey(*sub.second, prefix + "\\" + sub.second->name, out);
  }
}

}  // namespace

bool SplitKeyPath(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  if (!path.empty() && path[0] == '\\') return false;
  std::string current;
  for (std::size_t i = 0; i < path.size(); ++i) {
    unsigned char byte = static_cast<unsigned char>(path[i]);
    if (byte >= 0x80 && i + 1 < path.size()) {
      // A double-byte character; its second byte may be 0x5C and is no separator.
      current += path[i];
      current += path[++i];
    } else if (byte == '\\') {
      if (!current.empty()) names->push_back(current);
      current.clear();
    } else {
      current += path[i];
    }
  }
  if (!current.empty()) names->push_back(current);
  return true;
}

void InstallRegistryExports(SimulatedWindows& windows) {
  windows.AddExport("advapi32.dll", "RegOpenKeyExA", AsFarProc(ExportRegOpenKeyExA));
  windows.AddExport("advapi32.dll", "RegCreateKeyExA", AsFarProc(ExportRegCreateKeyExA));
  windows.AddExport("advapi32.dll", "RegQueryValueExA", AsFarProc(ExportRegQueryValueExA));
  windows.AddExport("advapi32.dll", "RegSetValueExA", AsFarProc(ExportRegSetValueExA));
  windows.AddExport("advapi32.dll", "RegCloseKey", AsFarProc(ExportRegCloseKey));
  windows.AddExport("advapi32.dll", "RegDisableReflectionKey", AsFarProc(ExportRegDisableReflectionKey));
  windows.AddExport("advapi32.dll", "RegEnableReflectionKey", AsFarProc(ExportRegEnableReflectionKey));
  windows.AddExport("kernel32", "Wow64DisableWow64FsRedirection", AsFarProc(ExportWow64DisableWow64FsRedirection));
  windows.AddExport("kernel32", "Wow64RevertWow64FsRedirection", AsFarProc(ExportWow64RevertWow64FsRedirection));
  windows.AddExport("kernel32", "GetModuleHandleA", AsFarProc(ExportGetModuleHandleA));
  windows.AddExport("kernel32", "LoadLibraryA", AsFarProc(ExportLoadLibraryA));
}

// ---- Set-up and inspection.

SimKey* SimRegistry::Tree(std::uint32_t root, View view) {
  if (!Is64BitWindows()) view = View::kNative;
  return &trees_[{root, view}];
}

const SimKey* SimRegistry::Tree(std::uint32_t root, View view) const {
  if (!Is64BitWindows()) view = View::kNative;
  auto it = trees_.find({root, view});
  return it == trees_.end() ? nullptr : &it->second;
}

SimKey* SimRegistry::Walk(const Location& where) {
  SimKey* key = Tree(where.root, where.view);
  for (const std::string& name : where.path) {
    auto it = key->subkeys.find(name);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

const SimKey* SimRegistry::Walk(const Location& where) const {
  const SimKey* key = Tree(where.root, where.view);
  for (const std::string& name : where.path) {
    if (!key) return nullptr;
    auto it = key->subkeys.find(name);
    if (it == key->subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

void SimRegistry::AddKey(std::uint32_t root, const std::string& keyPath, View view) {
  std::vector<std::string> names;
  SplitKeyPath(keyPath, &names);
  SimKey* key = Tree(root, view);
  for (const std::string& name : names) {
    std::unique_ptr<SimKey>& sub = key->subkeys[Lower(name)];
    if (!sub) {
      sub.reset(new SimKey);
      sub->name = name;
    }
    key = sub.get();
  }
}

void SimRegistry::PutValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                           sys::Dword type, const std::string& bytes, View view) {
  AddKey(root, keyPath, view);
  std::vector<std::string> names;
  SplitKeyPath(keyPath, &names);
  for (std::string& name : names) name = Lower(name);
  SimKey* key = Walk(Location{root, view, names});
  SimValue& value = key->values[Lower(valueName)];
  value.name = valueName;
  value.type = type;
  value.bytes.assign(bytes.begin(), bytes.end());
}

bool SimRegistry::KeyExists(std::uint32_t root, const std::string& keyPath, View view) const {
  std::vector<std::string> names;
  if (!SplitKeyPath(keyPath, &names)) return false;
  for (std::string& name : names) name = Lower(name);
  return Walk(Location{root, view, names}) != nullptr;
}

const SimValue* SimRegistry::FindValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                                       View view) const {
  std::vector<std::string> names;
  if (!SplitKeyPath(keyPath, &names)) return nullptr;
  for (std::string& name : names) name = Lower(name);
  const SimKey* key = Walk(Location{root, view, names});
  if (!key) return nullptr;
  auto it = key->values.find(Lower(valueName));
  return it == key->values.end() ? nullptr : &it->second;
}

bool SimRegistry::DeleteKeyTree(std::uint32_t root, const std::string& keyPath, View view) {
  std::vector<std::string> names;
  if (!SplitKeyPath(keyPath, &names) || names.empty()) return false;
  for (std::string& name : names) name = Lower(name);
  std::string last = names.back();
  names.pop_back();
  SimKey* parent = Walk(Location{root, view, names});
  return parent && parent->subkeys.erase(last) > 0;
}

std::string SimRegistry::Dump() const {
  std::string out;
  for (const auto& tree : trees_) {
    std::string prefix = RootName(tree.first.first) + (tree.first.second == View::kWow32 ? "(32)" : "");
    DumpKey(tree.second, prefix, &out);
  }
  return out;
}

// ---- Faults and the record.

void SimRegistry::FailCall(const std::string& function, int nth, sys::Long error) { faults_[function][nth] = error; }

int SimRegistry::Calls(const std::string& function) const {
  auto it = calls_.find(function);
  return it == calls_.end() ? 0 : it->second;
}

bool SimRegistry::Fails(const std::string& function, sys::Long* error) {
  int nth = ++calls_[function];
  auto byFunction = faults_.find(function);
  if (byFunction == faults_.end()) return false;
  auto fault = byFunction->second.find(nth);
  if (fault == byFunction->second.end()) return false;
  if (error) *error = fault->second;
  Note("fault: " + function + " #" + std::to_string(nth));
  return true;
}

std::vector<std::string> SimRegistry::Problems() const {
  std::vector<std::string> all = problems_;
  for (sys::Hkey key : openOrder_) all.push_back("left open: " + Name(key));
  if (fsRedirectionDisabled) all.push_back("file-system redirection left off");
  for (void* cookie : cookiesHandedOut) {
    if (std::find(cookiesReverted.begin(), cookiesReverted.end(), cookie) == cookiesReverted.end())
      all.push_back("redirection cookie never given back");
  }
  return all;
}

// ---- The model.

bool SimRegistry::Is64BitWindows() const {
  sys::Word architecture = SimulatedWindows::Current().processorArchitecture;
  return architecture == sys::kProcessorArchitectureAmd64 || architecture == sys::kProcessorArchitectureIa64 ||
         architecture == sys::kProcessorArchitectureIa32OnWin64;
}

View SimRegistry::DefaultView() const {
  return !Is64BitWindows() || SimulatedWindows::Current().processIs64Bit ? View::kNative : View::kWow32;
}

View SimRegistry::ViewFor(sys::Dword access, View inherited) const {
  if (!Is64BitWindows()) return View::kNative;
  if (access & sys::kKeyWow64_64Key) return View::kNative;
  if (access & sys::kKeyWow64_32Key) return View::kWow32;
  return inherited;
}

bool SimRegistry::Resolve(sys::Hkey key, Location* where, sys::Dword* access) const {
  std::uint32_t root;
  if (PredefinedRoot(key, &root)) {
    *where = Location{root, DefaultView(), {}};
    *access = kAllAccess;
    return true;
  }
  auto it = handles_.find(key);
  if (it == handles_.end()) return false;
  *where = Location{it->second.root, it->second.view, it->second.path};
  *access = it->second.access;
  return true;
}

sys::Hkey SimRegistry::NewHandle(const Location& where, sys::Dword access) {
  sys::Hkey handle = reinterpret_cast<sys::Hkey>(nextHandle_);
  nextHandle_ += 4;
  handles_[handle] = OpenHandle{where.root, where.view, where.path, access};
  openOrder_.push_back(handle);
  return handle;
}

std::string SimRegistry::Name(sys::Hkey key) const {
  std::uint32_t root;
  if (PredefinedRoot(key, &root)) return RootName(root);
  auto it = handles_.find(key);
  if (it == handles_.end()) return "bad handle " + Hex(static_cast<sys::Dword>(reinterpret_cast<std::uintptr_t>(key)));
  std::string name = RootName(it->second.root) + (it->second.view == View::kWow32 ? "(32)" : "");
  for (const std::string& part : it->second.path) name += "\\" + part;
  return name;
}

sys::Long SimRegistry::OpenKey(sys::Hkey key, const char* subKey, sys::Dword options, sys::Dword access,
                               sys::Hkey* result) {
  Note("RegOpenKeyExA " + Name(key) + " " + Quoted(subKey) + " " + Hex(access));
  sys::Long error = 0;
  if (Fails("RegOpenKeyExA", &error)) return error;
  Location where;
  sys::Dword held;
  if (!Resolve(key, &where, &held)) return sys::kErrorInvalidHandle;
  if (options != 0 || !result) return sys::kErrorInvalidParameter;
  std::uint32_t root;
  bool writes = (access & kWriteRights) != 0;
  if (writes && readOnlyRoots.count(where.root)) return sys::kErrorAccessDenied;
  if ((!subKey || !*subKey) && PredefinedRoot(key, &root)) {
    // The system hands back the predefined key itself (Wine and Windows alike).
    openOrder_.push_back(key);
    *result = key;
    return sys::kErrorSuccess;
  }
  std::vector<std::string> names;
  if (!SplitKeyPath(subKey ? subKey : "", &names)) return kErrorBadPathname;
  if (PredefinedRoot(key, &root)) where.view = ViewFor(access, where.view);
  for (const std::string& name : names) where.path.push_back(Lower(name));
  if (!Walk(where)) return sys::kErrorFileNotFound;
  *result = NewHandle(where, access);
  return sys::kErrorSuccess;
}

sys::Long SimRegistry::CreateKey(sys::Hkey key, const char* subKey, sys::Dword reserved, char* keyClass,
                                 sys::Dword options, sys::Dword access, const void* security, sys::Hkey* result,
                                 sys::Dword* disposition) {
  Note("RegCreateKeyExA " + Name(key) + " " + Quoted(subKey) + " " + Hex(access) +
       (keyClass || security || options != sys::kRegOptionNonVolatile ? " unexpected class/options/security" : ""));
  sys::Long error = 0;
  if (Fails("RegCreateKeyExA", &error)) return error;
  Location where;
  sys::Dword held;
  if (!Resolve(key, &where, &held)) return sys::kErrorInvalidHandle;
  if (reserved != 0 || !result || !subKey) return sys::kErrorInvalidParameter;
  std::vector<std::string> names;
  if (!SplitKeyPath(subKey, &names)) return kErrorBadPathname;
  for (const std::string& name : names)
    if (name.size() > kMaxKeyName) return sys::kErrorMoreData;
  if ((access & kWriteRights) && readOnlyRoots.count(where.root)) return sys::kErrorAccessDenied;
  std::uint32_t root;
  if (PredefinedRoot(key, &root)) where.view = ViewFor(access, where.view);

  SimKey* at = Walk(where);
  if (!at) return sys::kErrorFileNotFound;  // the parent went away while open
  bool created = false;
  for (const std::string& name : names) {
    std::unique_ptr<SimKey>& sub = at->subkeys[Lower(name)];
    if (!sub) {
      // Windows asks for the right to create below the handle it is given.
      if (!(held & sys::kKeyCreateSubKey)) {
        at->subkeys.erase(Lower(name));
        return sys::kErrorAccessDenied;
      }
      sub.reset(new SimKey);
      sub->name = name;
      created = true;
    }
    at = sub.get();
    where.path.push_back(Lower(name));
  }
  if (disposition) *disposition = created ? 1 : 2;  // REG_CREATED_NEW_KEY, REG_OPENED_EXISTING_KEY
  *result = NewHandle(where, access);
  return sys::kErrorSuccess;
}

sys::Long SimRegistry::QueryValue(sys::Hkey key, const char* valueName, sys::Dword* reserved, sys::Dword* type,
                                  sys::Byte* data, sys::Dword* size) {
  Note("RegQueryValueExA " + Name(key) + " " + Quoted(valueName) + (type ? " type" : "") + (data ? " data" : "") +
       (size ? " size" : ""));
  sys::Long error = 0;
  if (Fails("RegQueryValueExA", &error)) return error;
  Location where;
  sys::Dword held;
  if (!Resolve(key, &where, &held)) return sys::kErrorInvalidHandle;
  if (!(held & sys::kKeyQueryValue)) return sys::kErrorAccessDenied;
  if (reserved || (data && !size)) return sys::kErrorInvalidParameter;
  const SimKey* at = Walk(where);
  if (!at) return sys::kErrorFileNotFound;
  auto it = at->values.find(Lower(valueName ? valueName : ""));
  if (it == at->values.end()) return sys::kErrorFileNotFound;
  const SimValue& value = it->second;
  sys::Dword length = static_cast<sys::Dword>(value.bytes.size());
  if (type) *type = value.type;
  if (data) {
    if (*size < length) {
      *size = length;
      return sys::kErrorMoreData;
    }
    if (length) std::memcpy(data, value.bytes.data(), length);
  }
  if (size) *size = length;
  return sys::kErrorSuccess;
}

sys::Long SimRegistry::SetValue(sys::Hkey key, const char* valueName, sys::Dword reserved, sys::Dword type,
                                const sys::Byte* data, sys::Dword size) {
  Note("RegSetValueExA " + Name(key) + " " + Quoted(valueName) + " type " + std::to_string(type) + " size " +
       std::to_string(size) + (data ? "" : " no data"));
  sys::Long error = 0;
  if (Fails("RegSetValueExA", &error)) return error;
  Location where;
  sys::Dword held;
  if (!Resolve(key, &where, &held)) return sys::kErrorInvalidHandle;
  if (!(held & sys::kKeySetValue)) return sys::kErrorAccessDenied;
  if (reserved != 0) return sys::kErrorInvalidParameter;
  if (valueName && std::strlen(valueName) > kMaxValueName) return sys::kErrorInvalidParameter;
  if (!data && size) return kErrorNoAccess;  // what Wine answers for a count without bytes
  SimKey* at = Walk(where);
  if (!at) return sys::kErrorFileNotFound;
  std::string name = valueName ? valueName : "";
  SimValue& value = at->values[Lower(name)];
  value.name = name;
  value.type = type;
  value.bytes.assign(data, data + size);
  return sys::kErrorSuccess;
}

sys::Long SimRegistry::CloseKey(sys::Hkey key) {
  Note("RegCloseKey " + Name(key));
  sys::Long error = 0;
  if (Fails("RegCloseKey", &error)) return error;
  std::uint32_t root;
  bool predefined = PredefinedRoot(key, &root);
  auto handle = handles_.find(key);
  if (!predefined && handle == handles_.end()) {
    problems_.push_back("closed a handle that is not open");
    return sys::kErrorInvalidHandle;
  }
  auto last = std::find(openOrder_.rbegin(), openOrder_.rend(), key);
  if (last == openOrder_.rend()) {
    if (predefined) return sys::kErrorSuccess;  // closing a predefined key is harmless
  } else {
    // Handles close in the reverse order of their opening: a key before its root.
    if (last != openOrder_.rbegin()) problems_.push_back("closed out of order: " + Name(key));
    openOrder_.erase(std::next(last).base());
  }
  if (handle != handles_.end()) {
    if (handle->second.reflectionOff) problems_.push_back("closed with reflection off: " + Name(key));
    handles_.erase(handle);
  }
  return sys::kErrorSuccess;
}

sys::Bool SimRegistry::DisableRedirection(void** oldValue) {
  Note("Wow64DisableWow64FsRedirection");
  SimulatedWindows& windows = SimulatedWindows::Current();
  if (Fails("Wow64DisableWow64FsRedirection")) return 0;
  if (!Is64BitWindows() || windows.processIs64Bit) {
    // Not a WoW64 process: there is nothing to switch (Wine answers the same).
    windows.lastError = kErrorInvalidFunction;
    return 0;
  }
  redirectionBefore_.push_back(fsRedirectionDisabled);
  void* cookie = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x5EED0000u + 0x10u * redirectionBefore_.size()));
  cookiesHandedOut.push_back(cookie);
  *oldValue = cookie;
  fsRedirectionDisabled = true;
  return 1;
}

sys::Bool SimRegistry::RevertRedirection(void* oldValue) {
  Note("Wow64RevertWow64FsRedirection");
  SimulatedWindows& windows = SimulatedWindows::Current();
  if (Fails("Wow64RevertWow64FsRedirection")) return 0;
  if (!Is64BitWindows() || windows.processIs64Bit) {
    windows.lastError = kErrorInvalidFunction;
    return 0;
  }
  auto given = std::find(cookiesHandedOut.begin(), cookiesHandedOut.end(), oldValue);
  bool reverted = std::find(cookiesReverted.begin(), cookiesReverted.end(), oldValue) != cookiesReverted.end();
  if (given == cookiesHandedOut.end() || reverted) {
    problems_.push_back("redirection reverted with a value it never handed out");
    windows.lastError = static_cast<sys::Dword>(sys::kErrorInvalidParameter);
    return 0;
  }
  fsRedirectionDisabled = redirectionBefore_[static_cast<std::size_t>(given - cookiesHandedOut.begin())];
  cookiesReverted.push_back(oldValue);
  return 1;
}

sys::Long SimRegistry::SwitchReflection(bool disable, sys::Hkey key) {
  std::string function = disable ? "RegDisableReflectionKey" : "RegEnableReflectionKey";
  Note(function + " " + Name(key));
  sys::Long error = 0;
  if (Fails(function, &error)) return error;
  if (!Is64BitWindows()) return kErrorCallNotImplemented;
  auto handle = handles_.find(key);
  if (handle == handles_.end()) {
    problems_.push_back(function + " on a key that is not open");
    return sys::kErrorInvalidHandle;
  }
  handle->second.reflectionOff = disable;
  return sys::kErrorSuccess;
}

}  // namespace sim
