// GetVersionExA, and IsWow64Process where it exists (XP SP2 and later).
#include "setup/windows_version.h"

namespace setup {

bool QueryWindowsVersion(WindowsVersion* version) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return false;
  version->platformId = info.dwPlatformId;
  version->major = info.dwMajorVersion;
  version->minor = info.dwMinorVersion;
  version->wow64 = false;
  using Wow64Function = BOOL(WINAPI*)(HANDLE, PBOOL);
  HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
  auto isWow64 = kernel ? reinterpret_cast<Wow64Function>(reinterpret_cast<void (*)()>(
                              GetProcAddress(kernel, "IsWow64Process")))
                        : nullptr;
  BOOL wow64 = FALSE;
  if (isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64)) version->wow64 = wow64 != FALSE;
  return true;
}

}  // namespace setup
