// Version codes from GetVersionExA.
#include "app/version_code.h"

namespace tavos {

int VersionCode(const OSVERSIONINFOA& info) {
  int code = int(info.dwMajorVersion * 100 + info.dwMinorVersion);
  // NT 4.0 and Windows 95 share 4.0; the NT one is told apart as 401.
  if (info.dwPlatformId == VER_PLATFORM_WIN32_NT && code == 400) code = 401;
  return code;
}

bool QueryVersionCode(int* code) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) {
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return false;
  }
  *code = VersionCode(info);
  return true;
}

bool IsDirectPortVersion(int code) { return code == 400 || code == 410 || code == 490; }

}  // namespace tavos
