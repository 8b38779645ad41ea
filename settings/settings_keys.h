// The two files Tavos keeps between runs, and the one helper every settings writer shares.
#pragma once

#include <cstdio>

#include "platform/win32.h"

namespace tavos {

constexpr char kSettingsFileName[] = "SelectFile.ini";
constexpr char kStateFilePath[] = "C:\\Tavos.ini";
constexpr char kStateBanner[] = "[ Tavo Buttons Config File ]";

// The disabled state in a state file's stream: line 1 (at most 40 characters) is skipped,
// line 2 (at most 20) is read as by Microsoft's strtod (decimal only). Exactly 1 is disabled
// (1.0); anything else, a missing stream among them, is enabled (0.0).
double ReadDisabledState(FILE* stream);

}  // namespace tavos

// Makes sure the settings file exists (created empty and hidden); never changes one that does.
void TouchSettingsFile(LPCSTR path);
