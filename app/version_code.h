// The Windows version as one number: major × 100 + minor, with NT 4.0 counted as 401.
#pragma once

#include "platform/win32.h"

namespace tavos {

int VersionCode(const OSVERSIONINFOA& info);
// Queries the version (one retry); false when both queries fail.
bool QueryVersionCode(int* code);
// Windows 95, 98 and Me reach the controller with direct port instructions.
bool IsDirectPortVersion(int code);

}  // namespace tavos
