// The taskbar's notification area: the icons programs add with Shell_NotifyIconA.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim {

class NotificationArea {
 public:
  struct Icon {
    HWND hwnd;
    UINT id;
    UINT callbackMessage;
    HICON icon;
    std::string tip;
  };
  // NIM_ADD, NIM_MODIFY, NIM_DELETE with Windows' rules; false when the shell refuses.
  bool Notify(DWORD message, const NOTIFYICONDATAA& data);
  void RemoveIconsOf(HWND hwnd);
  const std::vector<Icon>& Icons() const { return icons_; }
  Icon* Find(HWND hwnd, UINT id);

 private:
  std::vector<Icon> icons_;
};

}  // namespace winsim
