// MainWindow as data: its settings, its four controls in z-order (top first) and the
// two click bindings. The Windows layer builds the real window from this; the rules
// that need no window (placement, the font actually created, the keyboard table, the
// click dispatch) are plain functions here.
#pragma once

#include <cstddef>

#include "core/system_types.h"

namespace app {

using Handler = void (*)();

enum class ControlKind { kLabel, kPushButton };

struct FontDescription {
  sys::Long height;
  sys::Long width;
  sys::Long escapement;
  sys::Long orientation;
  sys::Long weight;
  sys::Byte italic;
  sys::Byte underline;
  sys::Byte strikeOut;
  sys::Byte charSet;
  sys::Byte outPrecision;
  sys::Byte clipPrecision;
  sys::Byte quality;
  sys::Byte pitchAndFamily;
  const char* faceName;
};

struct ControlDescription {
  const char* name;
  ControlKind kind;
  int id;  // the control's window ID; never IDOK (1) or IDCANCEL (2)
  int left, top, width, height;
  const char* text;
  const FontDescription* font;  // null: the stock DEFAULT_GUI_FONT
  Handler onClick;              // event 0; null: no binding
};

struct WindowDescription {
  const char* title;
  int width, height;          // outer size
  int designLeft, designTop;  // stored with the window, not used: it is centred
  sys::Dword style;
  sys::Dword classStyle;
  const ControlDescription* controls;  // z-order, top first
  std::size_t controlCount;
};

// Window and class styles the description uses (the published values).
constexpr sys::Dword kWsOverlapped = 0x00000000;
constexpr sys::Dword kWsCaption = 0x00C00000;
constexpr sys::Dword kWsSysMenu = 0x00080000;
constexpr sys::Dword kWsMinimizeBox = 0x00020000;
constexpr sys::Dword kWsClipChildren = 0x02000000;
constexpr sys::Dword kWsChild = 0x40000000;
constexpr sys::Dword kWsClipSiblings = 0x04000000;
constexpr sys::Dword kWsTabStop = 0x00010000;
constexpr sys::Dword kBsPushButton = 0x00000000;
constexpr sys::Dword kBsCenter = 0x00000300;
constexpr sys::Dword kBsVCenter = 0x00000C00;
constexpr sys::Dword kBsMultiline = 0x00002000;
constexpr sys::Dword kCsVRedraw = 0x0001;
constexpr sys::Dword kCsHRedraw = 0x0002;
constexpr sys::Dword kCsDblClks = 0x0008;

constexpr sys::Dword kMainWindowStyle = kWsOverlapped | kWsCaption | kWsSysMenu | kWsMinimizeBox | kWsClipChildren;
constexpr sys::Dword kWindowClassStyle = kCsHRedraw | kCsVRedraw | kCsDblClks;
constexpr sys::Dword kLabelStyle = kWsChild | kWsClipSiblings;
constexpr sys::Dword kPushButtonStyle =
    kWsChild | kWsClipSiblings | kWsTabStop | kBsPushButton | kBsCenter | kBsVCenter | kBsMultiline;

// Control IDs.
constexpr int kLabel2Id = 101;
constexpr int kLabel1Id = 102;
constexpr int kButton1Id = 103;
constexpr int kButton2Id = 104;

const WindowDescription& MainWindowDescription();
const ControlDescription* FindControl(int id);

// Top-left corner that centres an outer size on the screen: signed, truncating toward
// zero, not clamped.
struct Placement {
  int left;
  int top;
};
Placement CentreOnScreen(int screenWidth, int screenHeight, int width, int height);

// The font as created: the stored character set, precisions, quality and pitch are
// replaced by the defaults.
FontDescription FontForCreation(const FontDescription& stored);

// The window's own keyboard handling, decided before a control sees the key.
enum class KeyAction {
  kPassOn,         // the focused control gets the key
  kFocusNext,      // Tab
  kFocusPrevious,  // Shift+Tab
  kClose,          // Esc: WM_CLOSE
  kSwallow,        // Enter, F1: nothing happens
};
constexpr unsigned kVkTab = 0x09;
constexpr unsigned kVkReturn = 0x0D;
constexpr unsigned kVkEscape = 0x1B;
constexpr unsigned kVkSpace = 0x20;
constexpr unsigned kVkF1 = 0x70;
KeyAction ClassifyKey(unsigned virtualKey, bool ctrl, bool shift, bool alt);

// The tab stops in the order Tab visits them, and the first focus.
int NextTabStop(int currentId, bool backwards);
int FirstFocusId();

// A click on a push button (event 0): runs its handler, unless shutdown has begun or
// the button has no binding. Returns true when a handler ran.
bool DispatchClick(int controlId);

}  // namespace app
