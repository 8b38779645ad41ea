// The mouse messages the shell tells a tray icon's owner for each click a user makes: the
// simulated machine and the Wine scenario host click alike.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace tavos_sim {

// "right", "left" or "double"; empty for anything else.
inline std::vector<UINT> TrayClickMessages(const std::string& click) {
  if (click == "right") return {WM_RBUTTONDOWN, WM_RBUTTONUP};
  if (click == "left") return {WM_LBUTTONDOWN, WM_LBUTTONUP};
  if (click == "double") return {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};
  return {};
}

}  // namespace tavos_sim
