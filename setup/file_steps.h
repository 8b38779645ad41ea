// The setup's work on files: folders, the images it carries, deletions now or at the next
// start of Windows. Each returns 0 or the Windows error.
#pragma once

#include "platform/win32.h"

namespace setup {

// Makes the folder and every missing folder above it.
DWORD MakeFolderTree(const char* folder);
// Writes the RCDATA resource `id` of the setup's own image to `path`, replacing the file; a
// file cut short by a failed write is deleted again.
DWORD WriteResourceFile(WORD id, const char* path);
// Deletes the file when Windows next starts: MoveFileExA on the NT family, a line in
// WININIT.INI on the 95 family (which has no MoveFileExA).
DWORD DeleteAtRestart(const char* path, bool ntFamily);
// Deletes the file now, or when that is refused (a running image) at the next start. A file
// that is not there is no error. `later` is set when it waits for the restart.
DWORD DeleteNowOrAtRestart(const char* path, bool ntFamily, bool* later);

}  // namespace setup
