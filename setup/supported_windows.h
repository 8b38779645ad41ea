// The Windows versions Tavos is installed on: 95, 98, Me, NT 4.0, 2000 and XP, 32-bit. NT 3.51
// has no taskbar for its icon; later and 64-bit versions do not load its unsigned 32-bit
// driver as a service should.
#pragma once

#include "platform/win32.h"

namespace setup {

// From GetVersionExA's platform and version, and whether a 32-bit process runs on 64-bit
// Windows (IsWow64Process, where it exists).
bool IsSupportedWindows(DWORD platformId, DWORD major, DWORD minor, bool wow64);

}  // namespace setup
