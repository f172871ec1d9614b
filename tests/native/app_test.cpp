// The application spine without a window: placement, the keyboard table, the click
// dispatch, and the order of start-up and shutdown against the simulated Windows.
#include <gtest/gtest.h>

#include <string>

#include "app/startup.h"
#include "app/window_description.h"
#include "core/external_functions.h"
#include "core/process_state.h"
#include "core/texts.h"
#include "tests/sim/simulated_windows.h"

namespace {

using app::KeyAction;

struct PlacementCase {
  int screenWidth, screenHeight, left, top;
};

TEST(Placement, CentresOnThePrimaryScreenWithoutClamping) {
  const PlacementCase cases[] = {
      {1920, 1080, 783, 357},
      {1366, 768, 506, 201},
      {320, 240, -16, -63},   // narrower than the window: negative, and it stays so
      {354, 367, 0, 0},       // truncates toward zero
      {352, 365, 0, 0},       // -1 / 2 is 0, not -1
      {0, 0, -176, -183},
  };
  for (const PlacementCase& c : cases) {
    app::Placement p = app::CentreOnScreen(c.screenWidth, c.screenHeight, 353, 366);
    EXPECT_EQ(p.left, c.left) << c.screenWidth;
    EXPECT_EQ(p.top, c.top) << c.screenHeight;
  }
}

TEST(Keyboard, OnlyTheUnmodifiedRowsAndShiftTabMatch) {
  struct Case {
    unsigned key;
    bool ctrl, shift, alt;
    KeyAction expected;
  };
  const Case cases[] = {
      {app::kVkTab, false, false, false, KeyAction::kFocusNext},
      {app::kVkTab, false, true, false, KeyAction::kFocusPrevious},
      {app::kVkTab, true, false, false, KeyAction::kPassOn},
      {app::kVkEscape, false, false, false, KeyAction::kClose},
      {app::kVkEscape, false, true, false, KeyAction::kPassOn},
      {app::kVkEscape, true, false, false, KeyAction::kPassOn},
      {app::kVkEscape, false, false, true, KeyAction::kPassOn},
      {app::kVkReturn, false, false, false, KeyAction::kSwallow},
      {app::kVkF1, false, false, false, KeyAction::kSwallow},
      {app::kVkSpace, false, false, false, KeyAction::kPassOn},
      {'A', false, false, false, KeyAction::kPassOn},
  };
  for (const Case& c : cases)
    EXPECT_EQ(app::ClassifyKey(c.key, c.ctrl, c.shift, c.alt), c.expected)
        << c.key << " ctrl=" << c.ctrl << " shift=" << c.shift << " alt=" << c.alt;
}

TEST(Keyboard, TabCyclesTheTwoButtonsStartingAtButton2) {
  EXPECT_EQ(app::FirstFocusId(), app::kButton2Id);
  EXPECT_EQ(app::NextTabStop(app::kButton2Id, false), app::kButton1Id);
  EXPECT_EQ(app::NextTabStop(app::kButton1Id, false), app::kButton2Id);
  EXPECT_EQ(app::NextTabStop(app::kButton2Id, true), app::kButton1Id);
  EXPECT_EQ(app::NextTabStop(app::kButton1Id, true), app::kButton2Id);
}

TEST(Description, ControlsInZOrderWithTheirBindings) {
  const app::WindowDescription& w = app::MainWindowDescription();
  EXPECT_STREQ(w.title, texts::kWindowTitle);
  EXPECT_EQ(w.width, 353);
  EXPECT_EQ(w.height, 366);
  ASSERT_EQ(w.controlCount, 4u);
  const int ids[] = {app::kLabel2Id, app::kLabel1Id, app::kButton1Id, app::kButton2Id};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(w.controls[i].id, ids[i]);
  EXPECT_EQ(w.controls[0].onClick, nullptr);
  EXPECT_EQ(w.controls[1].onClick, nullptr);
  EXPECT_NE(w.controls[2].onClick, nullptr);
  EXPECT_NE(w.controls[3].onClick, nullptr);
  for (const app::ControlDescription* c = w.controls; c != w.controls + 4; ++c) {
    EXPECT_NE(c->id, 1);  // IDOK and IDCANCEL would turn Enter and Esc into clicks
    EXPECT_NE(c->id, 2);
  }
}

TEST(Description, Button2FontReplacesTheFiveStoredFields) {
  const app::FontDescription* stored = app::FindControl(app::kButton2Id)->font;
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->charSet, 134);
  app::FontDescription font = app::FontForCreation(*stored);
  EXPECT_EQ(font.height, -15);
  EXPECT_EQ(font.weight, 400);
  EXPECT_EQ(font.charSet, 1);
  EXPECT_EQ(font.outPrecision, 0);
  EXPECT_EQ(font.clipPrecision, 0);
  EXPECT_EQ(font.quality, 2);
  EXPECT_EQ(font.pitchAndFamily, 0);
  EXPECT_STREQ(font.faceName, texts::kButton2FontFace);
  EXPECT_EQ(app::FindControl(app::kButton1Id)->font, nullptr);
}

TEST(ClickDispatch, NothingRunsOnceShutdownHasBegunOrWithoutBinding) {
  sim::SimulatedWindows windows;
  EXPECT_FALSE(app::DispatchClick(app::kLabel1Id));
  EXPECT_FALSE(app::DispatchClick(999));
  EXPECT_TRUE(app::DispatchClick(app::kButton1Id));
  EXPECT_TRUE(app::DispatchClick(app::kButton2Id));
  core::Process().shutdownCounter = 1;
  EXPECT_FALSE(app::DispatchClick(app::kButton1Id));
  EXPECT_FALSE(app::DispatchClick(app::kButton2Id));
}

TEST(StartUp, EntersTheExecutableFolderAndShutsDownInOrder) {
  sim::SimulatedWindows windows;
  windows.executablePath = "D:\\Art Tools\\\x81\\bin\\SetImageEditor.exe";  // 0x81 0x5C is one character
  bool sawLoop = false;
  windows.messageLoop = [&] {
    sawLoop = true;
    EXPECT_TRUE(core::Process().loopStarted);
    EXPECT_EQ(windows.oleInitializeCalls, 1);
    EXPECT_EQ(windows.currentDirectory, "D:\\Art Tools\\\x81\\bin");
    EXPECT_EQ(windows.loads.size(), 0u);  // nothing bound at start-up
    core::BindExternalFunction(core::kGetModuleHandleA);  // as a command would
    core::BindExternalFunction(core::kGetProcAddress);
    return 0;
  };
  EXPECT_EQ(app::RunProgram(), 0);
  EXPECT_TRUE(sawLoop);
  EXPECT_STREQ(core::Process().executableFolder, "D:\\Art Tools\\\x81\\bin");
  EXPECT_EQ(windows.TotalReferences(), 0);
  EXPECT_EQ(windows.freeLibraryCalls, 2);
  EXPECT_EQ(windows.oleUninitializeCalls, 1);
  EXPECT_GT(core::Process().shutdownCounter, 0);
  EXPECT_TRUE(windows.messageBoxes.empty());
}

TEST(StartUp, ProgramInADriveRootEntersTheRoot) {
  sim::SimulatedWindows windows;
  windows.executablePath = "E:\\SetImageEditor.exe";
  app::RunProgram();
  EXPECT_STREQ(core::Process().executableFolder, "E:");
  EXPECT_EQ(windows.currentDirectory, "E:\\");
}

TEST(StartUp, WindowThatCannotBeCreatedIsFatal) {
  sim::SimulatedWindows windows;
  windows.failWindowCreation = true;
  try {
    app::RunProgram();
    FAIL() << "start-up went on";
  } catch (const sim::SimulatedExit& exit) {
    EXPECT_EQ(exit.code, 0xFFFFFFFFu);
  }
  ASSERT_EQ(windows.messageBoxes.size(), 1u);
  EXPECT_EQ(windows.messageBoxes[0].text, std::string(texts::kFatalHeading) + "\r\n\r\n" +
                                               texts::kFatalMessageLabel + texts::kFatalWindowCreation + "\r\n");
  EXPECT_EQ(windows.oleUninitializeCalls, 1);
}

TEST(StartUp, FailedOleInitialisationIsNotUndone) {
  sim::SimulatedWindows windows;
  windows.oleInitializeResult = static_cast<sys::Long>(0x80004005);  // E_FAIL
  EXPECT_EQ(app::RunProgram(), 0);
  EXPECT_EQ(windows.oleUninitializeCalls, 0);
}

}  // namespace
