#include "app/window_description.h"

#include "commands/commands.h"
#include "core/process_state.h"
#include "core/texts.h"

namespace app {

namespace {

// As stored: character set 134, output precision 3, clip precision 2, quality 1,
// pitch and family 34. FontForCreation replaces those five.
constexpr FontDescription kButton2Font = {-15, 0, 0, 0, 400, 0, 0, 0, 134, 3, 2, 1, 34, texts::kButton2FontFace};

constexpr ControlDescription kControls[] = {
    {"标签2", ControlKind::kLabel, kLabel2Id, 16, 269, 304, 51, texts::kLabel2, nullptr, nullptr},
    {"标签1", ControlKind::kLabel, kLabel1Id, 16, 184, 304, 80, texts::kLabel1, nullptr, nullptr},
    {"按钮1", ControlKind::kPushButton, kButton1Id, 59, 129, 217, 32, texts::kButton1, nullptr,
     commands::OnRestoreDefaults},
    {"按钮2", ControlKind::kPushButton, kButton2Id, 39, 24, 264, 88, texts::kButton2, &kButton2Font,
     commands::OnSetDefaultEditor},
};

constexpr WindowDescription kMainWindow = {
    texts::kWindowTitle, 353, 366, 50, 50, kMainWindowStyle, kWindowClassStyle, kControls,
    sizeof kControls / sizeof kControls[0],
};

// Tab visits the buttons in this cycle; both have tab order 0, and on a tie the later
// control of the description comes first.
constexpr int kTabCycle[] = {kButton2Id, kButton1Id};
constexpr int kTabCycleLength = sizeof kTabCycle / sizeof kTabCycle[0];

}  // namespace

const WindowDescription& MainWindowDescription() { return kMainWindow; }

const ControlDescription* FindControl(int id) {
  for (const ControlDescription& control : kControls)
    if (control.id == id) return &control;
  return nullptr;
}

Placement CentreOnScreen(int screenWidth, int screenHeight, int width, int height) {
  return Placement{(screenWidth - width) / 2, (screenHeight - height) / 2};
}

FontDescription FontForCreation(const FontDescription& stored) {
  FontDescription font = stored;
  font.charSet = 1;         // DEFAULT_CHARSET
  font.outPrecision = 0;    // OUT_DEFAULT_PRECIS
  font.clipPrecision = 0;   // CLIP_DEFAULT_PRECIS
  font.quality = 2;         // PROOF_QUALITY
  font.pitchAndFamily = 0;  // DEFAULT_PITCH | FF_DONTCARE
  return font;
}

KeyAction ClassifyKey(unsigned virtualKey, bool ctrl, bool shift, bool alt) {
  if (ctrl || alt) return KeyAction::kPassOn;
  switch (virtualKey) {
    case kVkTab: return shift ? KeyAction::kFocusPrevious : KeyAction::kFocusNext;
    case kVkEscape: return shift ? KeyAction::kPassOn : KeyAction::kClose;
    case kVkReturn:
    case kVkF1: return shift ? KeyAction::kPassOn : KeyAction::kSwallow;
    default: return KeyAction::kPassOn;
  }
}

int NextTabStop(int currentId, bool backwards) {
  for (int i = 0; i < kTabCycleLength; ++i) {
    if (kTabCycle[i] != currentId) continue;
    int step = backwards ? kTabCycleLength - 1 : 1;
    return kTabCycle[(i + step) % kTabCycleLength];
  }
  return FirstFocusId();
}

int FirstFocusId() { return kTabCycle[0]; }

bool DispatchClick(int controlId) {
  if (core::Process().shutdownCounter > 0) return false;
  const ControlDescription* control = FindControl(controlId);
  if (!control || !control->onClick) return false;
  control->onClick();
  return true;
}

}  // namespace app
