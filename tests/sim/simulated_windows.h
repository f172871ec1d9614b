// A simulated Windows for the native tests: it fills the system table (the seam) and
// exports the functions the program binds by name, and records everything the program
// asks of the system so that a test can assert on it. One instance at a time; its
// constructor installs it and resets the process-wide state of the program.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/system_api.h"
#include "tests/sim/sim_registry.h"
#include "tests/sim/sim_shell.h"

namespace sim {

// Thrown by the simulated ExitProcess, so that a test sees the end of the process.
struct SimulatedExit {
  unsigned code;
};

struct MessageBoxCall {
  sys::Hwnd owner;
  std::string text;
  std::string caption;
  sys::Dword type;
};

struct LibraryLoad {
  std::string requested;  // the name or path the program passed
  sys::Dword flags;       // LoadLibraryExA flags; 0 for LoadLibraryA
  std::string loadedFrom; // full path of the file loaded, empty when the load failed
};

class SimulatedWindows {
 public:
  SimulatedWindows();
  ~SimulatedWindows();
  SimulatedWindows(const SimulatedWindows&) = delete;
  SimulatedWindows& operator=(const SimulatedWindows&) = delete;

  static SimulatedWindows& Current();

  // ---- Libraries. Names are matched without letter case; "x" means "x.dll".
  // Every library starts out in the system directory; a planted one sits elsewhere.
  void AddExport(const std::string& library, const std::string& function, sys::FarProc address);
  void RemoveExport(const std::string& library, const std::string& function);
  void RemoveLibrary(const std::string& library);
  // A file of a system library's name put into another folder (e.g. the program's).
  void PlantLibrary(const std::string& fullPath);
  // How many references the program holds on the library now (loads minus releases).
  int References(const std::string& library) const;
  int TotalReferences() const;
  bool searchFlagsSupported = true;  // LOAD_LIBRARY_SEARCH_SYSTEM32 known to the loader
  std::vector<LibraryLoad> loads;
  int freeLibraryCalls = 0;

  // ---- The process.
  std::string systemDirectory = "C:\\Windows\\system32";
  std::string executablePath = "C:\\Tools\\SetImageEditor.exe";
  std::string currentDirectory = "C:\\Users\\artist";
  std::vector<std::string> currentDirectoryChanges;
  sys::Word processorArchitecture = sys::kProcessorArchitectureIntel;
  bool processIs64Bit = false;  // the program is the 32-bit exe unless a test says otherwise
  sys::Long oleInitializeResult = 0;
  int oleInitializeCalls = 0;
  int oleUninitializeCalls = 0;
  sys::Dword lastError = 0;

  // ---- The user interface.
  std::vector<MessageBoxCall> messageBoxes;
  std::function<void(const MessageBoxCall&)> onMessageBox;  // runs while the box is "up"
  bool failWindowCreation = false;
  int createWindowCalls = 0;
  std::function<int()> messageLoop;  // default: the user closes the window at once (0)

  // ---- The registry and the shell, kept in their own parts.
  SimRegistry registry;
  SimShell shell;

  // Used by the simulated exports.
  sys::Hmodule Load(const std::string& requested, sys::Dword flags);
  sys::FarProc Lookup(sys::Hmodule module, const std::string& function);
  bool Release(sys::Hmodule module);
  sys::Hmodule ModuleHandle(const std::string& library) const;
  void UpdateApi();

 private:
  struct Library {
    std::map<std::string, sys::FarProc> exports;  // lower-case names
    int references = 0;
    sys::Hmodule handle = nullptr;
  };
  static std::string Key(const std::string& library);
  Library* Find(const std::string& library);
  const Library* Find(const std::string& library) const;

  std::map<std::string, Library> libraries_;        // by lower-case base name
  std::map<std::string, std::string> planted_;      // lower-case full path -> base name
  std::map<sys::Hmodule, std::string> planted_handles_;
  sys::SystemApi api_{};
  int nextHandle_ = 1;
};

}  // namespace sim
