// The driver's import list and the NT releases it names.
#include "sim/kernel/driver_imports.h"

#include <cstring>

namespace sim {

namespace {

struct Release {
  const char* name;
  NtVersion version;
};

const Release kReleases[] = {{"3.1", {3, 10}}, {"3.5", {3, 50}}, {"3.51", {3, 51}},
                             {"4.0", {4, 0}},  {"2000", {5, 0}}, {"XP", {5, 1}}};

}  // namespace

const std::vector<DriverImport>& PortioImports() {
#define IMPORT(library, name, first9x, firstNt) {#library, #name, #firstNt},
  static const std::vector<DriverImport> kImports = {
#include "platform/portio_imports.def"
  };
#undef IMPORT
  return kImports;
}

bool NtVersionHas(NtVersion version, const char* firstNt) {
  for (const Release& release : kReleases)
    if (std::strcmp(release.name, firstNt) == 0)
      return version.major > release.version.major ||
             (version.major == release.version.major && version.minor >= release.version.minor);
  return false;
}

}  // namespace sim
