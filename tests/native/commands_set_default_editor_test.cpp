// 按钮2: the editor chosen in the dialog becomes the edit command of TGA files, of the
// image perceived type and of DDS files, and each result is reported.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "core/external_functions.h"
#include "tests/native/commands_fixture.h"

namespace {

using namespace commands_test;
using namespace std::string_literals;

using Dialog = std::function<sys::Bool(sys::OpenFileNameA&)>;

const std::vector<std::string> kAllSucceeded = {texts::kTgaSetSucceeded, texts::kImageSetSucceeded,
                                                texts::kDdsSetSucceeded};

struct EditorCase {
  const char* name;
  Dialog dialog;
  std::vector<std::string> existingFiles;
  std::function<void(sim::SimRegistry&)> faults;
  std::vector<std::string> messages;
  // The three stored values (TGA, image, DDS); nullopt: none there.
  std::optional<StoredValue> tga, image, dds;
};
void PrintTo(const EditorCase& c, std::ostream* out) { *out << c.name; }

class SetDefaultEditorTest : public CommandTest, public testing::WithParamInterface<EditorCase> {};

TEST_P(SetDefaultEditorTest, WritesTheThreeCommandsAndReportsEach) {
  const EditorCase& c = GetParam();
  windows.shell.dialog = c.dialog;
  for (const std::string& file : c.existingFiles) windows.shell.AddFile(file);
  if (c.faults) c.faults(windows.registry);

  commands::OnSetDefaultEditor();

  EXPECT_EQ(Messages(), c.messages);
  EXPECT_EQ(DefaultValue(kTgaKey), c.tga);
  EXPECT_EQ(DefaultValue(kImageKey), c.image);
  EXPECT_EQ(DefaultValue(kDdsKey), c.dds);
  EXPECT_TRUE(windows.registry.Problems().empty()) << testing::PrintToString(windows.registry.Problems());
}

const std::string kSpacedPath = "D:\\Program Files\\图像 工具\\编辑器 2.exe";

INSTANTIATE_TEST_SUITE_P(
    Cases, SetDefaultEditorTest,
    testing::Values(
        EditorCase{"cancel", nullptr, {}, nullptr, {texts::kNoEditorChosen}, {}, {}, {}},
        EditorCase{"typedNameThatDoesNotExist", sim::SimShell::Choose("C:\\Tools\\nothere.exe"), {}, nullptr,
                   {texts::kNoEditorChosen}, {}, {}, {}},
        // The filter lists only programs, but the existence test is all there is.
        EditorCase{"existingFileThatIsNoProgram", sim::SimShell::Choose("C:\\Users\\artist\\notes.txt"),
                   {"C:\\Users\\artist\\notes.txt"}, nullptr, kAllSucceeded,
                   Sz("\"C:\\Users\\artist\\notes.txt\" \"%1\""), Sz("\"C:\\Users\\artist\\notes.txt\" \"%1\""),
                   Sz("\"C:\\Users\\artist\\notes.txt\" \"%1\"")},
        EditorCase{"pathWithSpacesAndDoubleByteCharacters", sim::SimShell::Choose(kSpacedPath), {kSpacedPath},
                   nullptr, kAllSucceeded, Sz("\"" + kSpacedPath + "\" \"%1\""),
                   Sz("\"" + kSpacedPath + "\" \"%1\""), Sz("\"" + kSpacedPath + "\" \"%1\"")},
        // Without administrator rights nothing under HKEY_CLASSES_ROOT opens for writing.
        EditorCase{"allWritesFail", sim::SimShell::Choose("C:\\Tools\\ps.exe"), {"C:\\Tools\\ps.exe"},
                   [](sim::SimRegistry& r) { r.readOnlyRoots.insert(sys::kHkeyClassesRoot); },
                   {texts::kTgaSetFailed, texts::kImageSetFailed, texts::kDdsSetFailed}, {}, {}, {}},
        EditorCase{"onlyDdsWriteFails", sim::SimShell::Choose("C:\\Tools\\ps.exe"), {"C:\\Tools\\ps.exe"},
                   [](sim::SimRegistry& r) { r.FailCall("RegSetValueExA", 3); },
                   {texts::kTgaSetSucceeded, texts::kImageSetSucceeded, texts::kDdsSetFailed},
                   Sz("\"C:\\Tools\\ps.exe\" \"%1\""), Sz("\"C:\\Tools\\ps.exe\" \"%1\""), {}},
        // The first write failing does not stop the other two.
        EditorCase{"onlyTgaWriteFails", sim::SimShell::Choose("C:\\Tools\\ps.exe"), {"C:\\Tools\\ps.exe"},
                   [](sim::SimRegistry& r) { r.FailCall("RegCreateKeyExA", 1); },
                   {texts::kTgaSetFailed, texts::kImageSetSucceeded, texts::kDdsSetSucceeded}, {},
                   Sz("\"C:\\Tools\\ps.exe\" \"%1\""), Sz("\"C:\\Tools\\ps.exe\" \"%1\"")}),
    [](const testing::TestParamInfo<EditorCase>& info) { return std::string(info.param.name); });

TEST_F(CommandTest, CancelChangesNothingInTheRegistry) {
  windows.registry.PutValue(sys::kHkeyClassesRoot, kImageKey, "", sys::kRegExpandSz, "old\0"s);
  std::string before = windows.registry.Dump();
  windows.shell.dialog = sim::SimShell::CancelIn("D:\\Apps");
  commands::OnSetDefaultEditor();
  EXPECT_EQ(Messages(), std::vector<std::string>{texts::kNoEditorChosen});
  EXPECT_EQ(windows.registry.Dump(), before);
  EXPECT_EQ(windows.registry.Calls("RegOpenKeyExA") + windows.registry.Calls("RegCreateKeyExA"), 0);
  EXPECT_TRUE(windows.shell.pathTests.empty());  // the empty answer is never asked about
}

TEST_F(CommandTest, AsksForAProgramInTheMainWindowsDialogAndKeepsTheFolderItLeft) {
  windows.shell.dialog = sim::SimShell::Choose("D:\\Apps\\ps.exe");
  windows.shell.AddFile("D:\\Apps\\ps.exe");
  commands::OnSetDefaultEditor();
  ASSERT_EQ(windows.shell.dialogCalls.size(), 1u);
  const sim::DialogCall& call = windows.shell.dialogCalls[0];
  EXPECT_EQ(call.request.hwndOwner, kMainWindow);
  EXPECT_EQ(call.initialDir, "C:"s);
  EXPECT_EQ(call.title, std::string(texts::kChooseEditorTitle));
  EXPECT_EQ(call.filter, "程序文件(*.exe)\0*.exe\0\0"s);
  EXPECT_EQ(windows.shell.pathTests, std::vector<std::string>{"D:\\Apps\\ps.exe"});
  EXPECT_EQ(windows.currentDirectory, "D:\\Apps");
  EXPECT_TRUE(windows.currentDirectoryChanges.empty());
}

TEST_F(CommandTest, SecondRunOverwritesAllThreeWithTheNewEditor) {
  // An image command of another type, as the restore leaves it, is replaced too.
  windows.registry.PutValue(sys::kHkeyClassesRoot, kImageKey, "", sys::kRegExpandSz, "paint\0"s);
  windows.shell.AddFile("C:\\Old\\old.exe");
  windows.shell.AddFile("C:\\New\\new.exe");
  windows.shell.dialog = sim::SimShell::Choose("C:\\Old\\old.exe");
  commands::OnSetDefaultEditor();
  windows.shell.dialog = sim::SimShell::Choose("C:\\New\\new.exe");
  commands::OnSetDefaultEditor();
  std::vector<std::string> twice = kAllSucceeded;
  twice.insert(twice.end(), kAllSucceeded.begin(), kAllSucceeded.end());
  EXPECT_EQ(Messages(), twice);
  for (const std::string& key : {kTgaKey, kImageKey, kDdsKey})
    EXPECT_EQ(DefaultValue(key), Sz("\"C:\\New\\new.exe\" \"%1\"")) << key;
}

// The values must reach the shell's (64-bit) view whatever the process is.
class EditorViewTest : public CommandTest, public testing::WithParamInterface<Setting> {
 protected:
  EditorViewTest() : CommandTest(GetParam()) {}
};

TEST_P(EditorViewTest, ValuesLandInTheSystemsOwnView) {
  windows.shell.AddFile("C:\\Tools\\ps.exe");
  windows.shell.dialog = sim::SimShell::Choose("C:\\Tools\\ps.exe");
  commands::OnSetDefaultEditor();
  EXPECT_EQ(Messages(), kAllSucceeded);
  for (const std::string& key : {kTgaKey, kImageKey, kDdsKey}) {
    EXPECT_EQ(DefaultValue(key), Sz("\"C:\\Tools\\ps.exe\" \"%1\"")) << key;
    if (GetParam() != Setting::kExeOn32BitWindows) {
      EXPECT_FALSE(windows.registry.KeyExists(sys::kHkeyClassesRoot, key, sim::View::kWow32)) << key;
    }
  }
  EXPECT_TRUE(windows.registry.Problems().empty()) << testing::PrintToString(windows.registry.Problems());
}

INSTANTIATE_TEST_SUITE_P(Settings, EditorViewTest,
                         testing::Values(Setting::kExeOn64BitWindows, Setting::kExeOn32BitWindows,
                                         Setting::k64BitBuild),
                         [](const testing::TestParamInfo<Setting>& info) { return SettingName(info.param); });

TEST_F(CommandTest, FirstClickBindsTheDialogThenThePathTestEvenWhenCancelled) {
  commands::OnSetDefaultEditor();
  ASSERT_EQ(windows.loads.size(), 2u);
  EXPECT_EQ(windows.loads[0].requested, "Comdlg32");
  EXPECT_EQ(windows.loads[1].requested, "shlwapi.dll");
  commands::OnSetDefaultEditor();
  EXPECT_EQ(windows.loads.size(), 2u);  // bound once for good
  EXPECT_EQ(Messages(), (std::vector<std::string>{texts::kNoEditorChosen, texts::kNoEditorChosen}));
}

TEST_F(CommandTest, FileExistsOnlyForExactlyOne) {
  // PathFileExistsA is a BOOL: anything but 1 (say, a stray -1) is not "there".
  windows.AddExport("shlwapi", "PathFileExistsA",
                    reinterpret_cast<sys::FarProc>(+[](const char* path) -> sys::Bool {
                      return path[0] == 'a' ? 1 : path[0] == 'b' ? -1 : 0;
                    }));
  EXPECT_TRUE(commands::FileExists("a"));
  EXPECT_FALSE(commands::FileExists("b"));
  EXPECT_FALSE(commands::FileExists("c"));
  EXPECT_FALSE(commands::FileExists(""));
}

}  // namespace
