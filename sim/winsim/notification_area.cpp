// Tray icons keyed by window and identifier, as the shell keeps them.
#include "sim/winsim/notification_area.h"

#include <algorithm>
#include <cstring>

namespace winsim {

namespace {

// The tip as the shell reads it: the array the caller declared, its last character always
// taken as the NUL.
std::string TipOf(const NOTIFYICONDATAA& data) {
  size_t room = data.cbSize <= NOTIFYICONDATAA_V1_SIZE ? 64 : sizeof(data.szTip);
  return std::string(data.szTip, strnlen(data.szTip, room - 1));
}

}  // namespace

NotificationArea::Icon* NotificationArea::Find(HWND hwnd, UINT id) {
  for (Icon& icon : icons_)
    if (icon.hwnd == hwnd && icon.id == id) return &icon;
  return nullptr;
}

bool NotificationArea::Notify(DWORD message, const NOTIFYICONDATAA& data) {
  if (data.cbSize < NOTIFYICONDATAA_V1_SIZE || data.hWnd == nullptr) return false;
  Icon* existing = Find(data.hWnd, data.uID);
  switch (message) {
    case NIM_ADD:
      if (existing != nullptr) return false;
      icons_.push_back({data.hWnd, data.uID, 0, nullptr, ""});
      existing = &icons_.back();
      break;
    case NIM_MODIFY:
      if (existing == nullptr) return false;
      break;
    case NIM_DELETE:
      if (existing == nullptr) return false;
      icons_.erase(icons_.begin() + (existing - icons_.data()));
      return true;
    default:
      return false;
  }
  if (data.uFlags & NIF_MESSAGE) existing->callbackMessage = data.uCallbackMessage;
  if (data.uFlags & NIF_ICON) existing->icon = data.hIcon;
  if (data.uFlags & NIF_TIP) existing->tip = TipOf(data);
  return true;
}

void NotificationArea::RemoveIconsOf(HWND hwnd) {
  icons_.erase(std::remove_if(icons_.begin(), icons_.end(),
                              [&](const Icon& icon) { return icon.hwnd == hwnd; }),
               icons_.end());
}

}  // namespace winsim
