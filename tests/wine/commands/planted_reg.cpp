// Stands in for a reg.exe that someone put where a bare "reg" would be looked for.
// If it is ever started, it leaves a marker file beside itself with its command line.
#include <windows.h>

int main() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 2;
  char* cut = path + length;
  while (cut > path && cut[-1] != '\\') --cut;
  lstrcpyA(cut, "planted-reg-ran.txt");
  HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker == INVALID_HANDLE_VALUE) return 3;
  const char* commandLine = GetCommandLineA();
  DWORD written = 0;
  WriteFile(marker, commandLine, lstrlenA(commandLine), &written, nullptr);
  CloseHandle(marker);
  return 0;
}
