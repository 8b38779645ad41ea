// The system's version and default language, from the PC's profile.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

// The service pack's number from its text ("Service Pack 6" is 6; none is 0).
WORD ServicePackNumber(const std::string& text) {
  size_t digits = text.find_first_of("0123456789");
  return digits == std::string::npos ? 0 : WORD(std::atoi(text.c_str() + digits));
}

// The extended structure came with NT 4.0 Service Pack 6 and Windows 2000; the 95 family
// and older NT refuse its size like any other wrong one.
bool KnowsExtendedInfo(const winsim::OsProfile& profile) {
  return profile.IsNt() &&
         (profile.major >= 5 || (profile.major == 4 && ServicePackNumber(profile.servicePack) >= 6));
}

}  // namespace

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
  WindowsPc& pc = WindowsPc::Current();
  const bool extended = info != nullptr && info->dwOSVersionInfoSize == sizeof(OSVERSIONINFOEXA);
  if (info == nullptr || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && !extended) ||
      (extended && !KnowsExtendedInfo(pc.Profile()))) {
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
  if (extended) {
    auto* ex = reinterpret_cast<LPOSVERSIONINFOEXA>(info);
    ex->wServicePackMajor = ServicePackNumber(profile.servicePack);
    ex->wServicePackMinor = 0;
    ex->wSuiteMask = 0;
    ex->wProductType = VER_NT_WORKSTATION;
    ex->wReserved = 0;
  }
  return TRUE;
}

DWORD WINAPI GetVersion(void) {
  const winsim::OsProfile& profile = WindowsPc::Current().Profile();
  DWORD version = (profile.minor & 0xFF) << 8 | (profile.major & 0xFF);
  if (profile.IsNt()) return version | (profile.build & 0x7FFF) << 16;
  return version | 0xC0000000u;  // the high bit marks the Windows 95 family
}

LANGID WINAPI GetSystemDefaultLangID(void) { return WindowsPc::Current().Language(); }
