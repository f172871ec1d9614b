// 按钮1: when an editor was set, the system's reg tool deletes the TGA and DDS shell
// keys, Paint becomes the image edit command again, and one message reports it.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "tests/native/commands_fixture.h"

namespace {

using namespace commands_test;
using namespace std::string_literals;

const std::string kRegTool = "C:\\Windows\\system32\\reg.exe";
const std::string kDeleteDds = "reg delete HKEY_CLASSES_ROOT\\SystemFileAssociations\\.dds\\Shell /f";
const std::string kDeleteTga = "reg delete HKEY_CLASSES_ROOT\\SystemFileAssociations\\.tga\\Shell /f";
const std::string kPaint = "\"%systemroot%\\system32\\mspaint.exe\" \"%1\"";

void SetEditor(sim::SimRegistry& registry, bool tga, bool image, bool dds) {
  const std::string command = "\"C:\\Tools\\ps.exe\" \"%1\""s + '\0';
  if (tga) registry.PutValue(sys::kHkeyClassesRoot, kTgaKey, "", sys::kRegSz, command);
  if (image) registry.PutValue(sys::kHkeyClassesRoot, kImageKey, "", sys::kRegSz, command);
  if (dds) registry.PutValue(sys::kHkeyClassesRoot, kDdsKey, "", sys::kRegSz, command);
}

struct RestoreCase {
  const char* name;
  std::function<void(sim::SimRegistry&)> before;
  std::vector<std::string> messages;
  bool deletionsStarted;
  std::optional<StoredValue> image;  // afterwards
};
void PrintTo(const RestoreCase& c, std::ostream* out) { *out << c.name; }

class RestoreDefaultsTest : public CommandTest, public testing::WithParamInterface<RestoreCase> {
 protected:
  // Every start must be the system's reg tool by full path, started the same way.
  void ExpectDeletionsStarted() {
    const std::vector<sim::StartedProcess>& started = windows.shell.processes;
    ASSERT_EQ(started.size(), 2u);
    const std::string lines[] = {kDeleteDds, kDeleteTga};
    for (int i = 0; i < 2; ++i) {
      const sim::StartedProcess& p = started[i];
      EXPECT_EQ(p.applicationName, kRegTool);
      EXPECT_EQ(p.commandLine, lines[i]);
      EXPECT_EQ(p.startedFile, kRegTool);
      EXPECT_EQ(p.inheritHandles, 0);
      EXPECT_EQ(p.creationFlags, 0u);
      EXPECT_EQ(p.currentDirectory, std::nullopt);
      EXPECT_EQ(p.startupFlags, sys::kStartfUseShowWindow);
      EXPECT_EQ(p.showWindow, sys::kSwShowNormal);
      EXPECT_EQ(windows.shell.CloseCount(p.process), 1);
      EXPECT_EQ(windows.shell.CloseCount(p.thread), 1);
    }
    using Wait = std::pair<sys::Handle, sys::Dword>;
    EXPECT_EQ(windows.shell.inputIdleWaits,
              (std::vector<Wait>{Wait{started[0].process, 1000}, Wait{started[1].process, 1000}}));
    EXPECT_EQ(windows.shell.closedHandles.size(), 4u);
  }
};

TEST_P(RestoreDefaultsTest, RestoresOnlyWhenTheTgaKeyIsThere) {
  const RestoreCase& c = GetParam();
  if (c.before) c.before(windows.registry);
  std::string registryBefore = windows.registry.Dump();

  commands::OnRestoreDefaults();

  EXPECT_EQ(Messages(), c.messages);
  if (c.deletionsStarted) {
    ExpectDeletionsStarted();
    EXPECT_FALSE(windows.registry.KeyExists(sys::kHkeyClassesRoot, "SystemFileAssociations\\.tga\\Shell"));
    EXPECT_FALSE(windows.registry.KeyExists(sys::kHkeyClassesRoot, "SystemFileAssociations\\.dds\\Shell"));
    EXPECT_EQ(DefaultValue(kImageKey), c.image);
  } else {
    EXPECT_TRUE(windows.shell.processes.empty());
    EXPECT_EQ(windows.registry.Dump(), registryBefore);
  }
  EXPECT_TRUE(windows.registry.Problems().empty()) << testing::PrintToString(windows.registry.Problems());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RestoreDefaultsTest,
    testing::Values(
        RestoreCase{"noEditorSet", nullptr, {texts::kNothingToRestore}, false, {}},
        RestoreCase{"onlyParentOfTgaKey",
                    [](sim::SimRegistry& r) { r.AddKey(sys::kHkeyClassesRoot, "SystemFileAssociations\\.tga\\Shell"); },
                    {texts::kNothingToRestore}, false, {}},
        // The TGA write failed earlier: the other two stay as they are.
        RestoreCase{"imageAndDdsButNoTga", [](sim::SimRegistry& r) { SetEditor(r, false, true, true); },
                    {texts::kNothingToRestore}, false, {}},
        // A TGA command key without any value still says an editor was set.
        RestoreCase{"onlyTheTgaKey", [](sim::SimRegistry& r) { r.AddKey(sys::kHkeyClassesRoot, kTgaKey); },
                    {texts::kRestoreDone}, true, ExpandSz(kPaint)},
        RestoreCase{"editorSetForAllThree", [](sim::SimRegistry& r) { SetEditor(r, true, true, true); },
                    {texts::kRestoreDone}, true, ExpandSz(kPaint)},
        // The deletions are started all the same; only the write is reported.
        RestoreCase{"paintWriteFails",
                    [](sim::SimRegistry& r) {
                      SetEditor(r, true, true, true);
                      r.FailCall("RegSetValueExA", 1);
                    },
                    {texts::kRestoreFailed}, true, Sz("\"C:\\Tools\\ps.exe\" \"%1\"")},
        RestoreCase{"withoutAdministratorRights",
                    [](sim::SimRegistry& r) {
                      SetEditor(r, true, true, true);
                      r.readOnlyRoots.insert(sys::kHkeyClassesRoot);
                    },
                    {texts::kRestoreFailed}, true, Sz("\"C:\\Tools\\ps.exe\" \"%1\"")}),
    [](const testing::TestParamInfo<RestoreCase>& info) { return std::string(info.param.name); });

TEST_F(CommandTest, ProbesTheTgaKeyInTheSystemsOwnView) {
  // A 32-bit exe on 64-bit Windows sees its own view by default; the shell does not.
  windows.registry.AddKey(sys::kHkeyClassesRoot, kTgaKey, sim::View::kWow32);
  commands::OnRestoreDefaults();
  EXPECT_EQ(Messages(), std::vector<std::string>{texts::kNothingToRestore});
  EXPECT_TRUE(windows.shell.processes.empty());
}

TEST_F(CommandTest, PlantedRegToolsInTheProgramsFolderOrTheCurrentDirectoryAreNotStarted) {
  // The dialog left the current directory where the user browsed; someone put a reg.exe
  // there and one beside the program.
  windows.shell.AddFile("C:\\Tools\\reg.exe");
  windows.shell.AddFile("D:\\Downloads\\reg.exe");
  windows.shell.AddFile("D:\\Downloads\\ps.exe");
  windows.shell.dialog = sim::SimShell::Choose("D:\\Downloads\\ps.exe");
  commands::OnSetDefaultEditor();
  ASSERT_EQ(windows.currentDirectory, "D:\\Downloads");

  commands::OnRestoreDefaults();

  ASSERT_EQ(windows.shell.processes.size(), 2u);
  for (const sim::StartedProcess& p : windows.shell.processes) {
    EXPECT_EQ(p.programCurrentDirectory, "D:\\Downloads");
    EXPECT_EQ(p.startedFile, kRegTool) << p.commandLine;
  }
}

TEST_F(CommandTest, WithoutTheSystemDirectoryNothingIsStartedButPaintIsWritten) {
  SetEditor(windows.registry, true, true, true);
  windows.systemDirectory = "C:\\" + std::string(300, 's');  // does not fit: cannot be read
  commands::OnRestoreDefaults();
  EXPECT_TRUE(windows.shell.processes.empty());
  EXPECT_EQ(DefaultValue(kImageKey), ExpandSz(kPaint));
  EXPECT_EQ(Messages(), std::vector<std::string>{texts::kRestoreDone});
}

TEST_F(CommandTest, AStartThatFailsIsNotWaitedForNorClosed) {
  SetEditor(windows.registry, true, true, true);
  windows.shell.failProcessStart = true;
  commands::OnRestoreDefaults();
  EXPECT_EQ(windows.shell.processes.size(), 2u);  // both tried
  EXPECT_TRUE(windows.shell.inputIdleWaits.empty());
  EXPECT_TRUE(windows.shell.closedHandles.empty());
  EXPECT_EQ(DefaultValue(kImageKey), ExpandSz(kPaint));
  EXPECT_EQ(Messages(), std::vector<std::string>{texts::kRestoreDone});
}

TEST_F(CommandTest, ClickBeforeTheTgaDeletionHasRunRestoresAgain) {
  SetEditor(windows.registry, true, true, true);
  windows.shell.runRegTool = false;
  commands::OnRestoreDefaults();
  commands::OnRestoreDefaults();
  EXPECT_EQ(windows.shell.processes.size(), 4u);
  EXPECT_EQ(Messages(), (std::vector<std::string>{texts::kRestoreDone, texts::kRestoreDone}));
  EXPECT_EQ(DefaultValue(kImageKey), ExpandSz(kPaint));
}

TEST_F(CommandTest, SetRestoreRestoreAgain) {
  windows.shell.AddFile("C:\\Tools\\ps.exe");
  windows.shell.dialog = sim::SimShell::Choose("C:\\Tools\\ps.exe");
  commands::OnSetDefaultEditor();
  commands::OnRestoreDefaults();
  commands::OnRestoreDefaults();
  EXPECT_EQ(Messages(), (std::vector<std::string>{texts::kTgaSetSucceeded, texts::kImageSetSucceeded,
                                                  texts::kDdsSetSucceeded, texts::kRestoreDone,
                                                  texts::kNothingToRestore}));
  EXPECT_EQ(windows.shell.processes.size(), 2u);
  EXPECT_EQ(DefaultValue(kImageKey), ExpandSz(kPaint));
}

}  // namespace
