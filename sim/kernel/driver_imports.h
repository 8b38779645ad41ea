// What the kernel's loader checks before a driver's entry runs: each routine the driver image
// imports must be exported by this NT version. The list is the driver's own checked-in one
// (platform/portio_imports.def), the file the image test compares the built portio.sys with,
// so the simulation and the shipped image cannot disagree.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/nt_kernel.h"

namespace sim {

// STATUS_DRIVER_ENTRYPOINT_NOT_FOUND: what the loader answers for an import the kernel does not
// export.
constexpr NTSTATUS kStatusDriverEntrypointNotFound = static_cast<NTSTATUS>(0xC0000263L);

struct DriverImport {
  const char* library;  // "NTOSKRNL", "HAL"
  const char* name;
  const char* firstNt;  // "3.1", "3.5", "3.51", "4.0", "2000" or "XP"
};

struct NtVersion {
  uint32_t major;
  uint32_t minor;
};

constexpr NtVersion kNt40{4, 0};
constexpr NtVersion kWindows2000{5, 0};
constexpr NtVersion kWindowsXp{5, 1};

// portio.sys's imports, in the list's order.
const std::vector<DriverImport>& PortioImports();

// Whether `version` exports a routine first exported by `firstNt`; a version text the list
// should not hold counts as never.
bool NtVersionHas(NtVersion version, const char* firstNt);

}  // namespace sim
