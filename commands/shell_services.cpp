#include "commands/commands.h"

#include "core/external_functions.h"
#include "core/system_api.h"
#include "core/texts.h"

namespace commands {

namespace {

constexpr sys::Dword kInputIdleWaitMilliseconds = 1000;

}  // namespace

void ShowMessage(const core::Text& text) {
  sys::System().MessageBoxA(nullptr, text.c_str(), texts::kInfoCaption, sys::kMbOk | sys::kMbTaskModal);
}

bool FileExists(const core::Text& path) {
  // Bound before the empty test, so that a missing shlwapi shows itself on the first
  // click whatever the user did in the dialog.
  sys::PathFileExistsAFn pathFileExists = core::Bound<sys::PathFileExistsAFn>(core::kPathFileExistsA);
  if (path.empty()) return false;
  return pathFileExists(path.c_str()) == 1;
}

core::Text SystemProgramPath(const char* fileName) {
  char path[sys::kMaxPath + 32];
  if (!core::SystemDirectoryPath(fileName, path, sizeof path)) return core::Text();
  return core::Text(path);
}

bool StartCommandLine(const core::Text& applicationName, const core::Text& commandLine) {
  if (applicationName.empty()) return false;
  // CreateProcessA may write into the command line, so it gets a copy of its own.
  core::ByteBuffer writableCommandLine = core::ByteBuffer::FromText(commandLine);
  writableCommandLine.AppendByte(0);

  const sys::SystemApi& api = sys::System();
  sys::Handle process = nullptr;
  sys::Handle thread = nullptr;
  if (!api.CreateProcessA(applicationName.c_str(), reinterpret_cast<char*>(writableCommandLine.data()), 0, 0,
                          nullptr, sys::kStartfUseShowWindow, sys::kSwShowNormal, &process, &thread))
    return false;
  api.WaitForInputIdle(process, kInputIdleWaitMilliseconds);
  api.CloseHandle(process);
  api.CloseHandle(thread);
  return true;
}

}  // namespace commands
