// The 64-bit view of a 32-bit process on 64-bit Windows. Every function here is looked
// up by name at each call: older Windows versions lack them, and then the routine
// gives 0 and does nothing else.
#include "core/external_functions.h"
#include "core/system_api.h"
#include "registry/registry.h"

namespace registry {

namespace {

sys::FarProc Kernel32Function(const char* name) {
  sys::Hmodule kernel32 = core::Bound<sys::GetModuleHandleAFn>(core::kGetModuleHandleA)("kernel32.dll");
  if (!kernel32) return nullptr;
  return core::Bound<sys::GetProcAddressFn>(core::kGetProcAddress)(kernel32, name);
}

// RegDisableReflectionKey and RegEnableReflectionKey differ in their name only. The
// library is released again before the switch returns.
int SwitchReflection(const char* name, sys::Hkey key) {
  sys::Hmodule advapi32 = core::Bound<sys::LoadLibraryAFn>(core::kLoadLibraryA)("advapi32.dll");
  if (!advapi32) return 0;
  sys::FarProc address = core::Bound<sys::GetProcAddressFn>(core::kGetProcAddress)(advapi32, name);
  if (!address) {
    core::Bound<sys::FreeLibraryFn>(core::kFreeLibrary)(advapi32);
    return 0;
  }
  sys::Long result = reinterpret_cast<sys::RegReflectionKeyFn>(address)(key);
  core::Bound<sys::FreeLibraryFn>(core::kFreeLibrary)(advapi32);
  return result == sys::kErrorSuccess ? 1 : 0;
}

}  // namespace

int IsNative64BitWindows() {
  sys::SystemInfo info = {};
  // Only shows that the function exists; the call goes through the table's own entry.
  if (!Kernel32Function("GetNativeSystemInfo")) return 0;
  core::Bound<sys::GetNativeSystemInfoFn>(core::kGetNativeSystemInfo)(&info);
  switch (info.wProcessorArchitecture) {
    case sys::kProcessorArchitectureAmd64:
    case sys::kProcessorArchitectureIa64:
    case sys::kProcessorArchitectureIa32OnWin64:
      return 1;
    default:
      return 0;
  }
}

int DisableFsRedirection(void** oldValue) {
  sys::FarProc address = Kernel32Function("Wow64DisableWow64FsRedirection");
  if (!address) return 0;
  return reinterpret_cast<sys::Wow64DisableWow64FsRedirectionFn>(address)(oldValue) ? 1 : 0;
}

int RevertFsRedirection(void* oldValue) {
  sys::FarProc address = Kernel32Function("Wow64RevertWow64FsRedirection");
  if (!address) return 0;
  return reinterpret_cast<sys::Wow64RevertWow64FsRedirectionFn>(address)(oldValue) ? 1 : 0;
}

int DisableRegistryReflection(sys::Hkey key) { return SwitchReflection("RegDisableReflectionKey", key); }

int EnableRegistryReflection(sys::Hkey key) { return SwitchReflection("RegEnableReflectionKey", key); }

bool UseWow64Path(int use64BitView) {
  // A 64-bit process already works in the 64-bit view, and the switches are not its.
  if (sys::System().processIs64Bit) return false;
  return IsNative64BitWindows() == 1 && use64BitView == 1;
}

}  // namespace registry
