// The Windows the setup runs on.
#pragma once

#include "platform/win32.h"

namespace setup {

struct WindowsVersion {
  DWORD platformId = 0;
  DWORD major = 0;
  DWORD minor = 0;
  bool wow64 = false;  // a 32-bit process on 64-bit Windows
  bool Nt() const { return platformId == VER_PLATFORM_WIN32_NT; }
};

// False when Windows does not say (the caller then refuses, as for an unknown version).
bool QueryWindowsVersion(WindowsVersion* version);

}  // namespace setup
