// regvalue KEY: prints the default value of HKEY_CLASSES_ROOT\KEY in the 64-bit view
// exactly as stored: "type <n> bytes <hex>", or "no key" / "no value".
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: regvalue KEY\n", stderr);
    return 2;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, argv[1], 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
    std::puts("no key");
    return 0;
  }
  BYTE data[4096];
  DWORD size = sizeof data;
  DWORD type = 0;
  LONG result = RegQueryValueExA(key, nullptr, nullptr, &type, data, &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) {
    std::puts("no value");
    return 0;
  }
  std::printf("type %lu bytes ", static_cast<unsigned long>(type));
  for (DWORD i = 0; i < size; ++i) std::printf("%02x", data[i]);
  std::puts("");
  return 0;
}
