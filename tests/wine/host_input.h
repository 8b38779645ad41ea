// The user's mouse and keyboard under Wine (host_input.cpp).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tavos_host {

// One key going down or up as the keyboard gives it: its scan code, and the extended flag for
// the keys whose scan code comes with the E0 prefix (arrows, Home, End, the right Ctrl...).
INPUT KeyboardInput(WORD vk, bool up);

// A batch of input, sent at once and followed until Tavos's thread has taken it and settled.
class Input {
 public:
  void Key(WORD vk, bool up);
  void Press(WORD vk);
  // Characters as typed (each one's key message carries it, as an input method sends it).
  void Type(const std::string& text);
  // A click at a point of the screen, with the left button or the right one.
  void Click(POINT at, bool right = false);
  // False with `*why` when the input did not reach Tavos or Tavos did not settle after it.
  bool Send(std::string* why);

 private:
  std::vector<INPUT> inputs_;
};

}  // namespace tavos_host
