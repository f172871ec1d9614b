// The open-file dialog: what the system is handed, the filter list, the answer and the
// current directory afterwards, against the simulated shell.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/external_functions.h"
#include "core/texts.h"
#include "filechooser/file_chooser.h"
#include "tests/sim/simulated_windows.h"

namespace {

using filechooser::ChooseFileToOpen;
using filechooser::Given;
using filechooser::Omitted;
using filechooser::OptionalText;

const sys::Hwnd kOwner = reinterpret_cast<sys::Hwnd>(0x10010);

std::string ListOf(const core::ByteBuffer& list) {
  return list.empty() ? std::string() : std::string(reinterpret_cast<const char*>(list.data()), list.size());
}

struct FilterCase {
  const char* name;
  std::string filter;
  std::string list;
};
void PrintTo(const FilterCase& c, std::ostream* out) { *out << c.name; }

class FilterListTest : public testing::TestWithParam<FilterCase> {};

TEST_P(FilterListTest, SplitsAtBarsOutsideDoubleByteCharacters) {
  const FilterCase& c = GetParam();
  EXPECT_EQ(ListOf(filechooser::BuildFilterList(core::Text(c.filter.c_str()))), c.list);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterListTest,
    testing::Values(
        FilterCase{"defaultFilter", texts::kOpenFileDefaultFilter, "所有文件(*.*)\0*.*\0\0"s},
        FilterCase{"editorFilter", texts::kChooseEditorFilter, "程序文件(*.exe)\0*.exe\0\0"s},
        FilterCase{"empty", "", ""},
        FilterCase{"trailingBarAddsNoPiece", "a|b|", "a\0b\0\0"s},
        FilterCase{"leadingBarGivesEmptyPiece", "|x", "\0x\0\0"s},
        FilterCase{"loneBar", "|", "\0\0"s},
        FilterCase{"adjacentBarsEncloseEmptyPiece", "a||b", "a\0\0b\0\0"s},
        FilterCase{"oddPieceCountPassedOn", "a|b|c", "a\0b\0c\0\0"s},
        FilterCase{"noBar", "*.exe", "*.exe\0\0"s},
        // 0x81 0x7C is one character whose second byte has the code of "|".
        FilterCase{"barAsTrailByte", "\x81|x|y", "\x81|x\0y\0\0"s},
        FilterCase{"barAfterDoubleByteCharacter", "\xB3\xCC|*.e", "\xB3\xCC\0*.e\0\0"s},
        FilterCase{"leadByteAtEnd", "a|\x81", "a\0\x81\0\0"s}),
    [](const testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

TEST(ChooseFileToOpenTest, HandsTheSystemThePreWindows2000Request) {
  sim::SimulatedWindows windows;
  ChooseFileToOpen(kOwner, Given("C:"), Given(texts::kChooseEditorTitle), Given(texts::kChooseEditorFilter), true);

  ASSERT_EQ(windows.shell.dialogCalls.size(), 1u);
  const sim::DialogCall& call = windows.shell.dialogCalls[0];
  const sys::OpenFileNameA& r = call.request;
  // 76 in the 32-bit exe (checked where it is built); this build's size of the same layout.
  EXPECT_EQ(r.lStructSize, sizeof(sys::OpenFileNameA));
  EXPECT_EQ(r.hwndOwner, kOwner);
  EXPECT_EQ(r.hInstance, nullptr);
  EXPECT_EQ(call.filter, "程序文件(*.exe)\0*.exe\0\0"s);
  EXPECT_EQ(r.lpstrCustomFilter, nullptr);
  EXPECT_EQ(r.nMaxCustFilter, 0u);
  EXPECT_EQ(r.nFilterIndex, 1u);
  EXPECT_EQ(r.nMaxFile, 512u);
  EXPECT_EQ(call.file, std::string(512, '\0'));  // the name box starts empty
  EXPECT_EQ(r.nMaxFileTitle, 512u);
  EXPECT_EQ(call.fileTitle, std::string(512, ' '));
  EXPECT_EQ(call.initialDir, "C:"s);
  EXPECT_EQ(call.title, "请选择默认图片修改软件"s);
  EXPECT_EQ(r.Flags, 0u);  // no existence check, no directory kept by the system
  EXPECT_EQ(r.nFileOffset, 0u);
  EXPECT_EQ(r.nFileExtension, 0u);
  EXPECT_EQ(r.lpstrDefExt, nullptr);
  EXPECT_EQ(r.lCustData, 0);
  EXPECT_EQ(r.lpfnHook, nullptr);
  EXPECT_EQ(r.lpTemplateName, nullptr);
}

// An omitted parameter takes our default; one given empty reaches the system as null.
struct ParameterCase {
  const char* name;
  OptionalText initialDirectory;
  OptionalText title;
  OptionalText filter;
  std::optional<std::string> expectedInitialDir;
  std::optional<std::string> expectedTitle;
  std::optional<std::string> expectedFilter;
};
void PrintTo(const ParameterCase& c, std::ostream* out) { *out << c.name; }

class OmittedOrEmptyTest : public testing::TestWithParam<ParameterCase> {};

TEST_P(OmittedOrEmptyTest, DiffersForTheSystem) {
  const ParameterCase& c = GetParam();
  sim::SimulatedWindows windows;
  windows.currentDirectory = "C:\\Users\\artist";
  ChooseFileToOpen(kOwner, c.initialDirectory, c.title, c.filter);
  ASSERT_EQ(windows.shell.dialogCalls.size(), 1u);
  const sim::DialogCall& call = windows.shell.dialogCalls[0];
  EXPECT_EQ(call.initialDir, c.expectedInitialDir);
  EXPECT_EQ(call.title, c.expectedTitle);
  EXPECT_EQ(call.filter, c.expectedFilter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OmittedOrEmptyTest,
    testing::Values(
        ParameterCase{"allOmitted", Omitted(), Omitted(), Omitted(), "C:\\Users\\artist"s, "打开文件"s,
                      "所有文件(*.*)\0*.*\0\0"s},
        ParameterCase{"allEmpty", Given(""), Given(""), Given(""), std::nullopt, std::nullopt, std::nullopt},
        ParameterCase{"allGiven", Given("D:\\Art"), Given("T"), Given("x|*.x"), "D:\\Art"s, "T"s, "x\0*.x\0\0"s}),
    [](const testing::TestParamInfo<ParameterCase>& info) { return std::string(info.param.name); });

TEST(ChooseFileToOpenTest, CurrentDirectoryTooLongForItsBufferGivesNoStartFolderAndIsLeftAlone) {
  sim::SimulatedWindows windows;
  std::string deep = "C:\\" + std::string(300, 'd');
  windows.currentDirectory = deep;
  windows.shell.dialog = sim::SimShell::Choose("C:\\Tools\\editor.exe");
  EXPECT_EQ(ChooseFileToOpen(kOwner), core::Text("C:\\Tools\\editor.exe"));
  ASSERT_EQ(windows.shell.dialogCalls.size(), 1u);
  EXPECT_EQ(windows.shell.dialogCalls[0].initialDir, std::nullopt);
  // What could not be read is not "put back" as an empty directory.
  EXPECT_TRUE(windows.currentDirectoryChanges.empty());
}

// The dialog moves the current directory; it is put back unless the caller keeps it.
struct DirectoryCase {
  const char* name;
  bool choose;
  bool keepChangedDirectory;
  std::string result;
  std::string finalDirectory;
  std::vector<std::string> programChanges;
};
void PrintTo(const DirectoryCase& c, std::ostream* out) { *out << c.name; }

class CurrentDirectoryTest : public testing::TestWithParam<DirectoryCase> {};

TEST_P(CurrentDirectoryTest, IsPutBackUnlessKept) {
  const DirectoryCase& c = GetParam();
  sim::SimulatedWindows windows;
  windows.currentDirectory = "C:\\Users\\artist";
  windows.shell.dialog = c.choose ? sim::SimShell::Choose("D:\\Apps\\Paint Tool\\tool.exe")
                                  : sim::SimShell::CancelIn("D:\\Apps");
  core::Text result = ChooseFileToOpen(kOwner, Omitted(), Omitted(), Omitted(), c.keepChangedDirectory);
  EXPECT_EQ(std::string(result.c_str()), c.result);
  EXPECT_EQ(windows.currentDirectory, c.finalDirectory);
  EXPECT_EQ(windows.currentDirectoryChanges, c.programChanges);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CurrentDirectoryTest,
    testing::Values(
        DirectoryCase{"chosenRestored", true, false, "D:\\Apps\\Paint Tool\\tool.exe", "C:\\Users\\artist",
                      {"C:\\Users\\artist"}},
        DirectoryCase{"chosenKept", true, true, "D:\\Apps\\Paint Tool\\tool.exe", "D:\\Apps\\Paint Tool", {}},
        DirectoryCase{"cancelledRestored", false, false, "", "C:\\Users\\artist", {"C:\\Users\\artist"}},
        DirectoryCase{"cancelledKept", false, true, "", "D:\\Apps", {}}),
    [](const testing::TestParamInfo<DirectoryCase>& info) { return std::string(info.param.name); });

TEST(ChooseFileToOpenTest, AnswerEndsAtTheFirstNulOfTheFileBuffer) {
  sim::SimulatedWindows windows;
  windows.shell.dialog = [](sys::OpenFileNameA& request) -> sys::Bool {
    std::memcpy(request.lpstrFile, "C:\\a.exe\0C:\\b.exe", 17);
    return 1;
  };
  EXPECT_EQ(ChooseFileToOpen(kOwner), core::Text("C:\\a.exe"));
}

TEST(ChooseFileToOpenTest, LongestPathThatFitsComesBackWholeAndOneMoreFails) {
  sim::SimulatedWindows windows;
  std::string longest = "C:\\" + std::string(508, 'p');  // 511 bytes and the NUL: 512
  windows.shell.dialog = sim::SimShell::Choose(longest);
  EXPECT_EQ(std::string(ChooseFileToOpen(kOwner).c_str()), longest);
  windows.shell.dialog = sim::SimShell::Choose(longest + "p");
  EXPECT_TRUE(ChooseFileToOpen(kOwner).empty());
}

TEST(ChooseFileToOpenTest, BindsTheDialogOnceFromComdlg32) {
  sim::SimulatedWindows windows;
  ChooseFileToOpen(kOwner);
  ChooseFileToOpen(kOwner);
  EXPECT_EQ(windows.shell.dialogCalls.size(), 2u);
  EXPECT_EQ(windows.References("comdlg32.dll"), 1);
  EXPECT_NE(core::ExternalFunctionAt(core::kGetOpenFileNameA).address, nullptr);
}

}  // namespace
