// A file named like a system library, put next to the program, must never be loaded:
// the open-file dialog's library is bound from the system directory. Runs under wine64
// with comdlg32 set to "native, then builtin", so that Wine would really load a file
// from the program's folder if it were asked for one.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/win32/system_api.h"
#include "core/external_functions.h"
#include "core/process_state.h"
#include "core/system_api.h"

namespace {

std::string ExecutableFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, length);
  return folder.substr(0, folder.rfind('\\'));
}

std::string ModulePath(HMODULE module) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(module, path, sizeof path);
  return std::string(path, length);
}

// Paths compare without regard to ASCII letter case, as Windows compares them.
std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(PlantedLibrary, TheOpenFileDialogIsBoundFromTheSystemDirectory) {
  sys::InstallSystemApi(&WindowsSystemApi());
  const std::string folder = ExecutableFolder();
  const std::string planted = folder + "\\comdlg32.dll";
  const std::string marker = folder + "\\planted-comdlg32-loaded";
  ASSERT_TRUE(FileExists(planted)) << planted;
  DeleteFileA(marker.c_str());

  // As at start-up: the program knows its folder and works in it.
  core::ProcessState& state = core::Process();
  std::strcpy(state.executableFolder, folder.c_str());
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));

  sys::FarProc address = core::BindExternalFunction(core::kGetOpenFileNameA);
  ASSERT_NE(address, nullptr);
  HMODULE bound = reinterpret_cast<HMODULE>(core::ExternalFunctionAt(core::kGetOpenFileNameA).module);

  EXPECT_FALSE(FileExists(marker)) << "the planted comdlg32.dll was loaded";
  char systemDirectory[MAX_PATH];
  UINT length = GetSystemDirectoryA(systemDirectory, sizeof systemDirectory);
  ASSERT_GT(length, 0u);
  std::string expectedPrefix = Lower(std::string(systemDirectory, length) + "\\");
  std::string boundPath = ModulePath(bound);
  EXPECT_EQ(Lower(boundPath).rfind(expectedPrefix, 0), 0u) << "bound " << boundPath;
  HMODULE owner = nullptr;
  ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                 reinterpret_cast<LPCSTR>(address), &owner));
  EXPECT_EQ(owner, bound) << "the bound function lies in " << ModulePath(owner);

  core::ReleaseExternalFunctions();

  // The check above can fail: asked for the planted file by its path, Wine loads it.
  HMODULE loaded = LoadLibraryA(planted.c_str());
  ASSERT_NE(loaded, nullptr);
  EXPECT_TRUE(FileExists(marker)) << "this setup would not notice a planted library";
  EXPECT_EQ(Lower(ModulePath(loaded)), Lower(planted));
  FreeLibrary(loaded);
  DeleteFileA(marker.c_str());
}

}  // namespace
