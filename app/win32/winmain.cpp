// The process entry: the real system table, then the program's whole life.
#include <windows.h>

#include "app/startup.h"
#include "app/win32/system_api.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The command line is ignored: the program has none.
  sys::InstallSystemApi(&WindowsSystemApi());
  int code = app::RunProgram();
  ExitProcess(static_cast<UINT>(code));
}
