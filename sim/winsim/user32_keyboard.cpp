// Keyboard input: synthesised events, the US layout's character map and key state.
#include <cstdio>
#include <cstring>

#include "platform/win32.h"
#include "sim/winsim/keyboard.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

constexpr SHORT kShift = 0x0100;
constexpr SHORT kControl = 0x0200;

// Punctuation of the US keyboard: unshifted and shifted character of each OEM key.
struct OemKey {
  char plain;
  char shifted;
  BYTE vk;
};
constexpr OemKey kOemKeys[] = {
    {';', ':', 0xBA}, {'=', '+', 0xBB}, {',', '<', 0xBC},  {'-', '_', 0xBD},
    {'.', '>', 0xBE}, {'/', '?', 0xBF}, {'`', '~', 0xC0},  {'[', '{', 0xDB},
    {'\\', '|', 0xDC}, {']', '}', 0xDD}, {'\'', '"', 0xDE},
};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

}  // namespace

VOID WINAPI keybd_event(BYTE bVk, BYTE, DWORD dwFlags, ULONG_PTR) {
  WindowsPc& pc = WindowsPc::Current();
  bool up = (dwFlags & KEYEVENTF_KEYUP) != 0;
  pc.Keys().Synthesise(bVk, !up);
  char line[32];
  std::snprintf(line, sizeof line, "key %s 0x%02X", up ? "up" : "down", bVk);
  pc.Events().Add(line);
}

SHORT WINAPI VkKeyScanA(CHAR ch) {
  unsigned char c = static_cast<unsigned char>(ch);
  if (c >= 'a' && c <= 'z') return SHORT(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return SHORT(kShift | c);
  if (c >= '0' && c <= '9') return SHORT(c);
  if (c == ' ') return 0x20;
  if (c == '\b') return 0x08;
  if (c == '\t') return 0x09;
  if (c == '\r') return 0x0D;
  if (c == '\n') return SHORT(kControl | 0x0D);
  if (c == 0x1B) return 0x1B;
  if (c >= 1 && c <= 26) return SHORT(kControl | ('A' + c - 1));
  if (const char* digit = std::strchr(kShiftedDigits, c); digit != nullptr && c != 0)
    return SHORT(kShift | ('0' + (digit - kShiftedDigits)));
  for (const OemKey& key : kOemKeys) {
    if (c == static_cast<unsigned char>(key.plain)) return key.vk;
    if (c == static_cast<unsigned char>(key.shifted)) return SHORT(kShift | key.vk);
  }
  return -1;  // no key types this character
}

SHORT WINAPI GetKeyState(int nVirtKey) {
  if (nVirtKey < 0 || nVirtKey > 255) return 0;
  const winsim::Keyboard& keys = WindowsPc::Current().Keys();
  BYTE vk = BYTE(nVirtKey);
  return SHORT((keys.Down(vk) ? 0xFF80 : 0) | (keys.Toggled(vk) ? 1 : 0));
}
