// The probe and the writer against Wine's real registry, as the 64-bit build runs
// them (its own view is the 64-bit one; no WoW64 switches). What the writer stored is
// read back twice: raw, through RegQueryValueExA and RegQueryValueExW, and as the
// system's reg tool shows it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/external_functions.h"
#include "core/system_api.h"
#include "core/text.h"
#include "core/texts.h"
#include "registry/registry.h"
#include "tests/wine/registry/scratch.h"

namespace {

using registry::Given;
using registry::kOmitted;
using registry::OptionalInt;

class ScratchEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    if (!scratch::Begin("registry")) {
      std::fprintf(stderr, "HKEY_CLASSES_ROOT cannot be mapped to a scratch key; not running\n");
      std::exit(1);
    }
  }
  void TearDown() override {
    core::ReleaseExternalFunctions();
    scratch::End();
  }
};
testing::Environment* const g_environment = testing::AddGlobalTestEnvironment(new ScratchEnvironment);

const std::string kTgaKey = "SystemFileAssociations\\.tga\\Shell\\edit\\Command";
const std::string kImageKey = "SystemFileAssociations\\image\\shell\\edit\\command";
// An editor in a folder with a Chinese name: "D:\图像工具\Photoshop.exe" "%1".
const std::string kEditorCommand = "\"D:\\图像工具\\Photoshop.exe\" \"%1\"";

std::string WithZero(const std::string& text) { return text + std::string(1, '\0'); }

// Where a root code's paths live for this process.
HKEY Area(int rootCode) { return rootCode == 1 ? scratch::Classes() : scratch::User(); }
std::string AreaName(int rootCode) {
  return "HKEY_CURRENT_USER\\" + scratch::Path() + (rootCode == 1 ? "\\classes" : "\\user");
}
// The path as the program is given it: below HKEY_CURRENT_USER it starts with the
// scratch key.
std::string ProgramPath(int rootCode, const std::string& path) {
  return rootCode == 1 ? path : scratch::Path() + "\\user\\" + path;
}

void Put(int rootCode, const std::string& key, const char* name, DWORD type, const std::string& bytes) {
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(Area(rootCode), key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr), 0);
  ASSERT_EQ(RegSetValueExA(handle, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())),
            0);
  RegCloseKey(handle);
}

bool KeyExists(int rootCode, const std::string& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExA(Area(rootCode), key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// Every key and value below a key, one line each.
void DumpKey(HKEY key, const std::string& prefix, std::string* out) {
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD nameSize = sizeof name;
    DWORD type = 0;
    BYTE data[4096];
    DWORD dataSize = sizeof data;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    *out += prefix + " [" + name + "] " + std::to_string(type) + ":" +
            std::string(reinterpret_cast<char*>(data), dataSize) + "\n";
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameSize = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    *out += prefix + "\\" + name + "\n";
    HKEY sub = nullptr;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
      DumpKey(sub, prefix + "\\" + name, out);
      RegCloseKey(sub);
    }
  }
}

std::string Dump() {
  std::string out;
  DumpKey(scratch::Classes(), "classes", &out);
  DumpKey(scratch::User(), "user", &out);
  return out;
}

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    default: return "?";
  }
}

bool IsString(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

std::string HexUpper(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char byte : bytes) {
    out += digits[byte >> 4];
    out += digits[byte & 15];
  }
  return out;
}

struct RegQueryLine {
  bool found = false;
  std::string type;
  std::string data;
};

// `reg query <key> /ve` or `/v <name>`, read back from its output.
RegQueryLine RegQuery(int rootCode, const std::string& key, const std::string& name) {
  std::string command = "C:\\windows\\system32\\reg.exe query \"" + AreaName(rootCode) + "\\" + key + "\" " +
                        (name.empty() ? "/ve" : "/v \"" + name + "\"");
  std::string output;
  DWORD exitCode = 1;
  RegQueryLine line;
  EXPECT_TRUE(scratch::Run(command, &output, &exitCode)) << command;
  if (exitCode != 0) return line;
  std::size_t type = output.find("    REG_");
  if (type == std::string::npos) return line;
  type += 4;
  std::size_t typeEnd = output.find_first_of(" \r\n", type);
  std::size_t end = output.find("\r\n", typeEnd);
  line.found = true;
  line.type = output.substr(type, typeEnd - type);
  std::size_t data = typeEnd + 4 <= end ? typeEnd + 4 : end;
  line.data = output.substr(data, end - data);
  return line;
}

// The value as stored: type and bytes through the A function, the UTF-16 form with
// exactly one terminating zero character through the W function, and reg's view.
void ExpectStored(int rootCode, const std::string& key, const std::string& name, DWORD type,
                  const std::string& bytes) {
  SCOPED_TRACE(key + " [" + name + "]");
  HKEY handle = nullptr;
  ASSERT_EQ(RegOpenKeyExA(Area(rootCode), key.c_str(), 0, KEY_READ, &handle), 0) << Dump();
  DWORD storedType = 99;
  BYTE data[4096];
  DWORD size = sizeof data;
  ASSERT_EQ(RegQueryValueExA(handle, name.empty() ? nullptr : name.c_str(), nullptr, &storedType, data, &size), 0);
  EXPECT_EQ(storedType, type);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), bytes);

  wchar_t wideName[512] = {};
  MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wideName, 512);
  BYTE wide[8192];
  DWORD wideSize = sizeof wide;
  ASSERT_EQ(RegQueryValueExW(handle, name.empty() ? nullptr : wideName, nullptr, nullptr, wide, &wideSize), 0);
  RegCloseKey(handle);
  if (IsString(type)) {
    std::wstring expected(bytes.size() + 1, L'\0');
    int chars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &expected[0],
                                    static_cast<int>(expected.size()));
    expected.resize(static_cast<std::size_t>(chars));
    EXPECT_EQ(std::wstring(reinterpret_cast<wchar_t*>(wide), wideSize / sizeof(wchar_t)), expected);
  } else {
    EXPECT_EQ(std::string(reinterpret_cast<char*>(wide), wideSize), bytes);
  }

  RegQueryLine shown = RegQuery(rootCode, key, name);
  ASSERT_TRUE(shown.found);
  EXPECT_EQ(shown.type, TypeName(type));
  std::string text = IsString(type) && !bytes.empty() && bytes.back() == '\0' ? bytes.substr(0, bytes.size() - 1) : bytes;
  EXPECT_EQ(shown.data, IsString(type) ? text : HexUpper(bytes));
}

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
  std::function<void()> arrange;
  int expected;
  std::function<void(const std::string& before)> verify;
  std::string valueName = "";  // kWriteKeyValue only
};

void Nothing() {}
void Unchanged(const std::string& before) { EXPECT_EQ(Dump(), before); }

std::vector<Scenario> Scenarios() {
  return {
      // ---- The writer.
      {"TextGetsExactlyOneTerminatingZero", Op::kWrite, 1, texts::kTgaEditCommandPath, kEditorCommand, kOmitted,
       kOmitted, 1, Nothing, 1,
       [](const std::string&) { ExpectStored(1, kTgaKey, "", REG_SZ, WithZero(kEditorCommand)); }},
      {"PaintCommandAsExpandSz", Op::kWrite, 1, texts::kImageEditCommandPath, texts::kPaintEditCommand,
       Given(REG_EXPAND_SZ), kOmitted, 1, Nothing, 1,
       [](const std::string&) { ExpectStored(1, kImageKey, "", REG_EXPAND_SZ, WithZero(texts::kPaintEditCommand)); }},
      {"ReplacesAValueOfAnotherType", Op::kWrite, 1, texts::kImageEditCommandPath, "abc", kOmitted, kOmitted, 1,
       [] { Put(1, kImageKey, nullptr, REG_DWORD, std::string("\1\0\0\0", 4)); }, 1,
       [](const std::string&) { ExpectStored(1, kImageKey, "", REG_SZ, WithZero("abc")); }},
      {"RegNoneStaysRegNone", Op::kWrite, 3, "K\\", "x", Given(REG_NONE), kOmitted, 1, Nothing, 1,
       [](const std::string&) { ExpectStored(3, "K", "", REG_NONE, WithZero("x")); }},
      {"RawEmptyDataStoresNoBytes", Op::kWrite, 3, "K\\V", "", Given(REG_BINARY), Given(1), 1, Nothing, 1,
       [](const std::string&) { ExpectStored(3, "K", "V", REG_BINARY, ""); }},
      {"RawDataIsStoredUnchanged", Op::kWrite, 3, "K\\V", std::string("a\0b\xFF", 4), Given(REG_BINARY), Given(1), 1,
       Nothing, 1, [](const std::string&) { ExpectStored(3, "K", "V", REG_BINARY, std::string("a\0b\xFF", 4)); }},
      {"RawFlagOtherThanOneAppendsZero", Op::kWrite, 3, "K\\V", "ab", kOmitted, Given(2), 1, Nothing, 1,
       [](const std::string&) { ExpectStored(3, "K", "V", REG_SZ, WithZero("ab")); }},
      {"EmptyTextStoresOneZeroByte", Op::kWrite, 3, "K\\", "", kOmitted, kOmitted, 1, Nothing, 1,
       [](const std::string&) { ExpectStored(3, "K", "", REG_SZ, std::string(1, '\0')); }},
      {"NamedValueBelowItsKey", Op::kWrite, 3, "Software\\Tool\\Name", "v", kOmitted, kOmitted, 1, Nothing, 1,
       [](const std::string&) {
         ExpectStored(3, "Software\\Tool", "Name", REG_SZ, WithZero("v"));
         EXPECT_FALSE(KeyExists(3, "Software\\Tool\\Name"));
       }},
      {"KeyValueWithEmptyNameIsTheDefault", Op::kWriteKeyValue, 3, "A\\B", "v", kOmitted, kOmitted, 1, Nothing, 1,
       [](const std::string&) { ExpectStored(3, "A\\B", "", REG_SZ, WithZero("v")); }, ""},
      {"KeyValueWithName", Op::kWriteKeyValue, 3, "A", "v", Given(REG_EXPAND_SZ), kOmitted, 1, Nothing, 1,
       [](const std::string&) { ExpectStored(3, "A", "Cmd", REG_EXPAND_SZ, WithZero("v")); }, "Cmd"},
      {"DoubledBackslashNamesNoEmptyKey", Op::kWrite, 3, "A\\\\B\\", "v", kOmitted, kOmitted, 1, Nothing, 1,
       [](const std::string&) { ExpectStored(3, "A\\B", "", REG_SZ, WithZero("v")); }},
      {"LeadingBackslashWritesOnTheRootItself", Op::kWrite, 1, "\\Name", "v", kOmitted, kOmitted, 1, Nothing, 1,
       [](const std::string&) {
         DWORD size = 0;
         EXPECT_EQ(RegQueryValueExA(scratch::Classes(), "Name", nullptr, nullptr, nullptr, &size), 0) << Dump();
         EXPECT_EQ(size, 2u);
       }},
      {"DoubleByteNamesAreNotCutAtTheirSecondByte", Op::kWrite, 1, "\xCD\xBC\xC6\xAC\\\x81\x5C\\", "v", kOmitted,
       kOmitted, 1, Nothing, 1,
       [](const std::string&) {
         ExpectStored(1, "\xCD\xBC\xC6\xAC\\\x81\x5C", "", REG_SZ, WithZero("v"));
         EXPECT_EQ(Dump(), "classes\\\xCD\xBC\xC6\xAC\nclasses\\\xCD\xBC\xC6\xAC\\\x81\x5C\n"
                           "classes\\\xCD\xBC\xC6\xAC\\\x81\x5C [] 1:v" + std::string(1, '\0') + "\n");
       }},
      {"KeyPathStartingWithBackslashCannotBeCreated", Op::kWrite, 1, "\\A\\", "v", kOmitted, kOmitted, 1, Nothing, 0,
       Unchanged},
      {"OverlongKeyNameCannotBeCreated", Op::kWrite, 3, "A\\" + std::string(256, 'k') + "\\", "v", kOmitted, kOmitted,
       1, Nothing, 0, Unchanged},
      {"OverlongValueNameCannotBeSetButTheKeyStays", Op::kWrite, 3, "A\\" + std::string(16384, 'n'), "v", kOmitted,
       kOmitted, 1, Nothing, 0,
       [](const std::string&) {
         EXPECT_TRUE(KeyExists(3, "A"));
         EXPECT_EQ(Dump(), "user\\A\n");
       }},
      {"OwnViewWhenNotAskedFor", Op::kWrite, 1, texts::kTgaEditCommandPath, "v", kOmitted, kOmitted, 0, Nothing, 1,
       [](const std::string&) { ExpectStored(1, kTgaKey, "", REG_SZ, WithZero("v")); }},

      // ---- The probe.
      {"ProbeKeyWithoutDefaultValue", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1,
       [] { Put(1, kTgaKey, "Other", REG_SZ, WithZero("x")); }, 1, Unchanged},
      {"ProbeKeyWhoseDefaultValueIsEmpty", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1,
       [] { Put(1, kTgaKey, nullptr, REG_SZ, ""); }, 1, Unchanged},
      {"ProbeOnlyTheParentKey", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1,
       [] { Put(1, "SystemFileAssociations\\.tga\\Shell", "x", REG_SZ, WithZero("x")); }, 0, Unchanged},
      {"ProbeAbsentKey", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 1, Nothing, 0, Unchanged},
      {"ProbeNamedValueWithData", Op::kExists, 3, "K\\V", "", kOmitted, kOmitted, 1,
       [] { Put(3, "K", "V", REG_SZ, WithZero("abc")); }, 1, Unchanged},
      {"ProbeNamedValueWithNoBytes", Op::kExists, 3, "K\\V", "", kOmitted, kOmitted, 1,
       [] { Put(3, "K", "V", REG_BINARY, ""); }, 0, Unchanged},
      {"ProbeEmptyStringWithItsTerminator", Op::kExists, 3, "K\\V", "", kOmitted, kOmitted, 1,
       [] { Put(3, "K", "V", REG_SZ, std::string(1, '\0')); }, 1, Unchanged},
      {"ProbeAbsentValueOfAnExistingKey", Op::kExists, 3, "K\\V", "", kOmitted, kOmitted, 1,
       [] { Put(3, "K", "W", REG_SZ, WithZero("abc")); }, 0, Unchanged},
      {"ProbePathWithoutBackslashNamesAKey", Op::kExists, 1, "Name", "", kOmitted, kOmitted, 1,
       [] { Put(1, "Name", "x", REG_SZ, WithZero("x")); }, 1, Unchanged},
      {"ProbeNotAskedForSeesTheOwnView", Op::kExists, 1, texts::kTgaEditCommandPath, "", kOmitted, kOmitted, 0,
       [] { Put(1, kTgaKey, nullptr, REG_SZ, WithZero("x")); }, 1, Unchanged},
  };
}

class WineRegistry : public testing::TestWithParam<Scenario> {
 protected:
  void SetUp() override { scratch::Clear(); }
  void TearDown() override { scratch::Clear(); }
};

TEST_P(WineRegistry, GivesItsResultAndStoresExactBytes) {
  const Scenario& s = GetParam();
  s.arrange();
  const std::string before = Dump();
  core::Text path(ProgramPath(s.rootCode, s.path).c_str());
  core::ByteBuffer data(s.data.data(), s.data.size());
  int result = -1;
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
  EXPECT_EQ(result, s.expected);
  s.verify(before);
}

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

INSTANTIATE_TEST_SUITE_P(Table, WineRegistry, testing::ValuesIn(Scenarios()),
                         [](const testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// ---- The 64-bit view as a 64-bit process sees it.

TEST(WineRegistry64Bit, ItsOwnViewIsThe64BitOneAndTheSwitchesStayOff) {
  EXPECT_TRUE(sys::System().processIs64Bit);
  EXPECT_EQ(registry::IsNative64BitWindows(), 1);
  EXPECT_FALSE(registry::UseWow64Path(1));
  // Why: for a 64-bit process the redirection switch is no switch at all; taking the
  // WoW64 path here would fail every write.
  void* oldValue = nullptr;
  EXPECT_EQ(registry::DisableFsRedirection(&oldValue), 0);
}

TEST(WineRegistry64Bit, KeyOnlyInThe32BitViewIsNotSeen) {
  const std::string path = scratch::Path();  // below HKEY_LOCAL_MACHINE\Software this time
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr,
                            &key, nullptr),
            0);
  RegCloseKey(key);
  // The arrangement itself: in the 32-bit view only.
  bool in64 = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS;
  if (in64) RegCloseKey(key);
  EXPECT_FALSE(in64);

  EXPECT_EQ(registry::RegistryValueExists(4, (path + "\\").c_str(), 1), 0);
  EXPECT_EQ(registry::RegistryValueExists(4, (path + "\\").c_str(), 0), 0);
  EXPECT_EQ(registry::WriteRegistryValue(4, (path + "\\").c_str(), core::ByteBuffer("v", 1), kOmitted, kOmitted, 1), 1);
  EXPECT_EQ(registry::RegistryValueExists(4, (path + "\\").c_str(), 1), 1);

  RegDeleteTreeA(HKEY_LOCAL_MACHINE, path.c_str());
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\SetImageEditorTests");
  RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\SetImageEditorTests", KEY_WOW64_32KEY, 0);
}

// What the program sees of HKEY_CLASSES_ROOT is the scratch key: the real one
// stays untouched.
TEST(WineRegistry64Bit, WritesReachTheScratchKeyOnly) {
  scratch::Clear();
  ASSERT_EQ(registry::WriteRegistryValue(1, texts::kDdsEditCommandPath, core::ByteBuffer("v", 1), kOmitted, kOmitted, 1),
            1);
  EXPECT_TRUE(KeyExists(1, "SystemFileAssociations\\.dds\\Shell\\edit\\Command"));
  std::string output;
  DWORD exitCode = 0;
  ASSERT_TRUE(scratch::Run("C:\\windows\\system32\\reg.exe query \"HKEY_CLASSES_ROOT\\SystemFileAssociations\\.dds\\Shell\\edit\\Command\" /ve",
                           &output, &exitCode));
  EXPECT_NE(exitCode, 0u) << output;  // another process sees the real HKEY_CLASSES_ROOT
  scratch::Clear();
}

}  // namespace
