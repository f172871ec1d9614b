#include "app/win32/main_window.h"

namespace win32 {

sys::Hwnd CreateMainWindow() { return nullptr; }
int RunMessageLoop() { return 0; }

}  // namespace win32
