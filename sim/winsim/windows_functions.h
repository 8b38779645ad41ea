// Which Windows versions have which library functions, from the program's checked-in list
// (platform/windows_imports.def): what the loader needs to start a program and what
// GetProcAddress can find.
#pragma once

#include <string>
#include <vector>

#include "sim/winsim/os_profile.h"

namespace winsim {

struct WindowsFunction {
  const char* library;  // "KERNEL32", without ".DLL"
  const char* name;
  const char* first9x;  // "95", "98", "Me" or "none"
  const char* firstNt;  // "3.1", "3.5", "3.51", "4.0", "2000", "XP" or "none"
  bool imported;        // in the program's import table (else bound at run time)
};

// Every function of the list, in its order.
const std::vector<WindowsFunction>& ListedFunctions();
// The listed entry for `library`!`name` (case-insensitive library, exact name), or null.
const WindowsFunction* FindListedFunction(const std::string& library, const std::string& name);
// Whether a version of `profile`'s family at least as new as the entry's first one; an
// unknown version text counts as never.
bool ProfileHas(const OsProfile& profile, const WindowsFunction& function);
// The IMPORT entries: what the shipped Tavos.exe declares to the loader.
std::vector<WindowsFunction> ListedImports();
// The first of `imports` that `profile` lacks, or null when a program importing them starts.
const WindowsFunction* FirstMissingImport(const OsProfile& profile,
                                          const std::vector<WindowsFunction>& imports);

}  // namespace winsim
