// The system's ANSI code page, from its language: Japanese Windows uses the double-byte code
// page 932 (Shift-JIS); the languages this PC is otherwise set to use single-byte pages.
#include "platform/win32.h"
#include "sim/winsim/windows_pc.h"

namespace {
constexpr LANGID kJapanese = 0x0411;
}

BOOL WINAPI IsDBCSLeadByte(BYTE TestChar) {
  if (winsim::WindowsPc::Current().Language() != kJapanese) return FALSE;
  return (TestChar >= 0x81 && TestChar <= 0x9F) || (TestChar >= 0xE0 && TestChar <= 0xFC);
}
