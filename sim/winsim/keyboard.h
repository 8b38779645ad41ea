// The keyboard: keys the user physically holds, and the events programs synthesise.
#pragma once

#include <array>
#include <cstdint>

namespace winsim {

class Keyboard {
 public:
  void Hold(uint8_t vk) {
    held_[vk] = true;
    ++generation_;
  }
  void Release(uint8_t vk) {
    held_[vk] = false;
    ++generation_;
  }
  bool Held(uint8_t vk) const { return held_[vk]; }
  // A synthesised key transition (keybd_event).
  void Synthesise(uint8_t vk, bool down);
  bool Down(uint8_t vk) const { return held_[vk] || synthesisedDown_[vk]; }
  bool Toggled(uint8_t vk) const { return toggled_[vk]; }
  // Changes with every key transition: a thread's own view of the keys (SetKeyboardState)
  // lasts until the next one.
  uint64_t Generation() const { return generation_; }

 private:
  std::array<bool, 256> held_{};
  std::array<bool, 256> synthesisedDown_{};
  std::array<bool, 256> toggled_{};
  uint64_t generation_ = 0;
};

// A key event reaching the system: the key's state changes and the foreground window hears
// of it (a window of a program without code at once).
void DeliverKeyEvent(uint8_t vk, bool up);

}  // namespace winsim
