// Removing Tavos: everything the installer made and nothing else; the user's settings
// (SelectFile.ini in the Windows folder, C:\Tavos.ini) stay as they are.
//
// A program cannot delete its own running file. So Uninstall.exe copies itself to the
// temporary folder, starts the copy with the install folder and its own process id, and ends.
// The copy waits for it to end, ends a running Tavos, stops and deletes the driver's service
// (NT family), deletes the files, links, folders and registry values, and finally asks
// Windows to delete the copy itself at its next start (MoveFileExA on the NT family,
// WININIT.INI on the 95 family). Uninstall.exe therefore returns at once; the removal
// finishes in the copy a moment later.
#pragma once

#include "setup/setup_options.h"
#include "setup/windows_version.h"

namespace setup {

// Uninstall.exe: asks (unless silent), then hands over to the copy. The exit code.
int StartUninstall(const SetupOptions& options, const WindowsVersion& windows);
// The copy: the removal itself. The exit code.
int FinishUninstall(const SetupOptions& options, const WindowsVersion& windows);

}  // namespace setup
