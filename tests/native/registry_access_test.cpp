// The probe and the writer against the simulated registry: one table of scenarios,
// run on 32-bit Windows, as the 32-bit exe on 64-bit Windows (the WoW64 switches) and
// as the 64-bit build. Every scenario also checks what must hold after any call: all
// handles closed in order, redirection as it was, every library load released, the
// access masks of the path taken, and for the probe an unchanged registry.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/external_functions.h"
#include "core/text.h"
#include "core/texts.h"
#include "registry/registry.h"
#include "tests/sim/simulated_windows.h"

namespace {

using registry::Given;
using registry::kOmitted;
using registry::OptionalInt;
using sim::View;

constexpr std::uint32_t kHkcr = sys::kHkeyClassesRoot;
constexpr std::uint32_t kHkcu = sys::kHkeyCurrentUser;
const std::string kTgaKey = "SystemFileAssociations\\.tga\\Shell\\edit\\Command";
const std::string kImageKey = "SystemFileAssociations\\image\\shell\\edit\\command";
const std::string kEditorCommand = "\"C:\\Program Files\\Adobe\\Photoshop.exe\" \"%1\"";

struct Platform {
  const char* name;
  sys::Word architecture;
  bool processIs64Bit;
};

const Platform kPlatforms[] = {
    {"Windows32", sys::kProcessorArchitectureIntel, false},
    {"Wow64", sys::kProcessorArchitectureAmd64, false},
    {"Process64", sys::kProcessorArchitectureAmd64, true},
};

// What a scenario needs to know about the platform it runs on.
struct Env {
  sim::SimulatedWindows& windows;
  const Platform& platform;
  bool wow64Path;  // the call goes through the WoW64 switches
  View target;     // the view the call reaches
  View other;      // the view it must not touch (the same on 32-bit Windows)
  std::string before;

  sim::SimRegistry& reg() { return windows.registry; }
  bool TwoViews() const { return platform.architecture != sys::kProcessorArchitectureIntel; }
  // The process's own view, as when the 64-bit view was not asked for.
  void TakeOwnView() {
    wow64Path = false;
    target = TwoViews() && !platform.processIs64Bit ? View::kWow32 : View::kNative;
    other = TwoViews() ? (target == View::kNative ? View::kWow32 : View::kNative) : View::kNative;
  }
};

enum class Op { kWrite, kWriteKeyValue, kExists };

struct Scenario {
  const char* name;
  Op op;
  int rootCode;
  std::string path;  // the key path for kWriteKeyValue
  std::string data;
  OptionalInt valueType;
  OptionalInt rawData;
  int use64BitView;
  std::function<void(Env&)> arrange;
  int expected;
  int expectedOnWow64Path;  // -1: the same as expected
  std::function<void(Env&)> verify;
  std::string valueName = "";  // kWriteKeyValue only
  bool needsTwoViews = false;
};

std::string WithZero(const std::string& text) { return text + std::string(1, '\0'); }

const std::string* Find(const std::vector<std::string>& log, const std::string& prefix) {
  for (const std::string& line : log)
    if (line.compare(0, prefix.size(), prefix) == 0) return &line;
  return nullptr;
}

void ExpectValue(Env& env, std::uint32_t root, const std::string& key, const std::string& name, sys::Dword type,
                 const std::string& bytes) {
  const sim::SimValue* value = env.reg().FindValue(root, key, name, env.target);
  ASSERT_NE(value, nullptr) << key << " [" << name << "]\n" << env.reg().Dump();
  EXPECT_EQ(value->type, type);
  EXPECT_EQ(std::string(value->bytes.begin(), value->bytes.end()), bytes);
  if (env.other != env.target) {
    EXPECT_FALSE(env.reg().KeyExists(root, key, env.other)) << env.reg().Dump();
  }
}

void ExpectUnchanged(Env& env) { EXPECT_EQ(env.reg().Dump(), env.before); }
void Nothing(Env&) {}

std::vector<Scenario> WriterScenarios() {
  return {
      {"TextGetsExactlyOneTerminatingZero", Op::kWrite, 1, texts::kTgaEditCommandPath, kEditorCommand, kOmitted,
       kOmitted, 1, Nothing, 1, -1,
       [](Env& env) {
         ExpectValue(env, kHkcr, kTgaKey, "", sys::kRegSz, WithZero(kEditorCommand));
         // All missing keys come from the one create call, final backslash included.
         EXPECT_EQ(env.reg().Calls("RegCreateKeyExA"), 1);
         const std::string* create = Find(env.reg().log, "RegCreateKeyExA");
         ASSERT_NE(create, nullptr);
         EXPECT_NE(create->find("\"" + std::string(texts::kTgaEditCommandPath) + "\""), std::string::npos) << *create;
         EXPECT_NE(Find(env.reg().log, "RegOpenKeyExA HKCR \"\""), nullptr);
         EXPECT_NE(Find(env.reg().log, "RegSetValueExA HKCR\\systemfileassociations\\.tga\\shell\\edit\\command null type 1 size " +
                                           std::to_string(kEditorCommand.size() + 1)),
                   nullptr);
       }},
      {"PaintCommandAsExpandSz", Op::kWrite, 1, texts::kImageEditCommandPath, texts::kPaintEditCommand,
       Given(sys::kRegExpandSz), kOmitted, 1, Nothing, 1, -1,
       [](Env& env) { ExpectValue(env, kHkcr, kImageKey, "", sys::kRegExpandSz, WithZero(texts::kPaintEditCommand)); }},
      {"ReplacesAValueOfAnotherType", Op::kWrite, 1, texts::kImageEditCommandPath, "abc", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().PutValue(kHkcr, kImageKey, "", sys::kRegDword, std::string("\1\0\0\0", 4), env.target); },
       1, -1, [](Env& env) { ExpectValue(env, kHkcr, kImageKey, "", sys::kRegSz, WithZero("abc")); }},
      {"RegNoneStaysRegNone", Op::kWrite, 3, "K\\", "x", Given(sys::kRegNone), kOmitted, 1, Nothing, 1, -1,
       [](Env& env) { ExpectValue(env, kHkcu, "K", "", sys::kRegNone, WithZero("x")); }},
      {"RawEmptyDataStoresNoBytesAndNoPointer", Op::kWrite, 3, "K\\V", "", Given(sys::kRegBinary), Given(1), 1,
       Nothing, 1, -1,
       [](Env& env) {
         ExpectValue(env, kHkcu, "K", "V", sys::kRegBinary, "");
         EXPECT_NE(Find(env.reg().log, "RegSetValueExA HKCU\\k \"V\" type 3 size 0 no data"), nullptr);
       }},
      {"RawDataIsStoredUnchanged", Op::kWrite, 3, "K\\V", std::string("a\0b\xFF", 4), Given(sys::kRegBinary),
       Given(1), 1, Nothing, 1, -1,
       [](Env& env) { ExpectValue(env, kHkcu, "K", "V", sys::kRegBinary, std::string("a\0b\xFF", 4)); }},
      {"RawFlagOtherThanOneAppendsZero", Op::kWrite, 3, "K\\V", "ab", kOmitted, Given(2), 1, Nothing, 1, -1,
       [](Env& env) { ExpectValue(env, kHkcu, "K", "V", sys::kRegSz, WithZero("ab")); }},
      {"RawFlagZeroAppendsZero", Op::kWrite, 3, "K\\V", "ab", kOmitted, Given(0), 1, Nothing, 1, -1,
       [](Env& env) { ExpectValue(env, kHkcu, "K", "V", sys::kRegSz, WithZero("ab")); }},
      {"EmptyTextStoresOneZeroByte", Op::kWrite, 3, "K\\", "", kOmitted, kOmitted, 1, Nothing, 1, -1,
       [](Env& env) { ExpectValue(env, kHkcu, "K", "", sys::kRegSz, std::string(1, '\0')); }},
      {"NamedValueBelowItsKey", Op::kWrite, 3, "Software\\Tool\\Name", "v", kOmitted, kOmitted, 1, Nothing, 1, -1,
       [](Env& env) {
         ExpectValue(env, kHkcu, "Software\\Tool", "Name", sys::kRegSz, WithZero("v"));
         EXPECT_FALSE(env.reg().KeyExists(kHkcu, "Software\\Tool\\Name", env.target));
       }},
      {"KeyValueWithEmptyNameIsTheDefault", Op::kWriteKeyValue, 3, "A\\B", "v", kOmitted, kOmitted, 1, Nothing, 1,
       -1, [](Env& env) { ExpectValue(env, kHkcu, "A\\B", "", sys::kRegSz, WithZero("v")); }, ""},
      {"KeyValueWithName", Op::kWriteKeyValue, 3, "A", "v", Given(sys::kRegExpandSz), kOmitted, 1, Nothing, 1, -1,
       [](Env& env) { ExpectValue(env, kHkcu, "A", "Cmd", sys::kRegExpandSz, WithZero("v")); }, "Cmd"},
      {"DoubledBackslashNamesNoEmptyKey", Op::kWrite, 3, "A\\\\B\\", "v", kOmitted, kOmitted, 1, Nothing, 1, -1,
       [](Env& env) { ExpectValue(env, kHkcu, "A\\B", "", sys::kRegSz, WithZero("v")); }},
      {"LeadingBackslashWritesOnTheRootItself", Op::kWrite, 3, "\\Name", "v", kOmitted, kOmitted, 1, Nothing, 1, -1,
       [](Env& env) {
         const sim::SimValue* value = env.reg().FindValue(kHkcu, "", "Name", env.target);
         ASSERT_NE(value, nullptr) << env.reg().Dump();
         EXPECT_EQ(std::string(value->bytes.begin(), value->bytes.end()), WithZero("v"));
       }},
      {"DoubleByteNamesAreNotCutAtTheirSecondByte", Op::kWrite, 3, "\xCD\xBC\xC6\xAC\\\x81\x5C\\", "v", kOmitted,
       kOmitted, 1, Nothing, 1, -1,
       [](Env& env) { ExpectValue(env, kHkcu, "\xCD\xBC\xC6\xAC\\\x81\x5C", "", sys::kRegSz, WithZero("v")); }},
      {"OtherRootCode", Op::kWrite, 4, "Software\\Tool\\", "v", kOmitted, kOmitted, 1, Nothing, 1, -1,
       [](Env& env) { ExpectValue(env, sys::kHkeyLocalMachine, "Software\\Tool", "", sys::kRegSz, WithZero("v")); }},
      {"WithoutWriteAccessNothingIsCreated", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().readOnlyRoots.insert(kHkcr); }, 0, -1,
       [](Env& env) {
         ExpectUnchanged(env);
         EXPECT_EQ(env.reg().Calls("RegCreateKeyExA"), 0);
       }},
      {"RootCannotBeOpened", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().FailCall("RegOpenKeyExA", 1); }, 0, -1,
       [](Env& env) {
         ExpectUnchanged(env);
         EXPECT_EQ(env.reg().Calls("RegCreateKeyExA"), 0);
         EXPECT_EQ(env.reg().Calls("RegCloseKey"), 0);
       }},
      {"KeyCannotBeCreated", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().FailCall("RegCreateKeyExA", 1); }, 0, -1,
       [](Env& env) {
         ExpectUnchanged(env);
         EXPECT_EQ(env.reg().Calls("RegSetValueExA"), 0);
         EXPECT_EQ(env.reg().Calls("RegCloseKey"), 1);  // the root handle
       }},
      {"KeyPathStartingWithBackslashCannotBeCreated", Op::kWrite, 1, "\\A\\", "v", kOmitted, kOmitted, 1, Nothing,
       0, -1,
       [](Env& env) {
         ExpectUnchanged(env);
         EXPECT_EQ(env.reg().Calls("RegSetValueExA"), 0);
       }},
      {"OverlongKeyNameCannotBeCreated", Op::kWrite, 3, "A\\" + std::string(256, 'k') + "\\", "v", kOmitted, kOmitted,
       1, Nothing, 0, -1, ExpectUnchanged},
      {"OverlongValueNameCannotBeSetButTheKeyStays", Op::kWrite, 3, "A\\" + std::string(16384, 'n'), "v", kOmitted,
       kOmitted, 1, Nothing, 0, -1,
       [](Env& env) {
         EXPECT_TRUE(env.reg().KeyExists(kHkcu, "A", env.target));
         EXPECT_EQ(env.reg().Calls("RegCloseKey"), 2);
       }},
      {"ValueCannotBeSetButCreatedKeysStay", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().FailCall("RegSetValueExA", 1); }, 0, -1,
       [](Env& env) {
         EXPECT_TRUE(env.reg().KeyExists(kHkcr, kTgaKey, env.target));
         EXPECT_EQ(env.reg().FindValue(kHkcr, kTgaKey, "", env.target), nullptr);
         EXPECT_EQ(env.reg().Calls("RegCloseKey"), 2);
         EXPECT_EQ(env.reg().Calls("RegEnableReflectionKey"), env.wow64Path ? 1 : 0);
       }},
      {"RedirectionCannotBeSwitchedOff", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().FailCall("Wow64DisableWow64FsRedirection", 1); }, 1, 0,
       [](Env& env) {
         if (!env.wow64Path) return;
         ExpectUnchanged(env);
         EXPECT_EQ(env.reg().Calls("RegOpenKeyExA"), 0);
         EXPECT_EQ(env.reg().Calls("Wow64RevertWow64FsRedirection"), 0);
       }},
      {"ReflectionSwitchesMissing", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted, kOmitted, 1,
       [](Env& env) {
         env.windows.RemoveExport("advapi32.dll", "RegDisableReflectionKey");
         env.windows.RemoveExport("advapi32.dll", "RegEnableReflectionKey");
       },
       1, -1, [](Env& env) { ExpectValue(env, kHkcr, kTgaKey, "", sys::kRegSz, WithZero("v")); }},
      {"ReflectionSwitchFailureIsIgnored", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted, kOmitted, 1,
       [](Env& env) {
         env.reg().FailCall("RegDisableReflectionKey", 1);
         env.reg().FailCall("RegEnableReflectionKey", 1);
       },
       1, -1, [](Env& env) { ExpectValue(env, kHkcr, kTgaKey, "", sys::kRegSz, WithZero("v")); }},
      {"WithoutGetNativeSystemInfoTheOwnViewIsUsed", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted,
       kOmitted, 1,
       [](Env& env) {
         env.windows.RemoveExport("kernel32", "GetNativeSystemInfo");
         if (!env.platform.processIs64Bit) env.TakeOwnView();
       },
       1, -1, [](Env& env) { ExpectValue(env, kHkcr, kTgaKey, "", sys::kRegSz, WithZero("v")); }},
      {"OwnViewWhenNotAskedFor", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted, kOmitted, 0, Nothing, 1,
       -1, [](Env& env) { ExpectValue(env, kHkcr, kTgaKey, "", sys::kRegSz, WithZero("v")); }},
      {"FlagOtherThanOneIsTheOwnView", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted, kOmitted, 2,
       Nothing, 1, -1, [](Env& env) { ExpectValue(env, kHkcr, kTgaKey, "", sys::kRegSz, WithZero("v")); }},
  };
}

std::vector<Scenario> ProbeScenarios() {
  auto key = [](const std::string& path) {
    return [path](Env& env) { env.reg().AddKey(kHkcr, path, env.target); };
  };
  return {
      {"KeyWithoutDefaultValue", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1, key(kTgaKey),
       1, -1,
       [](Env& env) {
         EXPECT_EQ(env.reg().Calls("RegQueryValueExA"), 0);
         EXPECT_EQ(env.reg().Calls("RegDisableReflectionKey"), 0);
       }},
      {"KeyWhoseDefaultValueIsEmpty", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().PutValue(kHkcr, kTgaKey, "", sys::kRegSz, "", env.target); }, 1, -1, Nothing},
      {"OnlyTheParentKey", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1,
       key("SystemFileAssociations\\.tga\\Shell"), 0, -1, Nothing},
      {"AbsentKey", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1, Nothing, 0, -1, Nothing},
      {"KeyOnlyInTheOtherView", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().AddKey(kHkcr, kTgaKey, env.other); }, 0, -1, Nothing, "", true},
      {"NotAskedForMissesTheOtherView", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 0,
       [](Env& env) { env.reg().AddKey(kHkcr, kTgaKey, env.other); }, 0, -1, Nothing, "", true},
      {"NotAskedForSeesTheOwnView", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 0,
       key(kTgaKey), 1, -1, Nothing},
      {"NamedValueWithData", Op::kExists, 3, "K\\V", "", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().PutValue(kHkcu, "K", "V", sys::kRegSz, WithZero("abc"), env.target); }, 1, -1,
       [](Env& env) {
         EXPECT_NE(Find(env.reg().log, "RegQueryValueExA HKCU\\k \"V\" size"), nullptr);  // no type, no data
         EXPECT_EQ(env.reg().Calls("RegDisableReflectionKey"), env.wow64Path ? 1 : 0);
         EXPECT_EQ(env.reg().Calls("RegEnableReflectionKey"), env.wow64Path ? 1 : 0);
       }},
      {"NamedValueWithNoBytes", Op::kExists, 3, "K\\V", "", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().PutValue(kHkcu, "K", "V", sys::kRegBinary, "", env.target); }, 0, -1, Nothing},
      {"EmptyStringWithItsTerminator", Op::kExists, 3, "K\\V", "", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().PutValue(kHkcu, "K", "V", sys::kRegSz, std::string(1, '\0'), env.target); }, 1, -1,
       Nothing},
      {"AbsentValueOfAnExistingKey", Op::kExists, 3, "K\\V", "", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().AddKey(kHkcu, "K", env.target); }, 0, -1, Nothing},
      {"PathWithoutBackslashNamesAKey", Op::kExists, 3, "Name", "", kOmitted, kOmitted, 1,
       [](Env& env) { env.reg().AddKey(kHkcu, "Name", env.target); }, 1, -1,
       [](Env& env) { EXPECT_EQ(env.reg().Calls("RegQueryValueExA"), 0); }},
      {"KeyCannotBeOpened", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1,
       [](Env& env) {
         env.reg().AddKey(kHkcr, kTgaKey, env.target);
         env.reg().FailCall("RegOpenKeyExA", 1);
       },
       0, -1, [](Env& env) { EXPECT_EQ(env.reg().Calls("RegCloseKey"), 0); }},
      {"ValueCannotBeQueried", Op::kExists, 3, "K\\V", "", kOmitted, kOmitted, 1,
       [](Env& env) {
         env.reg().PutValue(kHkcu, "K", "V", sys::kRegSz, WithZero("abc"), env.target);
         env.reg().FailCall("RegQueryValueExA", 1, sys::kErrorMoreData);
       },
       0, -1, [](Env& env) { EXPECT_EQ(env.reg().Calls("RegCloseKey"), 1); }},
      {"RedirectionCannotBeSwitchedOff", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1,
       [](Env& env) {
         env.reg().AddKey(kHkcr, kTgaKey, env.target);
         env.reg().FailCall("Wow64DisableWow64FsRedirection", 1);
       },
       1, 0,
       [](Env& env) {
         if (env.wow64Path) {
           EXPECT_EQ(env.reg().Calls("RegOpenKeyExA"), 0);
         }
       }},
      {"ReadOnlyRootStillReads", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1,
       [](Env& env) {
         env.reg().AddKey(kHkcr, kTgaKey, env.target);
         env.reg().readOnlyRoots.insert(kHkcr);
       },
       1, -1, Nothing},
  };
}

struct Case {
  Platform platform;
  Scenario scenario;
};

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const Platform& platform : kPlatforms) {
    for (const Scenario& s : WriterScenarios()) cases.push_back({platform, s});
    for (const Scenario& s : ProbeScenarios()) {
      // 32-bit Windows has one registry view: there is no other one to miss.
      if (s.needsTwoViews && platform.architecture == sys::kProcessorArchitectureIntel) continue;
      cases.push_back({platform, s});
    }
  }
  return cases;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.platform.name << " " << c.scenario.name; }

class RegistryScenario : public testing::TestWithParam<Case> {};

TEST_P(RegistryScenario, GivesItsResultAndLeavesNothingOpen) {
  const Platform& platform = GetParam().platform;
  const Scenario& s = GetParam().scenario;
  sim::SimulatedWindows windows;
  windows.processorArchitecture = platform.architecture;
  windows.processIs64Bit = platform.processIs64Bit;
  windows.UpdateApi();
  Env env{windows, platform, false, View::kNative, View::kNative, ""};
  env.TakeOwnView();
  if (s.use64BitView == 1) {
    env.wow64Path = env.TwoViews() && !platform.processIs64Bit;
    env.target = View::kNative;
    env.other = env.TwoViews() ? View::kWow32 : View::kNative;
  }
  s.arrange(env);
  env.before = windows.registry.Dump();
  const bool redirectionBefore = windows.registry.fsRedirectionDisabled;

  int result = -1;
  core::Text path(s.path.c_str());
  core::ByteBuffer data(s.data.data(), s.data.size());
  switch (s.op) {
    case Op::kWrite:
      result = registry::WriteRegistryValue(s.rootCode, path, data, s.valueType, s.rawData, s.use64BitView);
      break;
    case Op::kWriteKeyValue:
      result = registry::WriteRegistryKeyValue(s.rootCode, path, s.valueName.c_str(), data, s.valueType, s.rawData,
                                               s.use64BitView);
      break;
    case Op::kExists:
      result = registry::RegistryValueExists(s.rootCode, path, s.use64BitView);
      break;
  }

  std::string log;
  for (const std::string& line : windows.registry.log) log += "  " + line + "\n";
  SCOPED_TRACE("calls:\n" + log);
  EXPECT_EQ(result, env.wow64Path && s.expectedOnWow64Path >= 0 ? s.expectedOnWow64Path : s.expected);
  for (const std::string& problem : windows.registry.Problems()) ADD_FAILURE() << problem;
  EXPECT_EQ(windows.registry.fsRedirectionDisabled, redirectionBefore);
  EXPECT_TRUE(windows.messageBoxes.empty());

  // The masks of the path taken, on every open and create.
  const bool writes = s.op != Op::kExists;
  const std::string mask = writes ? (env.wow64Path ? " 0x2011F" : " 0x2001F") : (env.wow64Path ? " 0x20119" : " 0x20019");
  for (const std::string& line : windows.registry.log) {
    if (line.rfind("RegOpenKeyExA", 0) == 0 || line.rfind("RegCreateKeyExA", 0) == 0) {
      EXPECT_GE(line.size(), mask.size());
      EXPECT_EQ(line.substr(line.size() - mask.size()), mask) << line;
    }
  }
  if (!env.wow64Path) {
    for (const char* function : {"Wow64DisableWow64FsRedirection", "Wow64RevertWow64FsRedirection",
                                 "RegDisableReflectionKey", "RegEnableReflectionKey"})
      EXPECT_EQ(windows.registry.Calls(function), 0) << function;
  } else {
    EXPECT_EQ(windows.registry.Calls("Wow64DisableWow64FsRedirection"), 1);
    EXPECT_EQ(windows.registry.Calls("Wow64RevertWow64FsRedirection"), windows.registry.cookiesHandedOut.size());
    EXPECT_EQ(windows.registry.Calls("RegDisableReflectionKey"), windows.registry.Calls("RegEnableReflectionKey"));
  }
  if (!writes) ExpectUnchanged(env);

  s.verify(env);

  core::ReleaseExternalFunctions();
  EXPECT_EQ(windows.TotalReferences(), 0);
}

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  return std::string(info.param.platform.name) + "_" + (info.param.scenario.op == Op::kExists ? "Probe" : "Write") +
         "_" + info.param.scenario.name;
}

INSTANTIATE_TEST_SUITE_P(Table, RegistryScenario, testing::ValuesIn(AllCases()), CaseName);

// ---- The order of the calls on the WoW64 path, in full.

std::vector<std::string> WithoutFaultNotes(const std::vector<std::string>& log) {
  std::vector<std::string> out;
  for (const std::string& line : log)
    if (line.rfind("fault: ", 0) != 0) out.push_back(line);
  return out;
}

TEST(Wow64Order, WriterSwitchesRedirectionAroundAllAndReflectionAroundTheValue) {
  sim::SimulatedWindows windows;
  windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
  ASSERT_EQ(registry::WriteRegistryValue(1, texts::kImageEditCommandPath, core::ByteBuffer("p", 1),
                                         Given(sys::kRegExpandSz), kOmitted, 1),
            1);
  const std::string key = "HKCR\\systemfileassociations\\image\\shell\\edit\\command";
  const std::vector<std::string> expected = {
      "Wow64DisableWow64FsRedirection",
      "RegOpenKeyExA HKCR \"\" 0x2011F",
      "RegCreateKeyExA HKCR \"SystemFileAssociations\\image\\shell\\edit\\command\\\" 0x2011F",
      "RegDisableReflectionKey " + key,
      "RegSetValueExA " + key + " null type 2 size 2",
      "RegEnableReflectionKey " + key,
      "RegCloseKey " + key,
      "RegCloseKey HKCR",
      "Wow64RevertWow64FsRedirection",
  };
  EXPECT_EQ(WithoutFaultNotes(windows.registry.log), expected);
  EXPECT_TRUE(windows.registry.Problems().empty());
}

TEST(Wow64Order, WriterRevertsRedirectionLastOnEveryFailure) {
  for (const char* failing : {"RegOpenKeyExA", "RegCreateKeyExA", "RegSetValueExA"}) {
    sim::SimulatedWindows windows;
    windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
    windows.registry.FailCall(failing, 1);
    EXPECT_EQ(registry::WriteRegistryValue(1, "A\\B\\", core::ByteBuffer("p", 1), kOmitted, kOmitted, 1), 0);
    ASSERT_FALSE(windows.registry.log.empty());
    EXPECT_EQ(windows.registry.log.front(), "Wow64DisableWow64FsRedirection") << failing;
    EXPECT_EQ(windows.registry.log.back(), "Wow64RevertWow64FsRedirection") << failing;
    EXPECT_TRUE(windows.registry.Problems().empty()) << failing;
  }
}

TEST(Wow64Order, ProbeSwitchesReflectionAroundTheQueryOnly) {
  sim::SimulatedWindows windows;
  windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
  windows.registry.PutValue(kHkcu, "K", "V", sys::kRegSz, WithZero("abc"));
  ASSERT_EQ(registry::RegistryValueExists(3, "K\\V", 1), 1);
  const std::vector<std::string> expected = {
      "Wow64DisableWow64FsRedirection",
      "RegOpenKeyExA HKCU \"K\" 0x20119",
      "RegDisableReflectionKey HKCU\\k",
      "RegQueryValueExA HKCU\\k \"V\" size",
      "RegEnableReflectionKey HKCU\\k",
      "RegCloseKey HKCU\\k",
      "Wow64RevertWow64FsRedirection",
  };
  EXPECT_EQ(windows.registry.log, expected);
  EXPECT_TRUE(windows.registry.Problems().empty());
}

// The redirection state the thread had before is the one it has after, even when it
// was already off (the value handed back restores exactly that).
TEST(Wow64Order, RedirectionAlreadyOffStaysOff) {
  sim::SimulatedWindows windows;
  windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
  void* outer = nullptr;
  ASSERT_EQ(windows.registry.DisableRedirection(&outer), 1);
  EXPECT_EQ(registry::WriteRegistryValue(3, "K\\", core::ByteBuffer("p", 1), kOmitted, kOmitted, 1), 1);
  EXPECT_TRUE(windows.registry.fsRedirectionDisabled);
  ASSERT_EQ(windows.registry.cookiesReverted.size(), 1u);
  EXPECT_EQ(windows.registry.cookiesReverted[0], windows.registry.cookiesHandedOut[1]);
  ASSERT_EQ(windows.registry.RevertRedirection(outer), 1);
  EXPECT_TRUE(windows.registry.Problems().empty());
}

// Each reflection switch loads advapi32 and releases it again before returning.
TEST(Wow64Order, EveryReflectionSwitchLoadsAndReleasesAdvapi32) {
  sim::SimulatedWindows windows;
  windows.processorArchitecture = sys::kProcessorArchitectureAmd64;
  ASSERT_EQ(registry::WriteRegistryValue(3, "K\\", core::ByteBuffer("p", 1), kOmitted, kOmitted, 1), 1);
  ASSERT_EQ(registry::WriteRegistryValue(3, "K\\", core::ByteBuffer("q", 1), kOmitted, kOmitted, 1), 1);
  int advapiLoadsByName = 0;
  for (const sim::LibraryLoad& load : windows.loads) advapiLoadsByName += load.requested == "advapi32.dll" && load.flags == 0;
  EXPECT_EQ(advapiLoadsByName, 4);
  // Left: the table's own entries (RegOpenKeyExA, RegCreateKeyExA, RegSetValueExA,
  // RegCloseKey) and kernel32's, each loaded once for itself.
  EXPECT_EQ(windows.References("advapi32.dll"), 4);
  core::ReleaseExternalFunctions();
  EXPECT_EQ(windows.TotalReferences(), 0);
}

}  // namespace
