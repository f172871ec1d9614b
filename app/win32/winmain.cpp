#include <windows.h>

#include "app/startup.h"
#include "app/win32/system_api.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Arguments are ignored: the program has no command line.
  sys::InstallSystemApi(&WindowsSystemApi());
  ExitProcess(static_cast<UINT>(app::RunProgram()));
}
