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
  bool wow64 = false;  // 64-bit Windows running the 32-bit program (IsWow64Process)
  bool IsNt() const { return platformId == VER_PLATFORM_WIN32_NT; }
};

// Where each version keeps its folders (the Windows folder is always C:\WINDOWS).
std::string SystemDirectory(const OsProfile& profile);  // "C:\WINDOWS\system32"
// The temporary folder: the 95 family's, and for the NT family one for every user (a
// simplification: Windows 2000 and XP give each user a folder of their own).
std::string TempDirectory(const OsProfile& profile);
// The Start menu's programs folder of all users ("" on the 95 family, which has none) and of
// the logged-on user.
std::string CommonProgramsDirectory(const OsProfile& profile);
std::string UserProgramsDirectory(const OsProfile& profile);

// The named profiles; false when the name is unknown.
bool ProfileByName(const std::string& name, OsProfile* profile);
// Any version and platform, with the libraries that family usually has.
OsProfile CustomProfile(DWORD major, DWORD minor, DWORD platformId);

}  // namespace winsim
