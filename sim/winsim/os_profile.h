// The Windows versions the simulated PC can be: what GetVersionExA reports and which
// platform libraries exist.
#pragma once

#include <string>

#include "platform/win32.h"

namespace winsim {

struct OsProfile {
  std::string name;  // "95", "98", "me", "nt351", "nt4", "2000", "xp" or "custom"
  DWORD major;
  DWORD minor;
  DWORD build;
  DWORD platformId;  // VER_PLATFORM_WIN32_WINDOWS or VER_PLATFORM_WIN32_NT
  std::string servicePack;
  bool hasToolhelp;  // CreateToolhelp32Snapshot and friends in KERNEL32
  bool hasPsapi;     // PSAPI.DLL
  bool hasVdmdbg;    // VDMDBG.DLL
  bool IsNt() const { return platformId == VER_PLATFORM_WIN32_NT; }
};

// The named profiles; false when the name is unknown.
bool ProfileByName(const std::string& name, OsProfile* profile);
// Any version and platform, with the libraries that family usually has.
OsProfile CustomProfile(DWORD major, DWORD minor, DWORD platformId);

}  // namespace winsim
