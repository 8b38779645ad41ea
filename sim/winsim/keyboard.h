// The keyboard as the system sees it: the keys the user physically holds and the events
// programs synthesise. This is what GetAsyncKeyState reads. Each thread's own view of the keys
// (GetKeyState, GetKeyboardState) is SimThread::keyState: it changes only as that thread takes
// key messages from its queue, so a program sees neither typed-ahead keys nor keys typed into
// another program's window.
#pragma once

#include <array>
#include <cstdint>

#include "platform/win32.h"

namespace winsim {

class SimThread;

class Keyboard {
 public:
  void Hold(uint8_t vk) { Press(vk, true); }
  void Release(uint8_t vk) { Set(held_, vk, false); }
  bool Held(uint8_t vk) const { return held_[vk]; }
  // A synthesised key transition (keybd_event, journal playback).
  void Synthesise(uint8_t vk, bool down);
  bool Down(uint8_t vk) const { return held_[vk] || synthesisedDown_[vk]; }
  bool Toggled(uint8_t vk) const { return toggled_[vk]; }
  // The key message a transition makes, decided from the keys down before it (call it before
  // the transition changes them): WM_SYSKEYDOWN/UP for Alt without Ctrl, for F10, and for any
  // key while Alt is down without Ctrl; Alt's own release is a system key only when no other
  // key came since Alt went down; Ctrl's release while Alt is down is one.
  UINT MessageFor(uint8_t vk, bool down);

 private:
  void Press(uint8_t vk, bool physical);
  // A left or right Shift, Ctrl or Alt changes its side and the common key with it (down while
  // either side is); the common key stands for the left one.
  static void Set(std::array<bool, 256>& keys, uint8_t vk, bool down);

  std::array<bool, 256> held_{};
  std::array<bool, 256> synthesisedDown_{};
  std::array<bool, 256> toggled_{};
  bool altAlone_ = false;  // Alt went down as a system key and no key has come since
};

// The key a window hears for a left or right Shift, Ctrl or Alt: the common one (VK_CONTROL for
// VK_LCONTROL); only the key-state functions tell the sides apart. Any other key is itself.
uint8_t CommonKeyOf(uint8_t vk);
// The side a key message's common Shift, Ctrl or Alt came from (right: the extended bit, or the
// right Shift's scan code); any other key is itself.
uint8_t SideKeyOf(uint8_t vk, LPARAM bits);

// Key input goes where Windows sends it: to the window with the focus, here the foreground
// window. A program without code answers at once; one with code finds the message in its
// thread's input queue, behind the messages posted to it. Without a foreground window the
// input reaches no program (the system state above changes all the same). A side key arrives
// as its common key.
void DeliverKeyInput(HWND target, UINT message, uint8_t vk, LPARAM bits);
// The lParam of a key message: repeat count 1, the key's scan code, the context bit for
// system keys, and the previous-state and transition bits for key-ups.
LPARAM KeyMessageBits(UINT message, uint8_t vk);
// Called as the thread takes a message from its input queue: its own key state follows.
void UpdateThreadKeyState(SimThread& thread, const MSG& msg);
// A key event reaching the system, synthesised or from the user's keyboard (`physical`): the
// key's state changes and the foreground window hears of it (a window of a program without
// code at once) as a key or a system key message.
void DeliverKeyEvent(uint8_t vk, bool up, bool physical = false);

}  // namespace winsim
