// The user's hands under Wine: real mouse and keyboard input through SendInput, which Wine's
// server queues as a user's. A click goes to the window under the pointer and is lost on a
// disabled one; keys go to the thread of the window in front. Each batch ends with the marker
// key, so the host knows when Tavos's thread has taken all of it.
#include "tests/wine/host_input.h"

#include "tests/wine/host_session.h"
#include "tests/wine/probe_surfaces.h"
#include "tests/wine/window_names.h"

namespace tavos_host {

namespace {

// Tavos takes input in its message loops; a loop that takes none for this long is stuck.
constexpr DWORD kInputTimeoutMs = 20000;

HANDLE InputTakenEvent() {
  static HANDLE taken = CreateEventA(nullptr, FALSE, FALSE, tavos_wine::kInputTaken);
  return taken;
}

// Keys whose scan code comes with the E0 prefix: without the extended flag Windows would
// take them for their twins on the numeric keypad.
bool IsExtendedKey(unsigned vk) {
  switch (vk) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_SNAPSHOT:
    case VK_INSERT:
    case VK_DELETE:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_NUMLOCK:
    case VK_RCONTROL:
    case VK_RMENU:
    case VK_VOLUME_MUTE:
    case VK_VOLUME_DOWN:
    case VK_VOLUME_UP:
      return true;
    default:
      return false;
  }
}

}  // namespace

INPUT KeyboardInput(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = WORD(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
  return in;
}

void Input::Key(WORD vk, bool up) { inputs_.push_back(KeyboardInput(vk, up)); }

void Input::Press(WORD vk) {
  Key(vk, false);
  Key(vk, true);
}

void Input::Type(const std::string& text) {
  for (unsigned char c : text) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = c;  // the characters a scenario types are Latin-1
    in.ki.dwFlags = KEYEVENTF_UNICODE;
    inputs_.push_back(in);
    in.ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    inputs_.push_back(in);
  }
}

void Input::Click(POINT at, bool right) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  // Wine maps 0..65535 back onto the screen by multiplying and dropping the low 16 bits.
  in.mi.dx = LONG((at.x * 65536LL + width - 1) / width);
  in.mi.dy = LONG((at.y * 65536LL + height - 1) / height);
  // Each event carries the point. With the point on the move alone, about one run in five of
  // option_dialog_ok saw a click act where the click before it had been (typing closed the
  // dialog through its OK button; a click on OK did nothing): moving Wine's cursor warps the X
  // pointer, and the X motion of an earlier warp coming back late would do that.
  const DWORD kAtPoint = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in.mi.dwFlags = kAtPoint;
  inputs_.push_back(in);
  in.mi.dwFlags = kAtPoint | (right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
  inputs_.push_back(in);
  in.mi.dwFlags = kAtPoint | (right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
  inputs_.push_back(in);
}

bool Input::Send(std::string* why) {
  Press(tavos_wine::kInputMarkerKey);
  HANDLE taken = InputTakenEvent();
  Tavos* t = Running();
  if (taken == nullptr || t == nullptr) return *why = "no Tavos takes input", false;
  ResetEvent(taken);
  const UINT sent = SendInput(UINT(inputs_.size()), inputs_.data(), sizeof(INPUT));
  inputs_.clear();
  if (sent == 0)
    return *why = "SendInput failed with error " + std::to_string(GetLastError()), false;
  HANDLE both[] = {taken, t->info.hProcess};
  if (WaitForMultipleObjects(2, both, FALSE, kInputTimeoutMs) == WAIT_TIMEOUT) {
    return *why = "the input did not reach Tavos in time (the window in front: \"" +
                  tavos_wine::TextOf(GetForegroundWindow()) + "\")",
           false;
  }
  return Settle() || (*why = "Tavos did not become idle after the input", false);
}

}  // namespace tavos_host
