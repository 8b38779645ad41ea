// The table of supported versions.
#include "setup/supported_windows.h"

namespace setup {

bool IsSupportedWindows(DWORD platformId, DWORD major, DWORD minor, bool wow64) {
  struct Version {
    DWORD platformId, major, minor;
  };
  static const Version kSupported[] = {
      {VER_PLATFORM_WIN32_WINDOWS, 4, 0},  {VER_PLATFORM_WIN32_WINDOWS, 4, 10},
      {VER_PLATFORM_WIN32_WINDOWS, 4, 90}, {VER_PLATFORM_WIN32_NT, 4, 0},
      {VER_PLATFORM_WIN32_NT, 5, 0},       {VER_PLATFORM_WIN32_NT, 5, 1}};
  if (wow64) return false;
  for (const Version& version : kSupported)
    if (version.platformId == platformId && version.major == major && version.minor == minor)
      return true;
  return false;
}

}  // namespace setup
