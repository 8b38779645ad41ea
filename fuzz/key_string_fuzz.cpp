// Fuzzes the key-string parser with any text, on a single-byte and on a double-byte code
// page: the answer is one of the parser's codes, the queue stays within its bound, and a
// successful parse queues modifier toggles in matching pairs.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_pc.h"
#include "keys/key_string_parser.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void ParseOnce(const std::string& keys) {
  int result = ParseKeyString(keys.c_str());
  Check(result >= kKeysOk && result <= kKeysTooLong);
  Check(g_nQueued >= 0 && g_nQueued <= kKeyQueueSize && g_nPlayed == 0);
  Check(g_pszParse >= keys.c_str() && g_pszParse <= keys.c_str() + keys.size());
  if (result != kKeysOk) return;
  int toggles[3] = {0, 0, 0};
  for (int i = 0; i < g_nQueued; ++i) {
    SHORT entry = g_keyQueue[i];
    Check(entry == kQueueSync || (entry >= 1 && entry <= 0xFF));
    if (entry >= VK_SHIFT && entry <= VK_MENU) ++toggles[entry - VK_SHIFT];
  }
  // "{BREAK}" queues a lone Ctrl toggle, so only Shift and Alt must pair up.
  Check(toggles[0] % 2 == 0 && toggles[2] % 2 == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Text stops at its first NUL, as the program's strings do.
  std::string keys(reinterpret_cast<const char*>(data), size);
  keys = keys.c_str();
  FuzzPc().SetLanguage(0x0409);
  ParseOnce(keys);
  FuzzPc().SetLanguage(0x0411);
  ParseOnce(keys);
  return 0;
}
