// The single-instance name comparison.
#include "app/instance_match.h"

#include <cctype>
#include <cstring>
#include <string>

namespace tavos {

namespace {
constexpr const char kProgramName[] = "TAVOS.EXE";
}

bool IsProgramProcessName(const char* name, int versionCode) {
  std::string upper(name);
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (versionCode == 500 || versionCode == 501) return upper == kProgramName;
  size_t at = upper.find(kProgramName);
  return at != std::string::npos && upper.compare(at, std::string::npos, kProgramName) == 0;
}

}  // namespace tavos
