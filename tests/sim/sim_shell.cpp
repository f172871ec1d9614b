#include "tests/sim/sim_shell.h"

#include <cctype>
#include <cstring>

#include "tests/sim/simulated_windows.h"

namespace sim {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string FolderOf(const std::string& path) {
  std::size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::optional<std::string> CString(const char* text) {
  if (!text) return std::nullopt;
  return std::string(text);
}

std::optional<std::string> Bytes(const char* bytes, std::size_t count) {
  if (!bytes) return std::nullopt;
  return std::string(bytes, count);
}

// A filter list runs up to two NUL bytes in a row.
std::optional<std::string> FilterList(const char* list) {
  if (!list) return std::nullopt;
  std::size_t n = 0;
  while (!(list[n] == '\0' && list[n + 1] == '\0')) ++n;
  return std::string(list, n + 2);
}

SimShell& Shell() { return SimulatedWindows::Current().shell; }

sys::Bool SYSAPI ExportGetOpenFileNameA(sys::OpenFileNameA* request) {
  SimulatedWindows& windows = SimulatedWindows::Current();
  DialogCall call;
  call.request = *request;
  call.filter = FilterList(request->lpstrFilter);
  call.customFilter = CString(request->lpstrCustomFilter);
  call.file = Bytes(request->lpstrFile, request->nMaxFile);
  call.fileTitle = Bytes(request->lpstrFileTitle, request->nMaxFileTitle);
  call.initialDir = CString(request->lpstrInitialDir);
  call.title = CString(request->lpstrTitle);
  call.defExt = CString(request->lpstrDefExt);
  call.currentDirectory = windows.currentDirectory;
  windows.shell.dialogCalls.push_back(call);
  return windows.shell.dialog ? windows.shell.dialog(*request) : 0;
}

sys::Bool SYSAPI ExportPathFileExistsA(const char* path) {
  SimShell& shell = Shell();
  shell.pathTests.push_back(path ? path : "");
  return path && shell.Exists(path) ? 1 : 0;
}

// The file Windows would run: applicationName as it stands, or else the first word of
// the command line, looked for in the program's folder, the current directory and the
// system directory, in that order.
std::string ProgramFile(const SimulatedWindows& windows, const char* applicationName, const char* commandLine) {
  const SimShell& shell = windows.shell;
  auto present = [&](const std::string& path) {
    return shell.Exists(path) || Lower(path) == Lower(windows.systemDirectory + "\\reg.exe");
  };
  if (applicationName) {
    std::string path = applicationName;
    if (path.find('\\') == std::string::npos) path = windows.currentDirectory + "\\" + path;
    return present(path) ? path : std::string();
  }
  std::string command = commandLine ? commandLine : "";
  std::string name = command[0] == '"' ? command.substr(1, command.find('"', 1) - 1)
                                       : command.substr(0, command.find(' '));
  if (name.find('.') == std::string::npos) name += ".exe";
  if (name.find('\\') != std::string::npos) return present(name) ? name : std::string();
  for (const std::string& folder : {FolderOf(windows.executablePath), windows.currentDirectory,
                                    windows.systemDirectory}) {
    if (present(folder + "\\" + name)) return folder + "\\" + name;
  }
  return std::string();
}

// What the system's reg tool does with "reg delete HKEY_CLASSES_ROOT\<key> /f": the key
// goes with everything below it, in the native view (the tool matches the system).
void RunRegTool(SimulatedWindows& windows, const std::string& commandLine) {
  const std::string prefix = "reg delete HKEY_CLASSES_ROOT\\";
  const std::string suffix = " /f";
  if (commandLine.compare(0, prefix.size(), prefix) != 0 || commandLine.size() < prefix.size() + suffix.size() ||
      commandLine.compare(commandLine.size() - suffix.size(), suffix.size(), suffix) != 0)
    return;
  std::string key = commandLine.substr(prefix.size(), commandLine.size() - prefix.size() - suffix.size());
  windows.registry.DeleteKeyTree(sys::kHkeyClassesRoot, key, View::kNative);
}

sys::Bool ApiCreateProcessA(const char* applicationName, char* commandLine, sys::Bool inheritHandles,
                            sys::Dword creationFlags, const char* currentDirectory, sys::Dword startupFlags,
                            sys::Word showWindow, sys::Handle* process, sys::Handle* thread) {
  SimulatedWindows& windows = SimulatedWindows::Current();
  SimShell& shell = windows.shell;
  StartedProcess started{CString(applicationName), commandLine ? commandLine : "", inheritHandles, creationFlags,
                         CString(currentDirectory), startupFlags, showWindow, windows.currentDirectory,
                         std::string(), nullptr, nullptr};
  if (!shell.failProcessStart) started.startedFile = ProgramFile(windows, applicationName, commandLine);
  if (started.startedFile.empty()) {
    windows.lastError = static_cast<sys::Dword>(sys::kErrorFileNotFound);
    shell.processes.push_back(started);
    return 0;
  }
  started.process = reinterpret_cast<sys::Handle>(static_cast<std::uintptr_t>(0x9000 + 0x10 * shell.nextHandle));
  started.thread = reinterpret_cast<sys::Handle>(static_cast<std::uintptr_t>(0x9004 + 0x10 * shell.nextHandle));
  ++shell.nextHandle;
  *process = started.process;
  *thread = started.thread;
  shell.processes.push_back(started);
  if (shell.runRegTool && Lower(started.startedFile) == Lower(windows.systemDirectory + "\\reg.exe"))
    RunRegTool(windows, started.commandLine);
  return 1;
}

sys::Dword ApiWaitForInputIdle(sys::Handle process, sys::Dword milliseconds) {
  Shell().inputIdleWaits.emplace_back(process, milliseconds);
  return 0;
}

sys::Bool ApiCloseHandle(sys::Handle handle) {
  Shell().closedHandles.push_back(handle);
  return 1;
}

}  // namespace

std::function<sys::Bool(sys::OpenFileNameA&)> SimShell::Choose(const std::string& path) {
  return [path](sys::OpenFileNameA& request) -> sys::Bool {
    // A path that does not fit the buffer fails the dialog (FNERR_BUFFERTOOSMALL).
    if (!request.lpstrFile || path.size() + 1 > request.nMaxFile) return 0;
    std::memcpy(request.lpstrFile, path.c_str(), path.size() + 1);
    std::string folder = FolderOf(path);
    if (folder.size() == 2) folder += "\\";
    if (!folder.empty()) SimulatedWindows::Current().currentDirectory = folder;
    return 1;
  };
}

std::function<sys::Bool(sys::OpenFileNameA&)> SimShell::CancelIn(const std::string& folder) {
  return [folder](sys::OpenFileNameA&) -> sys::Bool {
    SimulatedWindows::Current().currentDirectory = folder;
    return 0;
  };
}

void SimShell::AddFile(const std::string& path) { files.insert(Lower(path)); }

bool SimShell::Exists(const std::string& path) const { return files.count(Lower(path)) > 0; }

int SimShell::CloseCount(sys::Handle handle) const {
  int count = 0;
  for (sys::Handle closed : closedHandles) count += closed == handle;
  return count;
}

void InstallShellExports(SimulatedWindows& windows) {
  windows.AddExport("comdlg32", "GetOpenFileNameA", reinterpret_cast<sys::FarProc>(ExportGetOpenFileNameA));
  windows.AddExport("shlwapi", "PathFileExistsA", reinterpret_cast<sys::FarProc>(ExportPathFileExistsA));
}

void InstallShellApi(SimulatedWindows&, sys::SystemApi& api) {
  api.CreateProcessA = ApiCreateProcessA;
  api.WaitForInputIdle = ApiWaitForInputIdle;
  api.CloseHandle = ApiCloseHandle;
}

}  // namespace sim
