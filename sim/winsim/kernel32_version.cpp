// The system's version and default language, from the PC's profile.
#include <cstring>

#include "platform/win32.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {
constexpr DWORD kVersionInfoExSize = 156;  // OSVERSIONINFOEXA
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  WindowsPc& pc = WindowsPc::Current();
  if (info == nullptr || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
                          info->dwOSVersionInfoSize != kVersionInfoExSize)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  if (pc.TakeVersionQueryFailure()) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  const winsim::OsProfile& profile = pc.Profile();
  info->dwMajorVersion = profile.major;
  info->dwMinorVersion = profile.minor;
  // The Windows 95 family keeps the version in the build number's high word.
  info->dwBuildNumber = profile.IsNt() ? profile.build
                                       : (profile.major << 24) | (profile.minor << 16) | profile.build;
  info->dwPlatformId = profile.platformId;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  std::strncpy(info->szCSDVersion, profile.servicePack.c_str(), sizeof info->szCSDVersion - 1);
  return TRUE;
}

DWORD WINAPI GetVersion(void) {
  const winsim::OsProfile& profile = WindowsPc::Current().Profile();
  DWORD version = (profile.minor & 0xFF) << 8 | (profile.major & 0xFF);
  if (profile.IsNt()) return version | (profile.build & 0x7FFF) << 16;
  return version | 0xC0000000u;  // the high bit marks the Windows 95 family
}

LANGID WINAPI GetSystemDefaultLangID(void) { return WindowsPc::Current().Language(); }
