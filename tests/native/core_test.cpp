// The portable core: texts, the fatal error report and the table of functions bound
// by name, against the simulated Windows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/dbcs.h"
#include "core/external_functions.h"
#include "core/fatal_error.h"
#include "core/process_state.h"
#include "core/text.h"
#include "core/texts.h"
#include "tests/sim/simulated_windows.h"

namespace {

using core::ByteBuffer;
using core::Text;

std::string Hex(const char* bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes); *p; ++p) {
    if (!out.empty()) out += ' ';
    out += digits[*p >> 4];
    out += digits[*p & 15];
  }
  return out;
}

TEST(Texts, AreStoredAsCodePage936Bytes) {
  EXPECT_EQ(Hex(texts::kInfoCaption), "D0 C5 CF A2 A3 BA");  // 信息：
  EXPECT_EQ(Hex(texts::kFatalCaption), "B4 ED CE F3");       // 错误
  EXPECT_EQ(Hex(texts::kButton2FontFace), "CE A2 C8 ED D1 C5 BA DA");  // 微软雅黑
  EXPECT_EQ(std::string(texts::kButton2), "\xD6\xB8\xB6\xA8\xCF\xB5\xCD\xB3\xC4\xAC\xC8\xCF\xCD\xBC\xC6\xAC"
                                          "\xB1\xE0\xBC\xAD\xC6\xF7\r\n\xCD\xA8\xB3\xA3\xD6\xB8\xB6\xA8PhotoShop");
}

TEST(TextTest, EndsAtFirstZeroByteAndCopiesOnAppend) {
  Text t("ab\0cd", 5);
  EXPECT_EQ(t.size(), 2u);
  Text u = t;
  u.Append("xyz", 2);
  EXPECT_STREQ(u.c_str(), "abxy");
  EXPECT_STREQ(t.c_str(), "ab");
  EXPECT_EQ(Text(nullptr), Text(""));
  EXPECT_EQ(Text().OrNull(), nullptr);
  EXPECT_STREQ(Text().c_str(), "");
}

TEST(ByteBufferTest, KeepsZeroBytesAndEmptyIsNull) {
  ByteBuffer b("a\0b", 3);
  EXPECT_EQ(b.size(), 3u);
  EXPECT_EQ(b.ToText(), Text("a"));
  EXPECT_EQ(ByteBuffer().data(), nullptr);
  ByteBuffer fromText = ByteBuffer::FromText(Text("abc"));
  ASSERT_EQ(fromText.size(), 3u);  // no terminator
  EXPECT_EQ(std::memcmp(fromText.data(), "abc", 3), 0);
}

struct BackslashCase {
  const char* name;
  std::string bytes;
  std::size_t expected;
};

class FindLastBackslashTest : public testing::TestWithParam<BackslashCase> {};

TEST_P(FindLastBackslashTest, RespectsDoubleByteCharacters) {
  const BackslashCase& c = GetParam();
  EXPECT_EQ(core::FindLastBackslash(c.bytes.data(), c.bytes.size()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindLastBackslashTest,
    testing::Values(BackslashCase{"empty", "", 0}, BackslashCase{"none", "abc", 0},
                    BackslashCase{"first", "\\a", 1}, BackslashCase{"last", "C:\\Tools\\x.exe", 9},
                    // 0x81 0x5C is one character: its second byte is not a separator.
                    BackslashCase{"trailByte", std::string("C:\\\x81\\dir"), 3},
                    BackslashCase{"trailByteThenSeparator", std::string("C:\\\x81\\\\x"), 6},
                    // A lead byte in the last position ends the walk.
                    BackslashCase{"leadAtEnd", std::string("a\\b\x81"), 2}),
    [](const testing::TestParamInfo<BackslashCase>& info) { return std::string(info.param.name); });

TEST(FatalErrorText, LayoutByCodeAndMessage) {
  char text[512];
  core::BuildFatalErrorText("", 0, text, sizeof text);
  EXPECT_EQ(std::string(text), std::string(texts::kFatalHeading) + "\r\n");

  core::BuildFatalErrorText(texts::kFatalStackImbalance, 6, text, sizeof text);
  EXPECT_EQ(std::string(text), std::string(texts::kFatalHeading) + "\r\n\r\n" + texts::kFatalCodeLabel + "6\r\n\r\n" +
                                   texts::kFatalMessageLabel + texts::kFatalStackImbalance + "\r\n");
}

TEST(FatalErrorText, NeverWritesPastItsBuffer) {
  char text[8];
  std::memset(text, 'x', sizeof text);
  std::size_t length = core::BuildFatalErrorText("a long message", 9, text, 5);
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(text[4], '\0');
  EXPECT_EQ(text[5], 'x');
}

TEST(FatalErrorText, FormatsAllocationFailureInDecimal) {
  char text[64];
  core::FormatAllocationFailure(123456, text, sizeof text);
  EXPECT_EQ(std::string(text), "\xB7\xD6\xC5\xE4 123456 \xD7\xD6\xBD\xDA\xC4\xDA\xB4\xE6\xCA\xA7\xB0\xDC!");
}

class BindingTest : public testing::Test {
 protected:
  sim::SimulatedWindows windows;
};

TEST_F(BindingTest, BindsOnceFromTheSystemDirectoryAndReleasesAtShutdown) {
  sys::FarProc first = core::BindExternalFunction(core::kGetModuleHandleA);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(core::BindExternalFunction(core::kGetModuleHandleA), first);
  ASSERT_EQ(windows.loads.size(), 1u);
  EXPECT_EQ(windows.loads[0].requested, "kernel32");
  EXPECT_EQ(windows.loads[0].flags, sys::kLoadLibrarySearchSystem32);
  EXPECT_EQ(windows.loads[0].loadedFrom, "C:\\Windows\\system32\\kernel32.dll");

  core::BindExternalFunction(core::kGetProcAddress);  // same library, its own reference
  EXPECT_EQ(windows.References("kernel32.dll"), 2);
  core::ReleaseExternalFunctions();
  EXPECT_EQ(windows.References("kernel32.dll"), 0);
}

TEST_F(BindingTest, WithoutSearchFlagsLoadsTheFullSystemPath) {
  windows.searchFlagsSupported = false;
  core::BindExternalFunction(core::kGetModuleHandleA);
  ASSERT_EQ(windows.loads.size(), 2u);
  EXPECT_EQ(windows.loads[1].requested, "C:\\Windows\\system32\\kernel32.dll");
  EXPECT_EQ(windows.loads[1].loadedFrom, "C:\\Windows\\system32\\kernel32.dll");
}

TEST_F(BindingTest, IgnoresALibraryPlantedBesideTheProgram) {
  windows.PlantLibrary("C:\\Tools\\kernel32.dll");
  for (bool flags : {true, false}) {
    windows.searchFlagsSupported = flags;
    core::ReleaseExternalFunctions();
    windows.loads.clear();
    ASSERT_NE(core::BindExternalFunction(core::kLoadLibraryA), nullptr);
    for (const sim::LibraryLoad& load : windows.loads)
      EXPECT_NE(load.loadedFrom, "C:\\Tools\\kernel32.dll") << load.requested;
  }
}

struct MissingCase {
  const char* name;
  core::ExternalFunction index;
  const char* library;
  const char* function;
  bool libraryMissing;  // otherwise the library is there without the function
};

class MissingFunctionTest : public testing::TestWithParam<MissingCase> {};

TEST_P(MissingFunctionTest, IsFatalWithTheTableNamesAndReleasesEverything) {
  const MissingCase& c = GetParam();
  sim::SimulatedWindows windows;
  if (c.libraryMissing)
    windows.RemoveLibrary(c.library);
  else
    windows.RemoveExport(c.library, c.function);
  core::Process().oleInitialised = true;
  core::BindExternalFunction(core::kGetModuleHandleA);  // bound earlier by another call

  try {
    core::BindExternalFunction(c.index);
    FAIL() << "binding returned";
  } catch (const sim::SimulatedExit& exit) {
    EXPECT_EQ(exit.code, 0xFFFFFFFFu);
  }
  ASSERT_EQ(windows.messageBoxes.size(), 1u);
  const sim::MessageBoxCall& box = windows.messageBoxes[0];
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_EQ(box.caption, texts::kFatalCaption);
  EXPECT_EQ(box.type, sys::kMbOk | sys::kMbIconError);
  char message[256];
  const char* names[] = {c.library, c.function};
  core::FormatText(message, sizeof message, texts::kFatalBindingFailed, names, 2);
  EXPECT_EQ(box.text, std::string(texts::kFatalHeading) + "\r\n\r\n" + texts::kFatalMessageLabel + message + "\r\n");
  EXPECT_EQ(windows.TotalReferences(), 0);  // the failed load and every bound entry released
  EXPECT_EQ(windows.oleUninitializeCalls, 1);
  EXPECT_GT(core::Process().shutdownCounter, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MissingFunctionTest,
    testing::Values(MissingCase{"MissingFunction", core::kFreeLibrary, "kernel32", "FreeLibrary", false},
                    MissingCase{"MissingLibrary", core::kPathFileExistsA, "shlwapi.dll", "PathFileExistsA", true}),
    [](const testing::TestParamInfo<MissingCase>& info) { return std::string(info.param.name); });

TEST(SystemLibraryPath, AddsSeparatorAndExtensionAndRefusesOverflow) {
  char out[64];
  ASSERT_TRUE(core::BuildSystemLibraryPath("C:\\W\\system32", "Comdlg32", out, sizeof out));
  EXPECT_STREQ(out, "C:\\W\\system32\\Comdlg32.dll");
  ASSERT_TRUE(core::BuildSystemLibraryPath("C:\\", "shlwapi.dll", out, sizeof out));
  EXPECT_STREQ(out, "C:\\shlwapi.dll");
  EXPECT_FALSE(core::BuildSystemLibraryPath("C:\\W", "advapi32.dll", out, 17));
  EXPECT_TRUE(core::BuildSystemLibraryPath("C:\\W", "advapi32.dll", out, 18));
  EXPECT_FALSE(core::BuildSystemLibraryPath("", "advapi32.dll", out, sizeof out));
}

}  // namespace
