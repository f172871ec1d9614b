// The few Windows types, structures and constants this program uses, written from
// the published API reference so that the same logic compiles on Linux (against the
// simulated Windows of the tests) and on Windows. The Windows layer checks every
// value and layout here against the system headers at compile time.
#pragma once

#include <cstddef>
#include <cstdint>

// The called function removes its arguments (the standard Windows convention). It only
// differs from the default convention in 32-bit Windows code.
#if defined(_WIN32) && !defined(_WIN64)
#define SYSAPI __stdcall
#else
#define SYSAPI
#endif

namespace sys {

using Byte = std::uint8_t;
using Word = std::uint16_t;
using Dword = std::uint32_t;
using Long = std::int32_t;
using Bool = std::int32_t;
using UintPtr = std::uintptr_t;

struct HkeyTag;
struct HmoduleTag;
struct HwndTag;
using Hkey = HkeyTag*;
using Hmodule = HmoduleTag*;
using Hwnd = HwndTag*;
using Handle = void*;
using FarProc = void (*)();

// Predefined keys are 32-bit values sign-extended to pointer size.
inline Hkey PredefinedKey(std::uint32_t value) {
  return reinterpret_cast<Hkey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}
constexpr std::uint32_t kHkeyClassesRoot = 0x80000000u;
constexpr std::uint32_t kHkeyCurrentUser = 0x80000001u;
constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;
constexpr std::uint32_t kHkeyUsers = 0x80000003u;
constexpr std::uint32_t kHkeyCurrentConfig = 0x80000005u;

constexpr Long kErrorSuccess = 0;
constexpr Long kErrorFileNotFound = 2;
constexpr Long kErrorAccessDenied = 5;
constexpr Long kErrorInvalidHandle = 6;
constexpr Long kErrorNotEnoughMemory = 8;
constexpr Long kErrorInvalidParameter = 87;
constexpr Long kErrorModNotFound = 126;
constexpr Long kErrorProcNotFound = 127;
constexpr Long kErrorMoreData = 234;

constexpr Dword kRegNone = 0;
constexpr Dword kRegSz = 1;
constexpr Dword kRegExpandSz = 2;
constexpr Dword kRegBinary = 3;
constexpr Dword kRegDword = 4;

constexpr Dword kKeyQueryValue = 0x0001;
constexpr Dword kKeySetValue = 0x0002;
constexpr Dword kKeyCreateSubKey = 0x0004;
constexpr Dword kKeyWow64_64Key = 0x0100;
constexpr Dword kKeyWow64_32Key = 0x0200;
constexpr Dword kKeyRead = 0x20019;
constexpr Dword kKeyWrite = 0x20006;
constexpr Dword kRegOptionNonVolatile = 0;

constexpr Dword kMbOk = 0x00000000;
constexpr Dword kMbIconError = 0x00000010;
constexpr Dword kMbTaskModal = 0x00002000;

constexpr Dword kLoadLibrarySearchSystem32 = 0x00000800;

constexpr Word kProcessorArchitectureIntel = 0;
constexpr Word kProcessorArchitectureIa64 = 6;
constexpr Word kProcessorArchitectureAmd64 = 9;
constexpr Word kProcessorArchitectureIa32OnWin64 = 10;
constexpr Word kProcessorArchitectureArm64 = 12;

constexpr Word kSwShowNormal = 1;
constexpr Word kSwShow = 5;
constexpr Word kSwShowNa = 8;
constexpr Dword kStartfUseShowWindow = 0x00000001;

constexpr std::size_t kMaxPath = 260;

// SYSTEM_INFO.
struct SystemInfo {
  Word wProcessorArchitecture;
  Word wReserved;
  Dword dwPageSize;
  void* lpMinimumApplicationAddress;
  void* lpMaximumApplicationAddress;
  UintPtr dwActiveProcessorMask;
  Dword dwNumberOfProcessors;
  Dword dwProcessorType;
  Dword dwAllocationGranularity;
  Word wProcessorLevel;
  Word wProcessorRevision;
};

// OPENFILENAMEA in its pre-2000 form, ending with lpTemplateName: 76 bytes in
// 32-bit code (the size the dialog is told), the same members at 64-bit alignment
// otherwise.
struct OpenFileNameA {
  Dword lStructSize;
  Hwnd hwndOwner;
  Handle hInstance;
  const char* lpstrFilter;
  char* lpstrCustomFilter;
  Dword nMaxCustFilter;
  Dword nFilterIndex;
  char* lpstrFile;
  Dword nMaxFile;
  char* lpstrFileTitle;
  Dword nMaxFileTitle;
  const char* lpstrInitialDir;
  const char* lpstrTitle;
  Dword Flags;
  Word nFileOffset;
  Word nFileExtension;
  const char* lpstrDefExt;
  std::intptr_t lCustData;
  void* lpfnHook;
  const char* lpTemplateName;
};
static_assert(sizeof(void*) != 4 || sizeof(OpenFileNameA) == 76, "pre-2000 OPENFILENAMEA is 76 bytes");
static_assert(sizeof(void*) != 8 || sizeof(OpenFileNameA) == 136, "pre-2000 OPENFILENAMEA is 136 bytes in 64-bit code");

// The system functions the program binds by name, as the system declares them.
using RegOpenKeyExAFn = Long(SYSAPI*)(Hkey key, const char* subKey, Dword options, Dword desired, Hkey* result);
using RegQueryValueExAFn = Long(SYSAPI*)(Hkey key, const char* valueName, Dword* reserved, Dword* type,
                                          Byte* data, Dword* dataSize);
using RegCloseKeyFn = Long(SYSAPI*)(Hkey key);
using GetModuleHandleAFn = Hmodule(SYSAPI*)(const char* moduleName);
using GetProcAddressFn = FarProc(SYSAPI*)(Hmodule module, const char* procName);
using GetNativeSystemInfoFn = void(SYSAPI*)(SystemInfo* info);
using LoadLibraryAFn = Hmodule(SYSAPI*)(const char* fileName);
using FreeLibraryFn = Bool(SYSAPI*)(Hmodule module);
using RegCreateKeyExAFn = Long(SYSAPI*)(Hkey key, const char* subKey, Dword reserved, char* keyClass, Dword options,
                                         Dword desired, const void* securityAttributes, Hkey* result,
                                         Dword* disposition);
using RegSetValueExAFn = Long(SYSAPI*)(Hkey key, const char* valueName, Dword reserved, Dword type,
                                        const Byte* data, Dword dataSize);
using GetOpenFileNameAFn = Bool(SYSAPI*)(OpenFileNameA* request);
using PathFileExistsAFn = Bool(SYSAPI*)(const char* path);

// Found by address at run time (older Windows versions lack them).
using Wow64DisableWow64FsRedirectionFn = Bool(SYSAPI*)(void** oldValue);
using Wow64RevertWow64FsRedirectionFn = Bool(SYSAPI*)(void* oldValue);
using RegReflectionKeyFn = Long(SYSAPI*)(Hkey key);

}  // namespace sys
