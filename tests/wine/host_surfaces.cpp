// What the user does to Tavos's tray icon and to the dialogs and message boxes it shows.
#include <cstring>
#include <vector>

#include "sim/machine/tray_clicks.h"
#include "tests/wine/host_session.h"

namespace tavos_host {

// The user clicks the icon: the shell posts its callback message with each mouse message.
bool Tray(const std::string& click, std::string* why) {
  const std::vector<UINT> mouse = tavos_sim::TrayClickMessages(click);
  if (mouse.empty() || !g_icon.shown || Running() == nullptr || !IsWindow(g_icon.hwnd))
    return *why = "tray: there is no icon in the notification area", false;
  for (UINT message : mouse) PostMessageA(g_icon.hwnd, g_icon.callback, g_icon.id, LPARAM(message));
  return true;
}

namespace {

struct Surface {
  DWORD thread;
  HWND menu = nullptr;
  HWND dialog = nullptr;
};

BOOL CALLBACK FindSurface(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<Surface*>(param);
  char cls[16] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (GetWindowThreadProcessId(hwnd, nullptr) != found->thread || !IsWindowVisible(hwnd))
    return TRUE;
  if (std::strcmp(cls, "#32768") == 0) found->menu = hwnd;
  if (std::strcmp(cls, "#32770") == 0) found->dialog = hwnd;
  return TRUE;
}

BOOL CALLBACK CollectButton(HWND hwnd, LPARAM param) {
  auto* buttons = reinterpret_cast<std::vector<HWND>*>(param);
  char cls[16] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  if (lstrcmpiA(cls, "Button") == 0 && IsWindowVisible(hwnd)) buttons->push_back(hwnd);
  return TRUE;
}

std::string TextOf(HWND hwnd) {
  char text[128] = "";
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

}  // namespace

// Picks the button TEXT of the dialog or message box on top, as a click on it would.
bool Choose(const std::string& text, std::string* why) {
  Tavos* t = Running();
  Surface top{t ? t->info.dwThreadId : 0};
  if (t != nullptr) EnumWindows(FindSurface, reinterpret_cast<LPARAM>(&top));
  std::string offered;
  // Neither keys posted to the menu window nor keys sent as input reach Wine's menu loop from
  // another process, so a menu item is not chosen here (the runner refuses "tray right").
  if (top.menu != nullptr) return *why = "choose: menu items cannot be chosen on Wine", false;
  if (top.dialog != nullptr) {
    std::vector<HWND> buttons;
    EnumChildWindows(top.dialog, CollectButton, reinterpret_cast<LPARAM>(&buttons));
    for (HWND button : buttons) {
      if (TextOf(button) == text) {
        PostMessageA(top.dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
        return true;
      }
      offered += (offered.empty() ? "\"" : ", \"") + TextOf(button) + "\"";
    }
    return *why =
               "choose: the dialog on top offers no \"" + text + "\" (it offers " + offered + ")",
           false;
  }
  return *why = "choose: nothing on screen waits for a choice", false;
}

}  // namespace tavos_host
