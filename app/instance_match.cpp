// Process-name comparisons.
#include "app/instance_match.h"

#include <cctype>

#include "platform/win32.h"

namespace tavos {

namespace {
constexpr const char kProgramName[] = "TAVOS.EXE";
}

std::string UpperMultibyte(const char* text) {
  std::string upper(text != nullptr ? text : "");
  for (size_t i = 0; i < upper.size(); ++i) {
    BYTE c = static_cast<BYTE>(upper[i]);
    // Lead bytes lie above the ASCII range.
    if (c >= 0x80 && IsDBCSLeadByte(c) && i + 1 < upper.size()) {
      ++i;
      continue;
    }
    upper[i] = char(std::toupper(static_cast<unsigned char>(upper[i])));
  }
  return upper;
}

bool ProcessNameMatches(const char* name, const char* target, bool nameIsPath) {
  std::string upper = UpperMultibyte(name);
  if (!nameIsPath) return upper == target;
  if (*target == '\0') return false;
  size_t at = upper.find(target);
  return at != std::string::npos && upper.compare(at, std::string::npos, target) == 0;
}

bool IsProgramProcessName(const char* name, int versionCode) {
  return ProcessNameMatches(name, kProgramName, versionCode != 500 && versionCode != 501);
}

}  // namespace tavos
