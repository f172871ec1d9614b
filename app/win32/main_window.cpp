// The real MainWindow: a plain top-level window with two labels that paint themselves
// and two system push buttons, all built from app::MainWindowDescription(). The window
// does its own keyboard handling in the message loop instead of the dialog manager, so
// that exactly the keys of app::ClassifyKey have an effect.
#include "app/win32/main_window.h"

#include <windows.h>

#include <cstring>

#include "app/window_description.h"
#include "core/process_state.h"

namespace win32 {

namespace {

constexpr char kWindowClassName[] = "SetImageEditorMainWindow";
constexpr char kLabelClassName[] = "SetImageEditorLabel";

HWND g_window;
HWND g_lastFocus;  // the control to give the focus back to
HICON g_bigIcon;
HICON g_smallIcon;
HFONT g_button2Font;  // owned by 按钮2, deleted when that button goes
WNDPROC g_buttonProc;

bool IsOurWindow(HWND window) { return window && (window == g_window || IsChild(g_window, window)); }

void FillWithButtonFace(HDC dc, const RECT& area) { FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE)); }

void FocusControl(int id) {
  if (HWND control = GetDlgItem(g_window, id)) SetFocus(control);
}

void RememberFocus(HWND control) {
  if (control && IsChild(g_window, control)) g_lastFocus = control;
}

// On activation and restore: back to the control that had the focus, if it is still there.
void RestoreFocus() {
  if (IsIconic(g_window)) return;  // a minimised window keeps the focus itself
  HWND last = g_lastFocus;
  if (last && IsWindow(last) && IsChild(g_window, last))
    SetFocus(last);
  else
    FocusControl(app::FirstFocusId());
}

// A task-modal message box goes away while the window is still disabled, so the
// system activates nothing of ours in its place, or activates the window while its
// controls cannot take the focus. Once enabled again, the window takes the activation
// and the focus back, unless another program has taken them meanwhile.
void TakeBackActivation(HWND window) {
  HWND active = GetActiveWindow();
  if (!active) {
    HWND foreground = GetForegroundWindow();
    if (!foreground || GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId())
      SetForegroundWindow(window);
  } else if (active == window) {
    HWND focus = GetFocus();
    if (!focus || !IsChild(window, focus)) RestoreFocus();
  }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      FillWithButtonFace(dc, paint.rcPaint);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE)
        RememberFocus(GetFocus());
      else if (!HIWORD(wParam))  // not while minimised
        RestoreFocus();
      return 0;
    case WM_SYSCOMMAND:
      // Minimising may leave the window active and move the focus to the window itself.
      if ((wParam & 0xFFF0) == SC_MINIMIZE) RememberFocus(GetFocus());
      break;
    case WM_SETFOCUS:
      RememberFocus(reinterpret_cast<HWND>(wParam));  // the control that just lost it
      RestoreFocus();
      return 0;
    case WM_ENABLE:
      if (wParam) TakeBackActivation(window);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam) app::DispatchClick(LOWORD(wParam));
      return 0;
    case WM_DESTROY:
      if (core::Process().loopStarted) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      if (g_bigIcon) DestroyIcon(g_bigIcon);
      if (g_smallIcon) DestroyIcon(g_smallIcon);
      g_bigIcon = g_smallIcon = nullptr;
      g_window = nullptr;
      g_lastFocus = nullptr;
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK LabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(label, &paint);
    FillWithButtonFace(dc, paint.rcPaint);
    const app::ControlDescription* control = app::FindControl(GetDlgCtrlID(label));
    if (control) {
      HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0, 0, 0));  // black whatever the colour scheme
      RECT client;
      GetClientRect(label, &client);
      DrawTextA(dc, control->text, -1, &client, DT_LEFT | DT_WORDBREAK | DT_VCENTER | DT_NOCLIP);
      SelectObject(dc, oldFont);
    }
    EndPaint(label, &paint);
    return 0;
  }
  return DefWindowProcA(label, message, wParam, lParam);
}

// 按钮2 keeps its own font for as long as it exists.
LRESULT CALLBACK FontOwningButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CallWindowProcA(g_buttonProc, button, message, wParam, lParam);
  if (message == WM_NCDESTROY && g_button2Font) {
    DeleteObject(g_button2Font);
    g_button2Font = nullptr;
  }
  return result;
}

bool RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure) {
  WNDCLASSA windowClass = {};
  windowClass.style = app::MainWindowDescription().classStyle;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  // Erasing paints nothing; WM_PAINT fills the area with the button face itself.
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  windowClass.lpszClassName = name;
  return RegisterClassA(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HFONT CreateButtonFont(const app::FontDescription& stored) {
  app::FontDescription font = app::FontForCreation(stored);
  LOGFONTA logFont = {};
  logFont.lfHeight = font.height;
  logFont.lfWidth = font.width;
  logFont.lfEscapement = font.escapement;
  logFont.lfOrientation = font.orientation;
  logFont.lfWeight = font.weight;
  logFont.lfItalic = font.italic;
  logFont.lfUnderline = font.underline;
  logFont.lfStrikeOut = font.strikeOut;
  logFont.lfCharSet = font.charSet;
  logFont.lfOutPrecision = font.outPrecision;
  logFont.lfClipPrecision = font.clipPrecision;
  logFont.lfQuality = font.quality;
  logFont.lfPitchAndFamily = font.pitchAndFamily;
  std::strncpy(logFont.lfFaceName, font.faceName, LF_FACESIZE - 1);
  return CreateFontIndirectA(&logFont);
}

HWND CreateControl(HINSTANCE instance, const app::ControlDescription& control) {
  bool isLabel = control.kind == app::ControlKind::kLabel;
  HWND child = CreateWindowExA(0, isLabel ? kLabelClassName : "BUTTON", control.text,
                               isLabel ? app::kLabelStyle : app::kPushButtonStyle, control.left, control.top,
                               control.width, control.height, g_window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
  if (!child || isLabel) return child;

  HFONT font = nullptr;
  if (control.font && !g_button2Font) {
    font = CreateButtonFont(*control.font);
    if (font) {
      g_button2Font = font;
      g_buttonProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FontOwningButtonProc)));
    }
  }
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

HICON LoadIconOfSize(HINSTANCE instance, int size) {
  return static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

sys::Hwnd CreateMainWindow() {
  const app::WindowDescription& description = app::MainWindowDescription();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterWindowClass(instance, kWindowClassName, MainWindowProc) ||
      !RegisterWindowClass(instance, kLabelClassName, LabelProc))
    return nullptr;

  app::Placement at = app::CentreOnScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                          description.width, description.height);
  g_window = CreateWindowExA(0, kWindowClassName, description.title, description.style, at.left, at.top,
                             description.width, description.height, nullptr, nullptr, instance, nullptr);
  if (!g_window) return nullptr;
  RECT frame;
  if (GetWindowRect(g_window, &frame) &&
      (frame.right - frame.left != description.width || frame.bottom - frame.top != description.height))
    MoveWindow(g_window, at.left, at.top, description.width, description.height, FALSE);

  g_bigIcon = LoadIconOfSize(instance, 32);
  g_smallIcon = LoadIconOfSize(instance, 16);
  SendMessageA(g_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_bigIcon));
  SendMessageA(g_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_smallIcon));
  SendMessageA(g_window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);

  // Controls in description order, which is also the z-order from the top.
  HWND above = HWND_TOP;
  for (std::size_t i = 0; i < description.controlCount; ++i) {
    HWND child = CreateControl(instance, description.controls[i]);
    if (!child) {
      DestroyWindow(g_window);
      return nullptr;
    }
    SetWindowPos(child, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    above = child;
  }
  for (HWND child = GetWindow(g_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    ShowWindow(child, SW_SHOWNA);
  ShowWindow(g_window, SW_SHOW);
  return reinterpret_cast<sys::Hwnd>(g_window);
}

int RunMessageLoop() {
  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
    if (message.message == WM_KEYDOWN && IsOurWindow(message.hwnd)) {
      bool ctrl = GetKeyState(VK_CONTROL) < 0;
      bool shift = GetKeyState(VK_SHIFT) < 0;
      bool alt = GetKeyState(VK_MENU) < 0;
      app::KeyAction action = app::ClassifyKey(static_cast<unsigned>(message.wParam), ctrl, shift, alt);
      if (action == app::KeyAction::kFocusNext || action == app::KeyAction::kFocusPrevious) {
        FocusControl(app::NextTabStop(GetDlgCtrlID(GetFocus()), action == app::KeyAction::kFocusPrevious));
        continue;
      }
      if (action == app::KeyAction::kClose) {
        SendMessageA(g_window, WM_CLOSE, 0, 0);
        continue;
      }
      if (action == app::KeyAction::kSwallow) continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : 0;
}

}  // namespace win32
