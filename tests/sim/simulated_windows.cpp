#include "tests/sim/simulated_windows.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>

#include "core/external_functions.h"
#include "core/process_state.h"

namespace sim {

namespace {

SimulatedWindows* g_current = nullptr;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string BaseName(const std::string& path) {
  std::size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FolderOf(const std::string& path) {
  std::size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

bool IsFullPath(const std::string& name) { return name.size() > 2 && name[1] == ':'; }

sys::Dword CopyOut(const std::string& text, char* buffer, sys::Dword size) {
  if (text.size() + 1 > size) {
    if (size) {
      std::memcpy(buffer, text.data(), size - 1);
      buffer[size - 1] = '\0';
    }
    return size;  // cut short, as GetModuleFileNameA reports it
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<sys::Dword>(text.size());
}

// ---- The seam.
sys::Hmodule ApiLoadLibraryExA(const char* name, sys::Dword flags) { return g_current->Load(name, flags); }
sys::Hmodule ApiLoadLibraryA(const char* name) { return g_current->Load(name, 0); }
sys::FarProc ApiGetProcAddress(sys::Hmodule module, const char* name) { return g_current->Lookup(module, name); }
sys::Bool ApiFreeLibrary(sys::Hmodule module) { return g_current->Release(module) ? 1 : 0; }
sys::Dword ApiGetSystemDirectoryA(char* buffer, sys::Dword size) {
  const std::string& dir = g_current->systemDirectory;
  if (dir.size() + 1 > size) return static_cast<sys::Dword>(dir.size() + 1);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<sys::Dword>(dir.size());
}
sys::Dword ApiGetLastError() { return g_current->lastError; }
sys::Dword ApiGetModuleFileNameA(char* buffer, sys::Dword size) {
  return CopyOut(g_current->executablePath, buffer, size);
}
sys::Bool ApiSetCurrentDirectoryA(const char* path) {
  g_current->currentDirectory = path;
  g_current->currentDirectoryChanges.push_back(path);
  return 1;
}
sys::Dword ApiGetCurrentDirectoryA(sys::Dword size, char* buffer) {
  const std::string& dir = g_current->currentDirectory;
  if (dir.size() + 1 > size) return static_cast<sys::Dword>(dir.size() + 1);
  std::memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<sys::Dword>(dir.size());
}
void ApiExitProcess(sys::Dword code) { throw SimulatedExit{code}; }
sys::Long ApiOleInitialize() {
  ++g_current->oleInitializeCalls;
  return g_current->oleInitializeResult;
}
void ApiOleUninitialize() { ++g_current->oleUninitializeCalls; }
int ApiMessageBoxA(sys::Hwnd owner, const char* text, const char* caption, sys::Dword type) {
  MessageBoxCall call{owner, text ? text : "", caption ? caption : "", type};
  g_current->messageBoxes.push_back(call);
  if (g_current->onMessageBox) g_current->onMessageBox(call);
  return 1;  // IDOK
}
sys::Hwnd ApiCreateMainWindow() {
  ++g_current->createWindowCalls;
  return g_current->failWindowCreation ? nullptr : reinterpret_cast<sys::Hwnd>(0x10010);
}
int ApiRunMessageLoop() { return g_current->messageLoop ? g_current->messageLoop() : 0; }

// ---- kernel32 exports the program binds by name.
sys::Hmodule SYSAPI ExportGetModuleHandleA(const char* name) { return g_current->ModuleHandle(name ? name : ""); }
sys::FarProc SYSAPI ExportGetProcAddress(sys::Hmodule module, const char* name) {
  return g_current->Lookup(module, name);
}
sys::Hmodule SYSAPI ExportLoadLibraryA(const char* name) { return g_current->Load(name, 0); }
sys::Bool SYSAPI ExportFreeLibrary(sys::Hmodule module) { return g_current->Release(module) ? 1 : 0; }
void SYSAPI ExportGetNativeSystemInfo(sys::SystemInfo* info) {
  std::memset(info, 0, sizeof *info);
  info->wProcessorArchitecture = g_current->processorArchitecture;
  info->dwPageSize = 4096;
  info->dwNumberOfProcessors = 2;
}

template <typename Fn>
sys::FarProc AsFarProc(Fn fn) {
  return reinterpret_cast<sys::FarProc>(fn);
}

}  // namespace

SimulatedWindows::SimulatedWindows() {
  if (g_current) throw std::logic_error("one simulated Windows at a time");
  g_current = this;
  core::ResetProcessState();

  AddExport("kernel32", "GetModuleHandleA", AsFarProc(ExportGetModuleHandleA));
  AddExport("kernel32", "GetProcAddress", AsFarProc(ExportGetProcAddress));
  AddExport("kernel32", "LoadLibraryA", AsFarProc(ExportLoadLibraryA));
  AddExport("kernel32", "FreeLibrary", AsFarProc(ExportFreeLibrary));
  AddExport("kernel32", "GetNativeSystemInfo", AsFarProc(ExportGetNativeSystemInfo));
  InstallRegistryExports(*this);
  InstallShellExports(*this);

  api_.LoadLibraryExA = ApiLoadLibraryExA;
  api_.LoadLibraryA = ApiLoadLibraryA;
  api_.GetProcAddress = ApiGetProcAddress;
  api_.FreeLibrary = ApiFreeLibrary;
  api_.GetSystemDirectoryA = ApiGetSystemDirectoryA;
  api_.GetLastError = ApiGetLastError;
  api_.GetModuleFileNameA = ApiGetModuleFileNameA;
  api_.SetCurrentDirectoryA = ApiSetCurrentDirectoryA;
  api_.GetCurrentDirectoryA = ApiGetCurrentDirectoryA;
  api_.ExitProcess = ApiExitProcess;
  api_.OleInitialize = ApiOleInitialize;
  api_.OleUninitialize = ApiOleUninitialize;
  api_.MessageBoxA = ApiMessageBoxA;
  api_.CreateMainWindow = ApiCreateMainWindow;
  api_.RunMessageLoop = ApiRunMessageLoop;
  InstallShellApi(*this, api_);
  UpdateApi();
}

SimulatedWindows::~SimulatedWindows() {
  core::ReleaseExternalFunctions();
  core::ResetProcessState();
  sys::InstallSystemApi(nullptr);
  g_current = nullptr;
}

SimulatedWindows& SimulatedWindows::Current() { return *g_current; }

void SimulatedWindows::UpdateApi() {
  api_.processIs64Bit = processIs64Bit;
  sys::InstallSystemApi(&api_);
}

std::string SimulatedWindows::Key(const std::string& library) {
  std::string base = Lower(BaseName(library));
  if (base.find('.') == std::string::npos) base += ".dll";
  return base;
}

SimulatedWindows::Library* SimulatedWindows::Find(const std::string& library) {
  auto it = libraries_.find(Key(library));
  return it == libraries_.end() ? nullptr : &it->second;
}

const SimulatedWindows::Library* SimulatedWindows::Find(const std::string& library) const {
  auto it = libraries_.find(Key(library));
  return it == libraries_.end() ? nullptr : &it->second;
}

void SimulatedWindows::AddExport(const std::string& library, const std::string& function, sys::FarProc address) {
  Library& lib = libraries_[Key(library)];
  if (!lib.handle) lib.handle = reinterpret_cast<sys::Hmodule>(static_cast<std::uintptr_t>(0x10000 * nextHandle_++));
  lib.exports[Lower(function)] = address;
}

void SimulatedWindows::RemoveExport(const std::string& library, const std::string& function) {
  if (Library* lib = Find(library)) lib->exports.erase(Lower(function));
}

void SimulatedWindows::RemoveLibrary(const std::string& library) { libraries_.erase(Key(library)); }

void SimulatedWindows::PlantLibrary(const std::string& fullPath) { planted_[Lower(fullPath)] = Key(fullPath); }

int SimulatedWindows::References(const std::string& library) const {
  const Library* lib = Find(library);
  return lib ? lib->references : 0;
}

int SimulatedWindows::TotalReferences() const {
  int total = 0;
  for (const auto& entry : libraries_) total += entry.second.references;
  return total + static_cast<int>(planted_handles_.size());
}

sys::Hmodule SimulatedWindows::Load(const std::string& requested, sys::Dword flags) {
  LibraryLoad load{requested, flags, ""};
  auto finish = [&](sys::Hmodule module, sys::Dword error) {
    if (!module) lastError = error;
    loads.push_back(load);
    return module;
  };
  if ((flags & sys::kLoadLibrarySearchSystem32) && !searchFlagsSupported)
    return finish(nullptr, static_cast<sys::Dword>(sys::kErrorInvalidParameter));

  // Where the file comes from: a full path names one file; a bare name follows the
  // search order (the program's folder first) unless the system directory is asked for.
  std::string fullPath;
  if (IsFullPath(requested)) {
    fullPath = requested;
  } else if (flags & sys::kLoadLibrarySearchSystem32) {
    fullPath = systemDirectory + "\\" + requested;
  } else {
    std::string candidate = FolderOf(executablePath) + "\\" + requested;
    fullPath = planted_.count(Lower(candidate)) ? candidate : systemDirectory + "\\" + requested;
  }
  if (Key(fullPath) != Lower(BaseName(fullPath))) fullPath += ".dll";

  auto plantedIt = planted_.find(Lower(fullPath));
  if (plantedIt != planted_.end()) {
    sys::Hmodule handle = reinterpret_cast<sys::Hmodule>(static_cast<std::uintptr_t>(0x7000000 + 0x1000 * nextHandle_++));
    planted_handles_[handle] = fullPath;
    load.loadedFrom = fullPath;
    return finish(handle, 0);
  }
  if (Lower(FolderOf(fullPath)) != Lower(systemDirectory))
    return finish(nullptr, static_cast<sys::Dword>(sys::kErrorModNotFound));
  Library* lib = Find(fullPath);
  if (!lib) return finish(nullptr, static_cast<sys::Dword>(sys::kErrorModNotFound));
  ++lib->references;
  load.loadedFrom = fullPath;
  return finish(lib->handle, 0);
}

sys::FarProc SimulatedWindows::Lookup(sys::Hmodule module, const std::string& function) {
  if (planted_handles_.count(module)) return nullptr;  // planted files export nothing we could use
  for (auto& entry : libraries_) {
    if (entry.second.handle != module) continue;
    auto it = entry.second.exports.find(Lower(function));
    if (it == entry.second.exports.end()) {
      lastError = static_cast<sys::Dword>(sys::kErrorProcNotFound);
      return nullptr;
    }
    return it->second;
  }
  lastError = static_cast<sys::Dword>(sys::kErrorInvalidHandle);
  return nullptr;
}

bool SimulatedWindows::Release(sys::Hmodule module) {
  ++freeLibraryCalls;
  if (planted_handles_.erase(module)) return true;
  for (auto& entry : libraries_) {
    if (entry.second.handle != module) continue;
    if (entry.second.references <= 0) throw std::logic_error("FreeLibrary without a matching load: " + entry.first);
    --entry.second.references;
    return true;
  }
  throw std::logic_error("FreeLibrary of a handle that was never loaded");
}

sys::Hmodule SimulatedWindows::ModuleHandle(const std::string& library) const {
  // kernel32 is in every process; other libraries only while the program holds them.
  const Library* lib = Find(library);
  if (!lib) return nullptr;
  if (Key(library) == "kernel32.dll" || lib->references > 0) return lib->handle;
  return nullptr;
}

}  // namespace sim
