// The open-file dialog and one message box and nothing between them: what 按钮2 costs
// without its own work (the existence test and the three registry writes), so that
// the benchmark can tell the two apart.
#include <windows.h>
#include <commdlg.h>

#include "core/texts.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char file[513] = {};
  char title[513];
  for (int i = 0; i < 512; ++i) title[i] = ' ';
  title[512] = '\0';
  OPENFILENAMEA request = {};
  request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
  request.lpstrFilter = "x\0*.exe\0";
  request.nFilterIndex = 1;
  request.lpstrFile = file;
  request.nMaxFile = 512;
  request.lpstrFileTitle = title;
  request.nMaxFileTitle = 512;
  request.lpstrInitialDir = texts::kChooseEditorStartFolder;
  request.lpstrTitle = texts::kChooseEditorTitle;
  if (GetOpenFileNameA(&request)) MessageBoxA(nullptr, texts::kTgaSetSucceeded, texts::kInfoCaption, MB_OK | MB_TASKMODAL);
  return 0;
}
