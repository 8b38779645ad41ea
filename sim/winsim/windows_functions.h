// Which Windows versions have which library functions, from the checked-in lists of Tavos
// (platform/windows_imports.def) and of its setup (setup/setup_imports.def): what the loader
// needs to start each program and what GetProcAddress can find.
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

// Every function of Tavos's list, in its order; of the setup's list.
const std::vector<WindowsFunction>& ListedFunctions();
const std::vector<WindowsFunction>& SetupListedFunctions();
// The listed entry for `library`!`name` (case-insensitive library, exact name) in either list,
// or null. Both lists state facts about Windows, so they agree where both name a function.
const WindowsFunction* FindListedFunction(const std::string& library, const std::string& name);
// Whether a version of `profile`'s family at least as new as the entry's first one; an
// unknown version text counts as never.
bool ProfileHas(const OsProfile& profile, const WindowsFunction& function);
// The IMPORT entries: what the shipped Tavos.exe declares to the loader.
std::vector<WindowsFunction> ListedImports();
// The IMPORT entries of the setup's list: what TavosSetup.exe declares.
std::vector<WindowsFunction> SetupListedImports();
// The first of `imports` that `profile` lacks, or null when a program importing them starts.
const WindowsFunction* FirstMissingImport(const OsProfile& profile,
                                          const std::vector<WindowsFunction>& imports);

}  // namespace winsim
