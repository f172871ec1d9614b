// Root key codes, path splitting and the 64-bit view switches, against the simulated
// Windows.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/external_functions.h"
#include "core/fatal_error.h"
#include "core/text.h"
#include "core/texts.h"
#include "registry/registry.h"
#include "tests/sim/simulated_windows.h"

namespace {

using core::Text;

std::string FatalText(int code) {
  char text[1024];
  core::BuildFatalErrorText(code == 9 ? texts::kFatalChoiceOutOfRange : "", code, text, sizeof text);
  return text;
}

TEST(RootKeyFromCode, MapsTheFiveCodesInTheirOwnOrder) {
  sim::SimulatedWindows windows;
  EXPECT_EQ(registry::RootKeyFromCode(1), sys::PredefinedKey(sys::kHkeyClassesRoot));
  EXPECT_EQ(registry::RootKeyFromCode(2), sys::PredefinedKey(sys::kHkeyCurrentConfig));
  EXPECT_EQ(registry::RootKeyFromCode(3), sys::PredefinedKey(sys::kHkeyCurrentUser));
  EXPECT_EQ(registry::RootKeyFromCode(4), sys::PredefinedKey(sys::kHkeyLocalMachine));
  EXPECT_EQ(registry::RootKeyFromCode(5), sys::PredefinedKey(sys::kHkeyUsers));
  EXPECT_TRUE(windows.messageBoxes.empty());
}

// Every entry into the registry code with a bad code ends the process with the box of
// fatal error 9 before anything is opened or switched.
class InvalidRootCode : public testing::TestWithParam<int> {};

TEST_P(InvalidRootCode, IsFatalBeforeAnythingIsOpened) {
  const int code = GetParam();
  const std::function<void()> entries[] = {
      [&] { registry::RootKeyFromCode(code); },
      [&] { registry::RegistryValueExists(code, texts::kTgaEditCommandPath, 1); },
      [&] {
        registry::WriteRegistryValue(code, texts::kTgaEditCommandPath, core::ByteBuffer("x", 1), registry::kOmitted,
                                     registry::kOmitted, 1);
      },
      [&] {
        registry::WriteRegistryKeyValue(code, "Key", "", core::ByteBuffer(), registry::kOmitted, registry::kOmitted,
                                        0);
      },
  };
  for (sys::Word architecture : {sys::kProcessorArchitectureIntel, sys::kProcessorArchitectureAmd64}) {
    for (const auto& entry : entries) {
      sim::SimulatedWindows windows;
      windows.processorArchitecture = architecture;
      try {
        entry();
        ADD_FAILURE() << "returned for root code " << code;
      } catch (const sim::SimulatedExit& exit) {
        EXPECT_EQ(exit.code, 0xFFFFFFFFu);
      }
      ASSERT_EQ(windows.messageBoxes.size(), 1u);
      EXPECT_EQ(windows.messageBoxes[0].text, FatalText(9));
      EXPECT_EQ(windows.messageBoxes[0].caption, texts::kFatalCaption);
      EXPECT_TRUE(windows.registry.log.empty()) << windows.registry.log.front();
      EXPECT_EQ(windows.TotalReferences(), 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Codes, InvalidRootCode, testing::Values(0, 6, -1, 7, 1000));

struct SplitCase {
  const char* name;
  std::string path;
  std::string keyPath;
  std::string valueName;
};

class SplitRegistryPathTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitRegistryPathTest, CutsAtTheLastBackslashOutsideDoubleByteCharacters) {
  const SplitCase& c = GetParam();
  Text path(c.path.c_str());
  Text keyPath("stale");
  Text valueName("stale");
  registry::SplitRegistryPath(path, &keyPath, &valueName);
  EXPECT_EQ(std::string(keyPath.c_str()), c.keyPath);
  EXPECT_EQ(std::string(valueName.c_str()), c.valueName);
  EXPECT_EQ(std::string(path.c_str()), c.path);  // the caller's path is left alone
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitRegistryPathTest,
    testing::Values(
        SplitCase{"TrailingBackslashKeepsWholePath", texts::kTgaEditCommandPath, texts::kTgaEditCommandPath, ""},
        SplitCase{"KeyAndName", "Key1\\Key2\\Name", "Key1\\Key2", "Name"},
        SplitCase{"NoBackslashIsAKey", "Name", "Name", ""},
        SplitCase{"LeadingBackslashOnly", "\\Name", "", "Name"},
        SplitCase{"DoubledBackslashStaysInKeyPath", "A\\\\B", "A\\", "B"},
        SplitCase{"Empty", "", "", ""},
        SplitCase{"OnlyABackslash", "\\", "\\", ""},
        // 0x81 0x5C is one character: the cut falls at the backslash before its name.
        SplitCase{"TrailByteInsideLastName", "Key\\\x81\x5CName", "Key", "\x81\x5CName"},
        SplitCase{"TrailByteBeforeRealBackslash", "\x81\x5C\\Name", "\x81\x5C", "Name"},
        // The trailing test looks at the last byte alone, whatever character it ends.
        SplitCase{"TrailByteAtTheEndCountsAsTrailing", "Key\\Name\x81\x5C", "Key\\Name\x81\x5C", ""},
        // A lead byte in the last position ends the walk; the cut before it stands.
        SplitCase{"LeadByteAtTheEnd", "Key\\Name\x81", "Key", "Name\x81"},
        SplitCase{"ChineseNames", "\xCD\xBC\xC6\xAC\\\xB1\xE0\xBC\xAD", "\xCD\xBC\xC6\xAC", "\xB1\xE0\xBC\xAD"}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

// ---- 64-bit Windows and its switches.

struct ArchitectureCase {
  sys::Word architecture;
  int expected;
};

class IsNative64BitWindowsTest : public testing::TestWithParam<ArchitectureCase> {};

TEST_P(IsNative64BitWindowsTest, CountsAmd64Ia64AndIa32OnWin64) {
  sim::SimulatedWindows windows;
  windows.processorArchitecture = GetParam().architecture;
  EXPECT_EQ(registry::IsNative64BitWindows(), GetParam().expected);
  EXPECT_EQ(registry::IsNative64BitWindows(), GetParam().expected);  // asked again, same answer
  EXPECT_TRUE(windows.registry.Problems().empty());
}

INSTANTIATE_TEST_SUITE_P(Architectures, IsNative64BitWindowsTest,
                         testing::Values(ArchitectureCase{0, 0}, ArchitectureCase{9, 1}, ArchitectureCase{6, 1},
                                         ArchitectureCase{10, 1}, ArchitectureCase{12, 0}, ArchitectureCase{5, 0},
                                         ArchitectureCase{0xFFFF, 0}));

TEST(IsNative64BitWindows, WithoutGetNativeSystemInfoGivesZeroAndNeverCallsIt) {
  sim::SimulatedWindows windows;
  windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
  windows.RemoveExport("kernel32", "GetNativeSystemInfo");
  // Binding the missing entry would be fatal; returning 0 shows it was never called.
  EXPECT_EQ(registry::IsNative64BitWindows(), 0);
  EXPECT_EQ(core::ExternalFunctionAt(core::kGetNativeSystemInfo).address, nullptr);
  EXPECT_TRUE(windows.messageBoxes.empty());
}

TEST(IsNative64BitWindows, WithoutKernel32HandleGivesZero) {
  sim::SimulatedWindows windows;
  windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
  windows.registry.FailCall("GetModuleHandleA", 1);
  EXPECT_EQ(registry::IsNative64BitWindows(), 0);
  EXPECT_EQ(registry::IsNative64BitWindows(), 1);
}

TEST(FsRedirection, RevertGetsBackExactlyTheValueStoredAndRestoresTheState) {
  sim::SimulatedWindows windows;
  windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
  void* oldValue = nullptr;
  ASSERT_EQ(registry::DisableFsRedirection(&oldValue), 1);
  ASSERT_EQ(windows.registry.cookiesHandedOut.size(), 1u);
  EXPECT_EQ(oldValue, windows.registry.cookiesHandedOut[0]);
  EXPECT_TRUE(windows.registry.fsRedirectionDisabled);
  EXPECT_EQ(registry::RevertFsRedirection(oldValue), 1);
  EXPECT_FALSE(windows.registry.fsRedirectionDisabled);
  EXPECT_TRUE(windows.registry.Problems().empty());
  // A value it never handed out is refused.
  EXPECT_EQ(registry::RevertFsRedirection(reinterpret_cast<void*>(0x1234)), 0);
}

TEST(FsRedirection, MissingFunctionsOrModuleGiveZeroWithoutOtherEffect) {
  for (const char* function : {"Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection"}) {
    sim::SimulatedWindows windows;
    windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
    windows.RemoveExport("kernel32", function);
    void* oldValue = nullptr;
    int disabled = registry::DisableFsRedirection(&oldValue);
    EXPECT_EQ(disabled, std::string(function) == "Wow64DisableWow64FsRedirection" ? 0 : 1);
    EXPECT_EQ(registry::RevertFsRedirection(oldValue), 0);
    core::ReleaseExternalFunctions();
    EXPECT_EQ(windows.TotalReferences(), 0);
  }
  sim::SimulatedWindows windows;
  windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
  windows.registry.FailCall("GetModuleHandleA", 1);
  void* oldValue = nullptr;
  EXPECT_EQ(registry::DisableFsRedirection(&oldValue), 0);
  EXPECT_EQ(oldValue, nullptr);
  EXPECT_EQ(windows.registry.Calls("Wow64DisableWow64FsRedirection"), 0);
}

TEST(FsRedirection, FailsOn32BitWindows) {
  sim::SimulatedWindows windows;
  void* oldValue = nullptr;
  EXPECT_EQ(registry::DisableFsRedirection(&oldValue), 0);
  EXPECT_FALSE(windows.registry.fsRedirectionDisabled);
}

TEST(RegistryReflection, EachSwitchLoadsAndReleasesAdvapi32) {
  sim::SimulatedWindows windows;
  windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
  sys::Hkey key = nullptr;
  windows.registry.AddKey(sys::kHkeyCurrentUser, "K");
  ASSERT_EQ(windows.registry.OpenKey(sys::PredefinedKey(sys::kHkeyCurrentUser), "K", 0,
                                     sys::kKeyRead | sys::kKeyWow64_64Key, &key),
            0);
  EXPECT_EQ(registry::DisableRegistryReflection(key), 1);
  EXPECT_EQ(windows.References("advapi32.dll"), 0);
  EXPECT_EQ(registry::EnableRegistryReflection(key), 1);
  EXPECT_EQ(windows.References("advapi32.dll"), 0);
  int byName = 0;  // LoadLibraryA("advapi32.dll"), not the table's own bindings
  for (const sim::LibraryLoad& load : windows.loads) byName += load.requested == "advapi32.dll" && load.flags == 0;
  EXPECT_EQ(byName, 2);
  EXPECT_EQ(windows.registry.Calls("RegDisableReflectionKey"), 1);
  EXPECT_EQ(windows.registry.Calls("RegEnableReflectionKey"), 1);
  windows.registry.CloseKey(key);
  core::ReleaseExternalFunctions();
  EXPECT_EQ(windows.TotalReferences(), 0);
  EXPECT_TRUE(windows.registry.Problems().empty());
}

TEST(RegistryReflection, MissingFunctionReleasesTheLibraryAndGivesZero) {
  for (const char* function : {"RegDisableReflectionKey", "RegEnableReflectionKey"}) {
    sim::SimulatedWindows windows;
    windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
    windows.RemoveExport("advapi32.dll", function);
    sys::Hkey key = reinterpret_cast<sys::Hkey>(0x4444);
    int result = std::string(function) == "RegDisableReflectionKey" ? registry::DisableRegistryReflection(key)
                                                                     : registry::EnableRegistryReflection(key);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(windows.References("advapi32.dll"), 0);
    EXPECT_EQ(windows.registry.Calls("RegDisableReflectionKey") + windows.registry.Calls("RegEnableReflectionKey"), 0);
  }
}

TEST(RegistryReflection, UnloadableLibraryGivesZero) {
  sim::SimulatedWindows windows;
  windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
  windows.registry.FailCall("LoadLibraryA", 1);
  EXPECT_EQ(registry::DisableRegistryReflection(reinterpret_cast<sys::Hkey>(0x4444)), 0);
  EXPECT_EQ(windows.registry.Calls("RegDisableReflectionKey"), 0);
  core::ReleaseExternalFunctions();
  EXPECT_EQ(windows.TotalReferences(), 0);
}

TEST(RegistryReflection, ErrorFromTheSystemGivesZero) {
  sim::SimulatedWindows windows;  // 32-bit Windows: not implemented there
  EXPECT_EQ(registry::DisableRegistryReflection(reinterpret_cast<sys::Hkey>(0x4444)), 0);
  EXPECT_EQ(windows.References("advapi32.dll"), 0);
}

TEST(UseWow64Path, OnlyA32BitProcessOnNative64BitWindowsThatAskedWithExactlyOne) {
  struct Case {
    sys::Word architecture;
    bool processIs64Bit;
    int use64BitView;
    bool expected;
  } cases[] = {
      {9, false, 1, true},  {6, false, 1, true},   {10, false, 1, true}, {9, false, 0, false},
      {9, false, 2, false}, {9, false, -1, false}, {0, false, 1, false}, {12, false, 1, false},
      {9, true, 1, false},  {9, true, 0, false},
  };
  for (const Case& c : cases) {
    sim::SimulatedWindows windows;
    windows.processorArchitecture = c.architecture;
    windows.processIs64Bit = c.processIs64Bit;
    windows.UpdateApi();
    EXPECT_EQ(registry::UseWow64Path(c.use64BitView), c.expected)
        << "architecture " << c.architecture << " 64-bit process " << c.processIs64Bit << " flag " << c.use64BitView;
  }
}

}  // namespace
