// The version numbers and libraries of each Windows release.
#include "sim/winsim/os_profile.h"

namespace winsim {

bool ProfileByName(const std::string& name, OsProfile* profile) {
  static const OsProfile kProfiles[] = {
      {"95", 4, 0, 950, VER_PLATFORM_WIN32_WINDOWS, "", true, false, false},
      {"98", 4, 10, 1998, VER_PLATFORM_WIN32_WINDOWS, "", true, false, false},
      {"me", 4, 90, 3000, VER_PLATFORM_WIN32_WINDOWS, "", true, false, false},
      {"nt351", 3, 51, 1057, VER_PLATFORM_WIN32_NT, "Service Pack 5", false, true, true},
      {"nt4", 4, 0, 1381, VER_PLATFORM_WIN32_NT, "Service Pack 6", false, true, true},
      {"2000", 5, 0, 2195, VER_PLATFORM_WIN32_NT, "Service Pack 4", true, true, true},
      {"xp", 5, 1, 2600, VER_PLATFORM_WIN32_NT, "Service Pack 2", true, true, true},
  };
  for (const OsProfile& candidate : kProfiles) {
    if (candidate.name == name) {
      *profile = candidate;
      return true;
    }
  }
  return false;
}

std::string SystemDirectory(const OsProfile& profile) {
  return profile.IsNt() ? "C:\\WINDOWS\\system32" : "C:\\WINDOWS\\SYSTEM";
}

std::string TempDirectory(const OsProfile& profile) {
  return profile.IsNt() ? "C:\\TEMP" : "C:\\WINDOWS\\TEMP";
}

namespace {
// The folder that holds each user's profile, by version.
std::string ProfilesDirectory(const OsProfile& profile) {
  return profile.major >= 5 ? "C:\\Documents and Settings" : "C:\\WINDOWS\\Profiles";
}
}  // namespace

std::string CommonProgramsDirectory(const OsProfile& profile) {
  if (!profile.IsNt()) return "";
  return ProfilesDirectory(profile) + "\\All Users\\Start Menu\\Programs";
}

std::string UserProgramsDirectory(const OsProfile& profile) {
  if (!profile.IsNt()) return "C:\\WINDOWS\\Start Menu\\Programs";
  return ProfilesDirectory(profile) + "\\Administrator\\Start Menu\\Programs";
}

OsProfile CustomProfile(DWORD major, DWORD minor, DWORD platformId) {
  bool nt = platformId == VER_PLATFORM_WIN32_NT;
  bool toolhelp = !nt || major >= 5;
  return OsProfile{"custom", major, minor, 0, platformId, "", toolhelp, nt, nt};
}

}  // namespace winsim
