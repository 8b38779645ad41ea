// Process names as the single-instance rule and the media-program lookups compare them.
#pragma once

#include <cstddef>

namespace tavos {

// Upper case in place, leaving the trail bytes of double-byte characters alone.
void UpperMultibyte(char* text, size_t length);

// Whether a process-list name is the program `target` (upper case). A bare name must equal
// it; in a path (`nameIsPath`) the part from the first occurrence of `target` on must.
bool ProcessNameMatches(const char* name, const char* target, bool nameIsPath);

// Windows 2000 and XP list bare names, compared whole; older systems list paths, so only
// the part from the first "TAVOS.EXE" on is compared (which also matches MYTAVOS.EXE).
bool IsProgramProcessName(const char* name, int versionCode);

}  // namespace tavos
