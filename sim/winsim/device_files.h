// CreateFileA on "\\.\NAME": device paths go to the simulated NT kernel, not to the disk.
#pragma once

#include "platform/win32.h"

namespace winsim {

bool IsDevicePath(const char* path);
// Opens the device like CreateFileA would; INVALID_HANDLE_VALUE and the last error on failure.
HANDLE CreateDeviceFile(const char* path, DWORD desiredAccess, DWORD shareMode,
                        DWORD creationDisposition);

}  // namespace winsim
