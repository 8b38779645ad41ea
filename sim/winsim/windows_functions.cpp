// The version list of the functions the program reaches, read from the same file the image
// test compares the built Tavos.exe with, so the two cannot disagree.
#include "sim/winsim/windows_functions.h"

#include <strings.h>

namespace winsim {

namespace {

struct Release {
  const char* name;
  DWORD major;
  DWORD minor;
};

const Release k9xReleases[] = {{"95", 4, 0}, {"98", 4, 10}, {"Me", 4, 90}};
const Release kNtReleases[] = {{"3.1", 3, 10}, {"3.5", 3, 50}, {"3.51", 3, 51},
                               {"4.0", 4, 0},  {"2000", 5, 0}, {"XP", 5, 1}};

template <size_t N>
bool AtLeast(const Release (&releases)[N], const char* first, const OsProfile& profile) {
  for (const Release& release : releases)
    if (strcasecmp(release.name, first) == 0)
      return profile.major > release.major ||
             (profile.major == release.major && profile.minor >= release.minor);
  return false;  // "none", or a text the list should not hold
}

}  // namespace

// Both lists' lines, as table entries.
#define IMPORT(library, name, first9x, firstNt) {#library, #name, #first9x, #firstNt, true},
#define BOUND(library, name, first9x, firstNt) {#library, #name, #first9x, #firstNt, false},

const std::vector<WindowsFunction>& ListedFunctions() {
  static const std::vector<WindowsFunction> kFunctions = {
#include "platform/windows_imports.def"
  };
  return kFunctions;
}

const std::vector<WindowsFunction>& SetupListedFunctions() {
  static const std::vector<WindowsFunction> kFunctions = {
#include "setup/setup_imports.def"
  };
  return kFunctions;
}

#undef IMPORT
#undef BOUND

const WindowsFunction* FindListedFunction(const std::string& library, const std::string& name) {
  for (const auto* list : {&ListedFunctions(), &SetupListedFunctions()})
    for (const WindowsFunction& function : *list)
      if (strcasecmp(function.library, library.c_str()) == 0 && name == function.name)
        return &function;
  return nullptr;
}

bool ProfileHas(const OsProfile& profile, const WindowsFunction& function) {
  return profile.IsNt() ? AtLeast(kNtReleases, function.firstNt, profile)
                        : AtLeast(k9xReleases, function.first9x, profile);
}

namespace {
std::vector<WindowsFunction> ImportsOf(const std::vector<WindowsFunction>& list) {
  std::vector<WindowsFunction> imports;
  for (const WindowsFunction& function : list)
    if (function.imported) imports.push_back(function);
  return imports;
}
}  // namespace

std::vector<WindowsFunction> ListedImports() { return ImportsOf(ListedFunctions()); }

std::vector<WindowsFunction> SetupListedImports() { return ImportsOf(SetupListedFunctions()); }

const WindowsFunction* FirstMissingImport(const OsProfile& profile,
                                          const std::vector<WindowsFunction>& imports) {
  for (const WindowsFunction& function : imports)
    if (!ProfileHas(profile, function)) return &function;
  return nullptr;
}

}  // namespace winsim
