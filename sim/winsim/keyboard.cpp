// Key state: a key reads as down while held or between a synthesised down and up.
#include "sim/winsim/keyboard.h"

namespace winsim {

void Keyboard::Synthesise(uint8_t vk, bool down) {
  if (down && !synthesisedDown_[vk] && !held_[vk]) toggled_[vk] = !toggled_[vk];
  synthesisedDown_[vk] = down;
  ++generation_;
}

}  // namespace winsim
