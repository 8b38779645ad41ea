// A walk over a Toolhelp snapshot of every process, with Toolhelp bound by name: Windows
// NT 4.0 has none, and a program importing it would not load there. Without it, or when the
// snapshot fails, the walk visits nothing.
#pragma once

#include <functional>

#include "platform/win32.h"

// Visits each entry in snapshot order until `visit` returns false.
void WalkProcessSnapshot(const std::function<bool(const PROCESSENTRY32&)>& visit);
