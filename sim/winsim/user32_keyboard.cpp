// Keyboard input: where key events go, synthesised events, the US layout's character map,
// and the two views of the keys (the thread's own and the system's).
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/keyboard.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

using winsim::SimThread;
using winsim::SimWindow;
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
    {';', ':', 0xBA},  {'=', '+', 0xBB}, {',', '<', 0xBC},  {'-', '_', 0xBD},
    {'.', '>', 0xBE},  {'/', '?', 0xBF}, {'`', '~', 0xC0},  {'[', '{', 0xDB},
    {'\\', '|', 0xDC}, {']', '}', 0xDD}, {'\'', '"', 0xDE},
};
constexpr char kShiftedDigits[] = ")!@#$%^&*(";

// Set-1 scan codes of the US keyboard, as MapVirtualKeyA gives them (no extended bit).
struct ScanCode {
  UINT vk;
  UINT scan;
};
constexpr ScanCode kScanCodes[] = {
    {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38},
    {0x13, 0x45}, {0x14, 0x3A}, {0x1B, 0x01}, {0x20, 0x39}, {0x21, 0x49}, {0x22, 0x51},
    {0x23, 0x4F}, {0x24, 0x47}, {0x25, 0x4B}, {0x26, 0x48}, {0x27, 0x4D}, {0x28, 0x50},
    {0x2C, 0x54}, {0x2D, 0x52}, {0x2E, 0x53}, {'0', 0x0B},  {'1', 0x02},  {'2', 0x03},
    {'3', 0x04},  {'4', 0x05},  {'5', 0x06},  {'6', 0x07},  {'7', 0x08},  {'8', 0x09},
    {'9', 0x0A},  {'A', 0x1E},  {'B', 0x30},  {'C', 0x2E},  {'D', 0x20},  {'E', 0x12},
    {'F', 0x21},  {'G', 0x22},  {'H', 0x23},  {'I', 0x17},  {'J', 0x24},  {'K', 0x25},
    {'L', 0x26},  {'M', 0x32},  {'N', 0x31},  {'O', 0x18},  {'P', 0x19},  {'Q', 0x10},
    {'R', 0x13},  {'S', 0x1F},  {'T', 0x14},  {'U', 0x16},  {'V', 0x2F},  {'W', 0x11},
    {'X', 0x2D},  {'Y', 0x15},  {'Z', 0x2C},  {0x70, 0x3B}, {0x71, 0x3C}, {0x72, 0x3D},
    {0x73, 0x3E}, {0x74, 0x3F}, {0x75, 0x40}, {0x76, 0x41}, {0x77, 0x42}, {0x78, 0x43},
    {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58}, {0x90, 0x45}, {0x91, 0x46}, {0xBA, 0x27},
    {0xBB, 0x0D}, {0xBC, 0x33}, {0xBD, 0x0C}, {0xBE, 0x34}, {0xBF, 0x35}, {0xC0, 0x29},
    {0xDB, 0x1A}, {0xDC, 0x2B}, {0xDD, 0x1B}, {0xDE, 0x28}, {0xA0, 0x2A}, {0xA1, 0x36},
    {0xA2, 0x1D}, {0xA3, 0x1D}, {0xA4, 0x38}, {0xA5, 0x38},
};
constexpr BYTE kRightControl = 0xA3;
constexpr BYTE kRightAlt = 0xA5;

}  // namespace

namespace winsim {

LPARAM KeyMessageBits(UINT message, uint8_t vk) {
  LPARAM bits = 1 | LPARAM(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) & 0xFF) << 16;
  if (vk == kRightControl || vk == kRightAlt) bits |= LPARAM(1) << 24;  // extended keys
  if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) bits |= LPARAM(1) << 29;
  if (message == WM_KEYUP || message == WM_SYSKEYUP) bits |= LPARAM(3) << 30;
  return bits;
}

void DeliverKeyInput(HWND target, UINT message, uint8_t vk, LPARAM bits) {
  WindowsPc& pc = WindowsPc::Current();
  SimWindow* window = pc.Windows().Find(target);
  if (window == nullptr) return;
  if (window->thread == nullptr) {
    window->proc(target, message, WPARAM(CommonKeyOf(vk)), bits);
    return;
  }
  MSG msg{};
  msg.hwnd = target;
  msg.message = message;
  msg.wParam = WPARAM(CommonKeyOf(vk));
  msg.lParam = bits;
  msg.time = DWORD(pc.Now());
  window->thread->input.push_back(msg);
}

void UpdateThreadKeyState(SimThread& thread, const MSG& msg) {
  bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
  if (!down && !up) return;
  // A common Shift, Ctrl or Alt moves the side it came from as well.
  const uint8_t key = BYTE(msg.wParam), side = SideKeyOf(key, msg.lParam);
  for (uint8_t each : {key, side}) {
    uint8_t& state = thread.keyState[each];
    if (down && !(state & 0x80)) state ^= 0x01;
    state = down ? uint8_t(state | 0x80) : uint8_t(state & ~0x80);
    if (side == key) break;
  }
}

void DeliverKeyEvent(uint8_t vk, bool up, bool physical) {
  WindowsPc& pc = WindowsPc::Current();
  const UINT message = pc.Keys().MessageFor(vk, !up);
  if (!physical)
    pc.Keys().Synthesise(vk, !up);
  else if (up)
    pc.Keys().Release(vk);
  else
    pc.Keys().Hold(vk);
  DeliverKeyInput(pc.Windows().Foreground(), message, vk, KeyMessageBits(message, vk));
}

}  // namespace winsim

// While a journal playback runs, the system takes input from it alone; synthesised events
// enter where the keyboard's do, so they wait with those until the playback ends.
VOID WINAPI keybd_event(BYTE bVk, BYTE, DWORD dwFlags, ULONG_PTR) {
  WindowsPc& pc = WindowsPc::Current();
  bool up = (dwFlags & KEYEVENTF_KEYUP) != 0;
  char line[40];
  const char* held = "";
  if (!pc.JournalHooks().empty()) held = pc.HoldInput(bVk, up) ? " held" : " lost";
  std::snprintf(line, sizeof line, "key %s 0x%02X%s", up ? "up" : "down", bVk, held);
  pc.Events().Add(line);
  if (pc.JournalHooks().empty()) winsim::DeliverKeyEvent(bVk, up);
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

// The calling thread's own view of the keys. The owner's thread (a test driving the PC) has
// no message queue and sees the system's keyboard.
static std::array<BYTE, 256> ThreadKeyState() {
  WindowsPc& pc = WindowsPc::Current();
  if (winsim::SimThread* thread = pc.CurrentThread()) return thread->keyState;
  std::array<BYTE, 256> state{};
  for (int vk = 0; vk < 256; ++vk)
    state[vk] =
        BYTE((pc.Keys().Down(BYTE(vk)) ? 0x80 : 0) | (pc.Keys().Toggled(BYTE(vk)) ? 0x01 : 0));
  return state;
}

SHORT WINAPI GetKeyState(int nVirtKey) {
  if (nVirtKey < 0 || nVirtKey > 255) return 0;
  BYTE state = ThreadKeyState()[nVirtKey];
  return SHORT(((state & 0x80) ? 0xFF80 : 0) | (state & 0x01));
}

// The keys as they are now. The low bit ("pressed since the last call") is documented as not
// to be relied on and is always clear here.
SHORT WINAPI GetAsyncKeyState(int vKey) {
  if (vKey < 0 || vKey > 255) return 0;
  return WindowsPc::Current().Keys().Down(BYTE(vKey)) ? SHORT(0x8000) : SHORT(0);
}

BOOL WINAPI GetKeyboardState(PBYTE lpKeyState) {
  if (lpKeyState == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::array<BYTE, 256> state = ThreadKeyState();
  std::memcpy(lpKeyState, state.data(), state.size());
  return TRUE;
}

// Only the thread's view changes: the lock-key lights and other threads see the keyboard. It
// lasts until the thread takes key messages that change it.
BOOL WINAPI SetKeyboardState(LPBYTE lpKeyState) {
  WindowsPc& pc = WindowsPc::Current();
  winsim::SimThread* thread = pc.CurrentThread();
  if (lpKeyState == nullptr || thread == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::memcpy(thread->keyState.data(), lpKeyState, thread->keyState.size());
  return TRUE;
}

UINT WINAPI MapVirtualKeyA(UINT uCode, UINT uMapType) {
  if (uMapType != MAPVK_VK_TO_VSC) {
    WindowsPc::Current().Stub("MapVirtualKeyA map type " + std::to_string(uMapType));
    return 0;
  }
  for (const ScanCode& key : kScanCodes)
    if (key.vk == uCode) return key.scan;
  return 0;
}
