// CreateFileA on "\\.\NAME": device paths go to the simulated NT kernel, not to the disk.
#pragma once

#include "platform/nt_kernel.h"
#include "platform/win32.h"

namespace winsim {

bool IsDevicePath(const char* path);
// Opens the device like CreateFileA would; INVALID_HANDLE_VALUE and the last error on failure.
HANDLE CreateDeviceFile(const char* path, DWORD desiredAccess, DWORD shareMode,
                        DWORD creationDisposition);
// The Win32 error a kernel status becomes, as RtlNtStatusToDosError maps it.
DWORD Win32ErrorOf(NTSTATUS status);

}  // namespace winsim
