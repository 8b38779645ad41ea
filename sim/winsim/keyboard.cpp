// Key state: a key reads as down while held or between a synthesised down and up; every press
// of a key that was up toggles it.
#include "sim/winsim/keyboard.h"

namespace winsim {

void Keyboard::Press(uint8_t vk, bool physical) {
  if (!Down(vk)) toggled_[vk] = !toggled_[vk];
  if (physical) held_[vk] = true;
}

void Keyboard::Synthesise(uint8_t vk, bool down) {
  if (down) Press(vk, false);
  synthesisedDown_[vk] = down;
}

}  // namespace winsim
