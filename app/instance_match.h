// Whether a process name is a copy of this program, as the single-instance rule sees it.
#pragma once

namespace tavos {

// Windows 2000 and XP list bare names, compared whole; older systems list paths, so only
// the part from the first "TAVOS.EXE" on is compared (which also matches MYTAVOS.EXE).
bool IsProgramProcessName(const char* name, int versionCode);

}  // namespace tavos
