// inspect: prints the windows of a Wine session as JSON lines, for the end-to-end
// tests. It only looks; it never sends input (real input comes from xdotool).
//
//   inspect.exe [--title T] [--pid P] [--class C] [--visible]
//       One line per matching top-level window, in z-order (top first).
//       --title T   exact window text (T in UTF-8)
//       --pid P     Windows process id of the window's owner
//       --class C   exact class name, e.g. "#32770" for message boxes and dialogs
//       --visible   only windows that are visible
//   inspect.exe --wait-title T [--timeout MS] [--pid P] [--class C]
//       Waits until a visible top-level window with the text T exists, prints it
//       and exits 0; exits 1 after MS milliseconds (default 10000) without one.
//   inspect.exe --wait-gone HWND [--timeout MS]
//       Waits until the window HWND (hex or decimal) no longer exists; exit 0, or 1.
//   inspect.exe --ready ...
//       With --wait-title: prints the line "ready" as soon as it starts watching,
//       so that a caller can start the watched program right after (benchmarks).
//
// Each window is one JSON object:
//   hwnd, owner, pid, tid        handles as "0x..." strings, ids as numbers
//   class, text                  UTF-8 (GetWindowTextW)
//   text_hex                     the bytes GetWindowTextA gives, in hex: the text in
//                                the process's ANSI code page (936 here)
//   id                           control id (GetDlgCtrlID), children only
//   rect                         outer rectangle on the screen [left, top, right, bottom]
//   pos                          children: [left, top, width, height] in the parent's
//                                client coordinates
//   client                       client size [width, height]
//   client_origin                screen position of the client area's top-left corner
//   style, exstyle               "0x%08x"
//   enabled, visible             booleans
//   focus, active                top-level only: the focused and the active window of
//                                the window's thread (GetGUIThreadInfo), "0x0" if none
//   children                     the child windows in z-order (top first), each with
//                                its own children, so every descendant of a dialog
//                                (a message box's "Static" text, a dialog's edit
//                                fields) is there
// Exit code 0; 2 for a bad command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

struct Filter {
  const wchar_t* title = nullptr;
  const wchar_t* className = nullptr;
  DWORD pid = 0;
  bool visibleOnly = false;
};

void Write(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string Utf8(const wchar_t* text, int length) {
  if (length <= 0) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, &result[0], size, nullptr, nullptr);
  return result;
}

std::string JsonString(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Handle(HWND window) {
  char text[32];
  std::snprintf(text, sizeof text, "\"0x%llx\"", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
  return text;
}

std::string Hex32(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "\"0x%08lx\"", static_cast<unsigned long>(value));
  return text;
}

std::string Numbers(const long* values, int count) {
  std::string out = "[";
  for (int i = 0; i < count; ++i) {
    if (i) out += ",";
    out += std::to_string(values[i]);
  }
  return out + "]";
}

std::string WideText(HWND window) {
  wchar_t text[4096];
  int length = GetWindowTextW(window, text, 4096);
  return Utf8(text, length);
}

std::string AnsiHex(HWND window) {
  char text[8192];
  int length = GetWindowTextA(window, text, sizeof text);
  std::string out;
  char byte[4];
  for (int i = 0; i < length; ++i) {
    std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(text[i]));
    out += byte;
  }
  return out;
}

std::string ClassName(HWND window) {
  wchar_t name[256];
  int length = GetClassNameW(window, name, 256);
  return Utf8(name, length);
}

std::string Describe(HWND window, bool topLevel) {
  DWORD pid = 0;
  DWORD tid = GetWindowThreadProcessId(window, &pid);
  RECT outer = {};
  GetWindowRect(window, &outer);
  RECT client = {};
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);

  std::string out = "{\"hwnd\":" + Handle(window);
  out += ",\"owner\":" + Handle(GetWindow(window, GW_OWNER));
  out += ",\"pid\":" + std::to_string(pid) + ",\"tid\":" + std::to_string(tid);
  out += ",\"class\":" + JsonString(ClassName(window));
  out += ",\"text\":" + JsonString(WideText(window));
  out += ",\"text_hex\":\"" + AnsiHex(window) + "\"";
  long rect[4] = {outer.left, outer.top, outer.right, outer.bottom};
  out += ",\"rect\":" + Numbers(rect, 4);
  if (!topLevel) {
    POINT topLeft = {outer.left, outer.top};
    ScreenToClient(GetParent(window), &topLeft);
    long pos[4] = {topLeft.x, topLeft.y, outer.right - outer.left, outer.bottom - outer.top};
    out += ",\"id\":" + std::to_string(GetDlgCtrlID(window));
    out += ",\"pos\":" + Numbers(pos, 4);
  }
  long size[2] = {client.right, client.bottom};
  out += ",\"client\":" + Numbers(size, 2);
  long originXY[2] = {origin.x, origin.y};
  out += ",\"client_origin\":" + Numbers(originXY, 2);
  out += ",\"style\":" + Hex32(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)));
  out += ",\"exstyle\":" + Hex32(static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
  out += std::string(",\"enabled\":") + (IsWindowEnabled(window) ? "true" : "false");
  out += std::string(",\"visible\":") + (IsWindowVisible(window) ? "true" : "false");
  if (topLevel) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(tid, &info)) info = GUITHREADINFO{};
    out += ",\"focus\":" + Handle(info.hwndFocus);
    out += ",\"active\":" + Handle(info.hwndActive);
  }
  out += ",\"children\":[";
  bool first = true;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!first) out += ",";
    first = false;
    out += Describe(child, false);
  }
  return out + "]}";
}

bool Matches(HWND window, const Filter& filter) {
  if (filter.visibleOnly && !IsWindowVisible(window)) return false;
  if (filter.pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != filter.pid) return false;
  }
  if (filter.className) {
    wchar_t name[256];
    GetClassNameW(window, name, 256);
    if (std::wcscmp(name, filter.className) != 0) return false;
  }
  if (filter.title) {
    wchar_t text[4096];
    int length = GetWindowTextW(window, text, 4096);
    text[length > 0 ? length : 0] = L'\0';
    if (std::wcscmp(text, filter.title) != 0) return false;
  }
  return true;
}

struct Search {
  const Filter* filter;
  HWND found[512];
  int count;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  if (search->count < 512 && Matches(window, *search->filter)) search->found[search->count++] = window;
  return TRUE;
}

int Find(const Filter& filter, HWND* found, int capacity) {
  Search search = {&filter, {}, 0};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  int count = search.count < capacity ? search.count : capacity;
  std::memcpy(found, search.found, sizeof(HWND) * static_cast<size_t>(count));
  return count;
}

int Usage() {
  Write("usage: inspect.exe [--title T] [--pid P] [--class C] [--visible]\n"
        "       inspect.exe --wait-title T [--timeout MS] [--pid P] [--class C] [--ready]\n"
        "       inspect.exe --wait-gone HWND [--timeout MS]\n");
  return 2;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  Filter filter;
  const wchar_t* waitTitle = nullptr;
  HWND waitGone = nullptr;
  DWORD timeout = 10000;
  bool ready = false;
  for (int i = 1; i < argc; ++i) {
    const wchar_t* option = argv[i];
    const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (std::wcscmp(option, L"--visible") == 0) {
      filter.visibleOnly = true;
      continue;
    }
    if (std::wcscmp(option, L"--ready") == 0) {
      ready = true;
      continue;
    }
    if (!value) return Usage();
    ++i;
    if (std::wcscmp(option, L"--title") == 0) {
      filter.title = value;
    } else if (std::wcscmp(option, L"--class") == 0) {
      filter.className = value;
    } else if (std::wcscmp(option, L"--pid") == 0) {
      filter.pid = static_cast<DWORD>(std::wcstoul(value, nullptr, 0));
    } else if (std::wcscmp(option, L"--wait-title") == 0) {
      waitTitle = value;
    } else if (std::wcscmp(option, L"--wait-gone") == 0) {
      waitGone = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(value, nullptr, 0)));
    } else if (std::wcscmp(option, L"--timeout") == 0) {
      timeout = static_cast<DWORD>(std::wcstoul(value, nullptr, 0));
    } else {
      return Usage();
    }
  }

  HWND found[512];
  if (waitGone) {
    DWORD start = GetTickCount();
    while (IsWindow(waitGone)) {
      if (GetTickCount() - start >= timeout) return 1;
      Sleep(5);
    }
    return 0;
  }
  if (waitTitle) {
    filter.title = waitTitle;
    filter.visibleOnly = true;
    if (ready) Write("ready\n");
    DWORD start = GetTickCount();
    for (;;) {
      int count = Find(filter, found, 512);
      if (count > 0) {
        Write(Describe(found[0], true) + "\n");
        return 0;
      }
      if (GetTickCount() - start >= timeout) return 1;
      Sleep(1);
    }
  }
  int count = Find(filter, found, 512);
  for (int i = 0; i < count; ++i) Write(Describe(found[i], true) + "\n");
  return 0;
}
