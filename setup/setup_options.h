// What the setup was asked to do, from its command line and the name it runs under.
//
//   TavosSetup.exe [/S]                       install (or upgrade in place); /S: silently
//   Uninstall.exe [/S]                        uninstall: starts a copy of itself in the
//                                             temporary folder and ends, so that the copy can
//                                             delete this file
//   <copy> [/S] /UNINSTALL-COPY=PID /D=FOLDER the copy: waits for process PID (the
//                                             Uninstall.exe that started it) to end, then
//                                             removes Tavos from FOLDER
//
// One image does all three: the installer writes a copy of itself as Uninstall.exe. Switches
// are matched without regard to case; /D= takes the rest of the line, blanks included, as
// NSIS installers do; anything unknown is ignored.
#pragma once

#include "platform/win32.h"
#include "setup/bounded_text.h"

namespace setup {

enum class SetupMode { kInstall, kUninstall, kUninstallCopy };

struct SetupOptions {
  SetupMode mode = SetupMode::kInstall;
  bool silent = false;
  DWORD originalPid = 0;  // kUninstallCopy only
  PathText folder;        // kUninstallCopy only: where Tavos is installed
};

// The command line after the program's own name (which may be quoted), as WinMain gets it.
const char* ArgumentsOf(const char* commandLine);
// The file name of a path, after its last '\' or '/'.
const char* FileNameOf(const char* path);
// True when `path` names a file called Tavos.exe (any case, any folder).
bool IsTavosProgramFile(const char* path);

// Reads `arguments` for a program whose own file is `imageName` (a path or a name). False when
// the copy's switches are malformed (no process id, no folder, or a folder too long): such a
// command line must do nothing at all, neither install nor remove.
bool ParseSetupArguments(const char* arguments, const char* imageName, SetupOptions* options);

// The command line for the uninstaller's copy.
void CopyCommandLine(const char* copyPath, bool silent, DWORD originalPid, const char* folder,
                     LineText* line);

}  // namespace setup
