// What the user does to Tavos's tray icon and to the menus, dialogs, message boxes and file
// dialogs it shows: real clicks and keys into the real windows (host_input.cpp), so that Wine
// decides what each does, a greyed control or a disabled dialog included.
#include <cstdio>
#include <cstring>
#include <vector>

#include "sim/machine/tray_clicks.h"
#include "sim/notebook_hal/wine_channel.h"
#include "tests/wine/host_input.h"
#include "tests/wine/host_session.h"
#include "tests/wine/probe_surfaces.h"
#include "tests/wine/window_names.h"

namespace tavos_host {

// The session has no window manager to draw captions, and Wine's X11 driver leaves a caption
// it expects one to draw out of the window, so a click on it would reach the desktop beneath.
// Told that windows are not decorated by the window manager, Wine draws the caption and its
// close box itself and takes clicks on them, as Windows does. Read when a program starts.
bool DrawOwnCaptions() {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG set =
      RegSetValueExA(key, "Decorated", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
  RegCloseKey(key);
  return set == ERROR_SUCCESS;
}

namespace {

using tavos_wine::ClassOf;
using tavos_wine::TextOf;

constexpr char kMenuClass[] = "#32768";
constexpr char kDialogClass[] = "#32770";
// The "Files of type" box and the name box of Wine's file dialog (dlgs.h: cmb1; edt1, or cmb13
// in its newer template).
constexpr int kFileTypeBox = 0x470;
constexpr int kFileNameEdit = 0x480;
constexpr int kFileNameCombo = 0x47c;

struct ThreadWindows {
  DWORD thread;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectSurface(HWND hwnd, LPARAM param) {
  auto* windows = reinterpret_cast<ThreadWindows*>(param);
  const std::string cls = ClassOf(hwnd);
  if (GetWindowThreadProcessId(hwnd, nullptr) == windows->thread && IsWindowVisible(hwnd) &&
      (cls == kMenuClass || cls == kDialogClass))
    windows->found.push_back(hwnd);
  return TRUE;
}

// Tavos's menus and dialogs on screen, the one in front first (an owned window is always above
// its owner, a menu above all).
std::vector<HWND> Surfaces() {
  Tavos* t = Running();
  ThreadWindows windows{t ? t->info.dwThreadId : 0, {}};
  if (t != nullptr) EnumWindows(CollectSurface, reinterpret_cast<LPARAM>(&windows));
  return windows.found;
}

bool IsMenu(HWND hwnd) { return ClassOf(hwnd) == kMenuClass; }
// Where the notification area is on Windows, the screen's bottom right corner, unless the menu
// covers it.
POINT OutsideOf(HWND menu) {
  RECT rect{};
  GetWindowRect(menu, &rect);
  POINT corner{GetSystemMetrics(SM_CXSCREEN) - 8, GetSystemMetrics(SM_CYSCREEN) - 8};
  if (PtInRect(&rect, corner)) corner = POINT{8, 8};
  return corner;
}

bool IsFileDialog(HWND hwnd) { return GetDlgItem(hwnd, kFileTypeBox) != nullptr; }

std::string KindOf(HWND surface) {
  if (IsMenu(surface)) return "menu";
  return IsFileDialog(surface) ? "fileopen" : "dialog";
}

struct Above {
  HWND target = nullptr;
  POINT at{};
  bool reached = false;
  bool covered = false;
};

BOOL CALLBACK CheckAbove(HWND hwnd, LPARAM param) {
  auto* above = reinterpret_cast<Above*>(param);
  if (hwnd == above->target) return above->reached = true, FALSE;
  RECT rect;
  if (IsWindowVisible(hwnd) && GetWindowRect(hwnd, &rect) && PtInRect(&rect, above->at))
    return above->covered = true, FALSE;
  return TRUE;
}

// A point of the control the user can see: not under a window in front of its own.
bool VisiblePoint(HWND control, POINT* at) {
  RECT rect;
  if (!GetWindowRect(control, &rect)) return false;
  HWND top = GetAncestor(control, GA_ROOT);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  const int xs[] = {w / 2, w / 4, 3 * w / 4, 2, w - 3};
  const int ys[] = {h / 2, h / 4, 3 * h / 4};
  for (int y : ys)
    for (int x : xs) {
      Above above;
      above.target = top;
      above.at = POINT{rect.left + x, rect.top + y};
      EnumWindows(CheckAbove, reinterpret_cast<LPARAM>(&above));
      if (!above.covered) return *at = above.at, true;
    }
  return false;
}

struct ButtonSearch {
  std::string text;
  HWND found = nullptr;
  std::string offered;
};

BOOL CALLBACK FindButton(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<ButtonSearch*>(param);
  if (lstrcmpiA(ClassOf(hwnd).c_str(), "Button") != 0 || !IsWindowVisible(hwnd)) return TRUE;
  const LONG type = GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK;
  if (type == BS_GROUPBOX) return TRUE;
  const std::string text = TextOf(hwnd);
  if (text == search->text && search->found == nullptr) search->found = hwnd;
  search->offered += (search->offered.empty() ? "\"" : ", \"") + text + "\"";
  return TRUE;
}

// The user works in the surface on top, so it is the window in front: Wine's server gives keys
// (the marker that ends each batch among them) to the thread in front when they are sent, before
// a click in the same batch could bring Tavos forward. Another program Tavos started may have
// come forward meanwhile, as it would on Windows until the user clicks back.
void BringToFront(HWND surface) {
  if (GetForegroundWindow() != surface) SetForegroundWindow(surface);
}

bool ChooseMenuItem(const std::string& text, std::string* why) {
  // Wine keeps a menu's items in its own process; the probe reported them when it opened.
  int downs = 0;
  std::string offered;
  for (const std::string& item : g_menuItems) {
    if (item == "-") continue;
    ++downs;
    offered += (offered.empty() ? "\"" : ", \"") + item + "\"";
    if (item != text) continue;
    // The arrow keys walk the items from none selected, over the separators; Enter chooses.
    Input input;
    for (int i = 0; i < downs; ++i) input.Press(VK_DOWN);
    input.Press(VK_RETURN);
    return input.Send(why) || (*why = "choose: " + *why, false);
  }
  return *why = "choose: the menu on top offers no \"" + text + "\" (it offers " + offered + ")",
         false;
}

}  // namespace

// The user clicks the icon. The notification area is the shell's, which tells Tavos each mouse
// message by posting its callback message; Wine's shell shows no notification area in this
// session (no X tray to dock in), so the host posts them as it would. A menu Tavos has open
// takes the click first, as a click outside it: that one is real input, so Wine's menu loop
// decides whether it closes; only then does the click reach the shell.
bool Tray(const std::string& click, std::string* why) {
  const std::vector<UINT> mouse = tavos_sim::TrayClickMessages(click);
  if (mouse.empty() || !g_icon.shown || Running() == nullptr || !IsWindow(g_icon.hwnd))
    return *why = "tray: there is no icon in the notification area", false;
  const std::vector<HWND> surfaces = Surfaces();
  if (!surfaces.empty() && IsMenu(surfaces.front())) {
    Input input;
    input.Click(OutsideOf(surfaces.front()), click == "right");
    if (!input.Send(why)) return *why = "tray: " + *why, false;
    // A menu that keeps the mouse captured keeps the click from the shell too.
    const std::vector<HWND> after = Surfaces();
    if (!after.empty() && IsMenu(after.front())) return true;
  }
  for (UINT message : mouse) PostMessageA(g_icon.hwnd, g_icon.callback, g_icon.id, LPARAM(message));
  return true;
}

// Clicks the button or check box TEXT of the topmost dialog or message box that has it, or
// chooses the item TEXT of the menu on top.
bool Choose(const std::string& text, std::string* why) {
  const std::vector<HWND> surfaces = Surfaces();
  if (surfaces.empty()) return *why = "choose: nothing on screen waits for a choice", false;
  if (IsMenu(surfaces.front())) return ChooseMenuItem(text, why);
  ButtonSearch search;
  search.text = text;
  for (HWND surface : surfaces) {
    EnumChildWindows(surface, FindButton, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) break;
  }
  if (search.found == nullptr)
    return *why = "choose: the dialog on top offers no \"" + text + "\" (it offers " +
                  search.offered + ")",
           false;
  POINT at;
  // Hidden by a window in front, the button cannot be clicked: nothing happens.
  if (!VisiblePoint(search.found, &at)) {
    std::fprintf(stderr,
                 "# scenario host: choose \"%s\": the button is hidden under a window in "
                 "front, so no click can reach it\n",
                 text.c_str());
    return true;
  }
  BringToFront(surfaces.front());
  Input input;
  input.Click(at);
  return input.Send(why) || (*why = "choose: " + *why, false);
}

bool TypeText(const std::string& text, std::string* why) {
  const std::vector<HWND> surfaces = Surfaces();
  if (surfaces.empty() || IsMenu(surfaces.front()))
    return *why = "type: no dialog is on top", false;
  HWND dialog = surfaces.front();
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  HWND box = nullptr;
  if (GetGUIThreadInfo(Running()->info.dwThreadId, &gui) && gui.hwndFocus != nullptr &&
      GetParent(gui.hwndFocus) == dialog && lstrcmpiA(ClassOf(gui.hwndFocus).c_str(), "Edit") == 0)
    box = gui.hwndFocus;
  for (HWND child = GetWindow(dialog, GW_CHILD); box == nullptr && child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    if (lstrcmpiA(ClassOf(child).c_str(), "Edit") == 0) box = child;
  if (box == nullptr) return *why = "type: the dialog on top has no edit box", false;
  if (!IsWindowEnabled(box)) return *why = "type: the edit box is greyed", false;
  POINT at;
  if (!VisiblePoint(box, &at)) return *why = "type: the edit box is hidden", false;
  BringToFront(dialog);
  // A click into the box, its whole text selected, and the new text typed over it.
  Input input;
  input.Click(at);
  input.Press(VK_END);
  input.Key(VK_SHIFT, false);
  input.Press(VK_HOME);
  input.Key(VK_SHIFT, true);
  if (text.empty()) input.Press(VK_DELETE);
  input.Type(text);
  return input.Send(why) || (*why = "type: " + *why, false);
}

bool Key(const std::string& key, std::string* why) {
  const std::vector<HWND> surfaces = Surfaces();
  if (surfaces.empty()) return *why = "key: nothing on screen waits for a key", false;
  if (IsMenu(surfaces.front()) && key != "esc")
    return *why = "key: a menu takes esc here; choose an item by its text", false;
  if (!IsMenu(surfaces.front())) BringToFront(surfaces.front());
  Input input;
  input.Press(key == "enter" ? VK_RETURN : VK_ESCAPE);
  return input.Send(why) || (*why = "key: " + *why, false);
}

// The close box in the caption, found where the window itself says it is (WM_NCHITTEST).
bool Close(std::string* why) {
  const std::vector<HWND> surfaces = Surfaces();
  if (surfaces.empty()) return *why = "close: nothing on screen has a close box", false;
  HWND top = surfaces.front();
  if (IsMenu(top) || !(GetWindowLongA(top, GWL_STYLE) & WS_SYSMENU))
    return *why = "close: the " + KindOf(top) + " on top has no close box", false;
  RECT rect;
  GetWindowRect(top, &rect);
  LONG left = -1, right = -1, y = -1;
  for (LONG row = rect.top + 2; row < rect.top + 40 && y < 0; row += 2)
    for (LONG x = rect.right - 2; x > rect.right - 80; --x) {
      DWORD_PTR hit = 0;
      SendMessageTimeoutA(top, WM_NCHITTEST, 0, MAKELPARAM(x, row), SMTO_BLOCK, 5000, &hit);
      if (hit == HTCLOSE) {
        if (right < 0) right = x;
        left = x;
        y = row;
      } else if (right >= 0) {
        break;
      }
    }
  if (y < 0) return *why = "close: no close box found in the caption", false;
  BringToFront(top);
  Input input;
  input.Click(POINT{(left + right) / 2, y + 3});
  return input.Send(why) || (*why = "close: " + *why, false);
}

// The user's answer to the file dialog on top: the path typed into its name box and Enter,
// or Esc.
bool Pick(const std::string& path, bool cancel, std::string* why) {
  const std::vector<HWND> surfaces = Surfaces();
  if (surfaces.empty() || !IsFileDialog(surfaces.front()))
    return *why = "pick: no file dialog is on top", false;
  HWND dialog = surfaces.front();
  BringToFront(dialog);
  Input input;
  if (cancel) {
    input.Press(VK_ESCAPE);
  } else {
    HWND box = GetDlgItem(dialog, kFileNameEdit);
    if (box == nullptr) box = GetDlgItem(dialog, kFileNameCombo);
    POINT at;
    if (box == nullptr || !VisiblePoint(box, &at))
      return *why = "pick: the file dialog shows no name box", false;
    input.Click(at);
    input.Press(VK_END);
    input.Key(VK_SHIFT, false);
    input.Press(VK_HOME);
    input.Key(VK_SHIFT, true);
    input.Type(path);
    input.Press(VK_RETURN);
  }
  if (!input.Send(why)) return *why = "pick: " + *why, false;
  // A dialog that is still there refused the name (it says why in a message box of its own).
  for (HWND still : Surfaces())
    if (still == dialog) return *why = "pick: the file dialog refuses \"" + path + "\"", false;
  return true;
}

// What is on top, as the probe reads it inside Tavos's thread.
bool Screen(std::string* why) {
  static const UINT screen = RegisterWindowMessageA(tavos_wine::kScreenMessage);
  Tavos* t = Running();
  if (t == nullptr) return Event("screen none"), true;
  if (!PostThreadMessageA(t->info.dwThreadId, screen, 0, 0))
    return *why = "screen: cannot reach Tavos's thread", false;
  return true;
}

// WM_COMMAND posted to Tavos's main window, as another program could.
bool Command(unsigned id, std::string* why) {
  HWND frame = TavosFrame();
  if (frame == nullptr) return *why = "command: no Tavos is running", false;
  Event("command " + std::to_string(id));
  PostMessageA(frame, WM_COMMAND, WPARAM(id), 0);
  return true;
}

}  // namespace tavos_host
