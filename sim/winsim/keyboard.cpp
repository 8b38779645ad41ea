// Key state: a key reads as down while held or between a synthesised down and up; every press
// of a key that was up toggles it. A side key (VK_LCONTROL) moves its common key (VK_CONTROL)
// too, as Windows' key-state functions show them.
#include "sim/winsim/keyboard.h"

namespace winsim {

namespace {

constexpr uint8_t kFirstSideKey = 0xA0;  // VK_LSHIFT; then VK_RSHIFT, VK_LCONTROL ... VK_RMENU
constexpr uint8_t kLastSideKey = 0xA5;
constexpr uint8_t kRightShiftScan = 0x36;
constexpr LPARAM kExtendedBit = LPARAM(1) << 24;

bool IsSideKey(uint8_t vk) { return vk >= kFirstSideKey && vk <= kLastSideKey; }
bool IsCommonModifier(uint8_t vk) { return vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU; }
uint8_t LeftSideOf(uint8_t common) { return uint8_t(kFirstSideKey + 2 * (common - VK_SHIFT)); }

}  // namespace

uint8_t CommonKeyOf(uint8_t vk) {
  return IsSideKey(vk) ? uint8_t(VK_SHIFT + (vk - kFirstSideKey) / 2) : vk;
}

uint8_t SideKeyOf(uint8_t vk, LPARAM bits) {
  if (!IsCommonModifier(vk)) return vk;
  const bool right =
      vk == VK_SHIFT ? ((bits >> 16) & 0xFF) == kRightShiftScan : (bits & kExtendedBit) != 0;
  return uint8_t(LeftSideOf(vk) + (right ? 1 : 0));
}

void Keyboard::Set(std::array<bool, 256>& keys, uint8_t vk, bool down) {
  const uint8_t common = CommonKeyOf(vk);
  if (!IsCommonModifier(common)) {
    keys[vk] = down;
    return;
  }
  const uint8_t left = LeftSideOf(common);
  keys[vk == common ? left : vk] = down;
  keys[common] = keys[left] || keys[left + 1];
}

void Keyboard::Press(uint8_t vk, bool physical) {
  const uint8_t common = CommonKeyOf(vk);
  if (IsCommonModifier(common)) {
    const uint8_t side = vk == common ? LeftSideOf(common) : vk;
    if (!Down(side)) toggled_[side] = !toggled_[side];
    if (!Down(common)) toggled_[common] = !toggled_[common];
  } else if (!Down(vk)) {
    toggled_[vk] = !toggled_[vk];
  }
  if (physical) Set(held_, vk, true);
}

// As Windows' input thread decides it; Wine's server does the same (queue_keyboard_message).
UINT Keyboard::MessageFor(uint8_t vk, bool down) {
  const bool alt = Down(VK_MENU), control = Down(VK_CONTROL);
  const uint8_t common = CommonKeyOf(vk);
  if (common == VK_MENU) {
    if (down) {
      if (control) return WM_KEYDOWN;
      altAlone_ = true;
      return WM_SYSKEYDOWN;
    }
    const bool alone = alt && altAlone_;
    altAlone_ = false;
    return alone ? WM_SYSKEYUP : WM_KEYUP;
  }
  if (common == VK_CONTROL) {
    if (down || !alt) return down ? WM_KEYDOWN : WM_KEYUP;
    altAlone_ = false;
    return WM_SYSKEYUP;
  }
  if (vk == VK_F10 || (alt && !control)) {
    altAlone_ = false;
    return down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
  }
  return down ? WM_KEYDOWN : WM_KEYUP;
}

void Keyboard::Synthesise(uint8_t vk, bool down) {
  if (down) Press(vk, false);
  Set(synthesisedDown_, vk, down);
}

}  // namespace winsim
