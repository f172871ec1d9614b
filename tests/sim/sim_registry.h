// The simulated registry, close to what Wine's real one does for the calls the program
// makes: five predefined roots, each with two views on 64-bit Windows (a 32-bit
// process reaches the native view only with KEY_WOW64_64KEY; a 64-bit process sees it
// as its own), keys matched without letter case, values kept as their exact bytes,
// handles with their access masks, and the thread's file-system redirection and the
// reflection switches of the 64-bit support functions. Every call is logged, and any
// call can be made to fail.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/system_types.h"

namespace sim {

class SimulatedWindows;

enum class View {
  kNative,  // the only view on 32-bit Windows; the 64-bit view on 64-bit Windows
  kWow32,   // what a 32-bit process sees on 64-bit Windows unless it asks otherwise
};

struct SimValue {
  std::string name;  // as written; "" is the default value
  sys::Dword type = 0;
  std::vector<unsigned char> bytes;
};

struct SimKey {
  std::string name;
  std::map<std::string, std::unique_ptr<SimKey>> subkeys;  // by lower-case name
  std::map<std::string, SimValue> values;                  // by lower-case name
};

struct SimRegistry {
  SimRegistry() = default;
  SimRegistry(const SimRegistry&) = delete;
  SimRegistry& operator=(const SimRegistry&) = delete;

  // ---- Set-up and inspection. Paths are relative to the root, names split by "\".
  void AddKey(std::uint32_t root, const std::string& keyPath, View view = View::kNative);
  void PutValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName, sys::Dword type,
                const std::string& bytes, View view = View::kNative);
  bool KeyExists(std::uint32_t root, const std::string& keyPath, View view = View::kNative) const;
  const SimValue* FindValue(std::uint32_t root, const std::string& keyPath, const std::string& valueName,
                            View view = View::kNative) const;
  // Removes a key with everything below it (what "reg delete ... /f" does).
  bool DeleteKeyTree(std::uint32_t root, const std::string& keyPath, View view = View::kNative);
  // Every key and value of every root and view, one line each, for "nothing changed".
  std::string Dump() const;

  // Opening a key of this root for any write access fails with ERROR_ACCESS_DENIED,
  // as it does for a user without administrator rights.
  std::set<std::uint32_t> readOnlyRoots;

  // ---- Faults: call `nth` (1-based) of `function` fails. Registry functions return
  // `error`; the redirection switches return FALSE; GetModuleHandleA and LoadLibraryA
  // return null.
  void FailCall(const std::string& function, int nth, sys::Long error = sys::kErrorAccessDenied);
  int Calls(const std::string& function) const;

  // ---- What happened.
  std::vector<std::string> log;  // one line per call, in order
  // Every broken rule seen so far plus what is still left open or switched off now:
  // handles not closed, closes out of order (a key before its root), reflection still
  // off at close, redirection not restored, a cookie other than the one handed out.
  std::vector<std::string> Problems() const;
  int OpenHandles() const { return static_cast<int>(openOrder_.size()); }
  bool fsRedirectionDisabled = false;
  std::vector<void*> cookiesHandedOut;
  std::vector<void*> cookiesReverted;

  // ---- Used by the simulated exports.
  sys::Long OpenKey(sys::Hkey key, const char* subKey, sys::Dword options, sys::Dword access, sys::Hkey* result);
  sys::Long CreateKey(sys::Hkey key, const char* subKey, sys::Dword reserved, char* keyClass, sys::Dword options,
                      sys::Dword access, const void* security, sys::Hkey* result, sys::Dword* disposition);
  sys::Long QueryValue(sys::Hkey key, const char* valueName, sys::Dword* reserved, sys::Dword* type,
                       sys::Byte* data, sys::Dword* size);
  sys::Long SetValue(sys::Hkey key, const char* valueName, sys::Dword reserved, sys::Dword type,
                     const sys::Byte* data, sys::Dword size);
  sys::Long CloseKey(sys::Hkey key);
  sys::Bool DisableRedirection(void** oldValue);
  sys::Bool RevertRedirection(void* oldValue);
  sys::Long SwitchReflection(bool disable, sys::Hkey key);
  // True when this call of the function is one that a test made fail.
  bool Fails(const std::string& function, sys::Long* error = nullptr);

 private:
  struct OpenHandle {
    std::uint32_t root;
    View view;
    std::vector<std::string> path;  // lower-case names from the root
    sys::Dword access;
    bool reflectionOff = false;
  };
  struct Location {
    std::uint32_t root;
    View view;
    std::vector<std::string> path;
  };

  bool Is64BitWindows() const;
  View DefaultView() const;
  View ViewFor(sys::Dword access, View inherited) const;
  bool Resolve(sys::Hkey key, Location* where, sys::Dword* access) const;
  SimKey* Tree(std::uint32_t root, View view);
  const SimKey* Tree(std::uint32_t root, View view) const;
  SimKey* Walk(const Location& where);
  const SimKey* Walk(const Location& where) const;
  sys::Hkey NewHandle(const Location& where, sys::Dword access);
  std::string Name(sys::Hkey key) const;
  void Note(const std::string& line) { log.push_back(line); }

  std::map<std::pair<std::uint32_t, View>, SimKey> trees_;
  std::map<sys::Hkey, OpenHandle> handles_;
  std::vector<sys::Hkey> openOrder_;  // every open not yet closed, predefined roots included
  std::map<std::string, std::map<int, sys::Long>> faults_;
  std::map<std::string, int> calls_;
  std::vector<std::string> problems_;
  std::vector<bool> redirectionBefore_;  // the state each handed-out cookie saved
  std::uintptr_t nextHandle_ = 0x1000;
};

// Adds the registry exports (advapi32) and the 64-bit support functions to the system.
void InstallRegistryExports(SimulatedWindows& windows);

// Splits "A\B\C" into its names, as the system does: empty names (a doubled or final
// backslash) are skipped. False for a path that starts with a backslash.
bool SplitKeyPath(const std::string& path, std::vector<std::string>* names);

}  // namespace sim
