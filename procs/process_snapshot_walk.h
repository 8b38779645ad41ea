// A walk over every running process, as Toolhelp lists them. Toolhelp is bound by name:
// Windows NT 4.0 has none (a program importing it would not load there), so there the walk
// lists the processes through PSAPI instead, each by its file name without the folder, as
// Toolhelp names them on the rest of the NT family. With neither, or when the snapshot
// fails, the walk visits nothing.
#pragma once

#include <functional>

#include "platform/win32.h"

// Visits each entry in list order until `visit` returns false. Only th32ProcessID and
// szExeFile are filled on the PSAPI path.
void WalkProcessSnapshot(const std::function<bool(const PROCESSENTRY32&)>& visit);
