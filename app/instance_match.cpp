// Process-name comparisons. They run on every poll tick, so a name is upper-cased on the
// stack; only a name longer than any path goes to the heap.
#include "app/instance_match.h"

#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/win32.h"

namespace tavos {

namespace {
constexpr const char kProgramName[] = "TAVOS.EXE";
}

void UpperMultibyte(char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    BYTE c = static_cast<BYTE>(text[i]);
    // Lead bytes lie above the ASCII range; the trail byte after one stays as it is.
    if (c >= 0x80 && IsDBCSLeadByte(c) && i + 1 < length) {
      ++i;
      continue;
    }
    text[i] = char(std::toupper(c));
  }
}

bool ProcessNameMatches(const char* name, const char* target, bool nameIsPath) {
  if (name == nullptr) name = "";
  const size_t length = std::strlen(name);
  char onStack[MAX_PATH + 1];
  std::vector<char> onHeap;
  char* upper = onStack;
  if (length > MAX_PATH) {
    onHeap.assign(name, name + length);
    upper = onHeap.data();
  } else {
    std::memcpy(onStack, name, length);
  }
  UpperMultibyte(upper, length);
  const std::string_view text(upper, length);
  const std::string_view wanted(target);
  if (!nameIsPath) return text == wanted;
  if (wanted.empty()) return false;
  size_t at = text.find(wanted);
  return at != std::string_view::npos && text.substr(at) == wanted;
}

bool IsProgramProcessName(const char* name, int versionCode) {
  return ProcessNameMatches(name, kProgramName, versionCode != 500 && versionCode != 501);
}

}  // namespace tavos
