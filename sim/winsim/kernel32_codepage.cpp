// The system's ANSI code page, from its language: Japanese Windows uses the double-byte code
// page 932 (Shift-JIS); the languages this PC is otherwise set to use Windows-1252.
#include <cstring>

#include "platform/win32.h"
#include "sim/winsim/code_page.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

namespace {

constexpr LANGID kJapanese = 0x0411;

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined map to themselves.
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

namespace winsim {

uint16_t WideOfAnsi(uint8_t c) { return c >= 0x80 && c <= 0x9F ? kWindows1252High[c - 0x80] : c; }

// '?' for a character the page cannot hold, as WideCharToMultiByte gives it by default.
char AnsiOfWide(uint16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return char(c);
  for (int i = 0; i < 32; ++i)
    if (kWindows1252High[i] == c) return char(0x80 + i);
  return '?';
}

}  // namespace winsim

BOOL WINAPI IsDBCSLeadByte(BYTE TestChar) {
  if (winsim::WindowsPc::Current().Language() != kJapanese) return FALSE;
  return (TestChar >= 0x81 && TestChar <= 0x9F) || (TestChar >= 0xE0 && TestChar <= 0xFC);
}

// CP_ACP only; with a length of -1 the terminator is converted and counted too.
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
  winsim::SimScope scope;
  winsim::WindowsPc& pc = winsim::WindowsPc::Current();
  if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cchWideChar < 0 ||
      (lpWideCharStr == nullptr && cchWideChar != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (CodePage != CP_ACP) {
    pc.Stub("MultiByteToWideChar of a code page other than CP_ACP");
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int length = cbMultiByte < 0 ? int(std::strlen(lpMultiByteStr)) + 1 : cbMultiByte;
  if (pc.Language() == kJapanese) {
    for (int i = 0; i < length; ++i) {
      if (static_cast<uint8_t>(lpMultiByteStr[i]) >= 0x80) {
        pc.Stub("MultiByteToWideChar of double-byte text");
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
      }
    }
  }
  if (cchWideChar == 0) return length;
  if (cchWideChar < length) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (int i = 0; i < length; ++i)
    lpWideCharStr[i] = winsim::WideOfAnsi(static_cast<uint8_t>(lpMultiByteStr[i]));
  return length;
}
