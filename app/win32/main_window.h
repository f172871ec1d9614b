// The real MainWindow, built from its description, and the message loop.
#pragma once

#include "core/system_types.h"

namespace win32 {

sys::Hwnd CreateMainWindow();
int RunMessageLoop();

}  // namespace win32
