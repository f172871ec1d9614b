// The simulated shell: the open-file dialog, the file system as PathFileExistsA sees
// it, and started processes.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/system_api.h"

namespace sim {

class SimulatedWindows;

// What the program handed the dialog: every member as passed, and the contents of the
// buffers behind the pointers at the moment of the call (nullopt for a null pointer).
struct DialogCall {
  sys::OpenFileNameA request;
  std::optional<std::string> filter;        // up to and including the closing double NUL
  std::optional<std::string> customFilter;  // up to its NUL
  std::optional<std::string> file;          // all nMaxFile bytes
  std::optional<std::string> fileTitle;     // all nMaxFileTitle bytes
  std::optional<std::string> initialDir;
  std::optional<std::string> title;
  std::optional<std::string> defExt;
  std::string currentDirectory;             // the process's, when the dialog opened
};

struct StartedProcess {
  std::optional<std::string> applicationName;
  std::string commandLine;
  sys::Bool inheritHandles;
  sys::Dword creationFlags;
  std::optional<std::string> currentDirectory;  // as passed; nullopt: the program's own
  sys::Dword startupFlags;
  sys::Word showWindow;
  std::string programCurrentDirectory;  // the program's current directory at the start
  std::string startedFile;  // the file Windows ran; empty when the start failed
  sys::Handle process;
  sys::Handle thread;
};

struct SimShell {
  // ---- The open-file dialog. The script gets the request as the program passed it
  // and answers as the system would (0 for cancel or failure). Unset: the user cancels.
  std::function<sys::Bool(sys::OpenFileNameA&)> dialog;
  std::vector<DialogCall> dialogCalls;

  // The user picks (or types) this path: it is written into lpstrFile as the dialog
  // does, and the dialog moves the current directory to its folder.
  static std::function<sys::Bool(sys::OpenFileNameA&)> Choose(const std::string& path);
  // The user cancels after browsing to another folder.
  static std::function<sys::Bool(sys::OpenFileNameA&)> CancelIn(const std::string& folder);

  // ---- The file system, as PathFileExistsA sees it (full paths, any letter case).
  void AddFile(const std::string& path);
  bool Exists(const std::string& path) const;
  std::vector<std::string> pathTests;  // every path PathFileExistsA was asked about

  // ---- Processes. A program file is found where Windows looks for it; the system's
  // reg tool is always there.
  std::vector<StartedProcess> processes;
  bool failProcessStart = false;
  // The system's reg tool does its work at once (a "reg delete" of a key of
  // HKEY_CLASSES_ROOT); off: it does nothing, as if it had not run yet.
  bool runRegTool = true;
  std::vector<std::pair<sys::Handle, sys::Dword>> inputIdleWaits;
  std::vector<sys::Handle> closedHandles;
  // How often each handle of a started process was closed.
  int CloseCount(sys::Handle handle) const;

  std::set<std::string> files;  // lower-case full paths
  int nextHandle = 1;
};

// Adds the comdlg32 and shlwapi exports to the system.
void InstallShellExports(SimulatedWindows& windows);
// Fills the seam's process-start entries.
void InstallShellApi(SimulatedWindows& windows, sys::SystemApi& api);

}  // namespace sim
