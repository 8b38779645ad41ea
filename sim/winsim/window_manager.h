// Window classes and windows of the simulated PC, and the surfaces a scripted user answers
// (message boxes, dialogs, popup menus).
#pragma once

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim {

class SimThread;

struct SimWindow {
  HWND handle;
  std::string className;
  WNDPROC proc;
  SimThread* thread;  // null for windows of passive processes
  DWORD pid;
  DWORD style;
  DWORD exStyle;
  std::string text;
  HWND parent;
  HMENU menu;
  LONG_PTR userData = 0;
  bool visible = false;
  bool destroying = false;
  // Where it is (CreateWindowExA, SetWindowPos), and what its painting shows: the text drawn
  // in the paint under way, and the text the timeline reports a top-most window showing.
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool needsPaint = false;  // invalid: WM_PAINT is due
  bool painting = false;    // between BeginPaint and EndPaint
  std::string paintedText;
  std::string shownText;
  // A layered window (WS_EX_LAYERED) shows nothing until its attributes are set.
  bool layeredSet = false;
  BYTE alpha = 255;
  // The paint's device context: the selected font, the background mode, the text colour.
  HGDIOBJ dcFont = nullptr;
  int bkMode = OPAQUE;
  COLORREF textColor = 0;
  // Dialogs and message boxes: their procedure and, once ended, their result.
  DLGPROC dialogProc = nullptr;
  bool dialogEnded = false;
  INT_PTR dialogResult = 0;
  int dialogTemplate = 0;  // the template's resource id; 0 for message boxes
  int defaultId = 1;       // the dialog's default push button (IDOK when it names none)
  // Controls: a check box's state, a button's image; any window's icons and system menu.
  int checkState = 0;
  HICON image = nullptr;
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
  HMENU systemMenu = nullptr;
  bool minimized = false;
  // The newest window activated among this window and the popups it owns, directly or
  // through other popups (GetLastActivePopup); null until one was.
  HWND lastActivePopup = nullptr;
};

// Something on screen that waits for the user: the scripted user picks one of its choices.
struct Surface {
  std::string kind;  // "msgbox", "dialog", "menu"
  HWND window;
  SimThread* thread;
  std::vector<std::string> choices;  // button or item texts
  // Acts on the choice (posts to the surface's window); false when the text is no choice.
  std::function<bool(const std::string&)> choose;
  // A file dialog: the user's answer, a full path or "" to cancel; false when refused.
  std::function<bool(const std::string&)> pick = nullptr;
  // A menu: closed without a choice (Esc, or a click elsewhere).
  std::function<void()> dismiss = nullptr;
  // What else the surface shows, as screen lines (a file dialog's filter and name).
  std::vector<std::string> details = {};
};

class WindowManager {
 public:
  ATOM RegisterClass(const WNDCLASSA& wndClass, DWORD pid);
  bool UnregisterClass(const std::string& name, DWORD pid);
  // The class for `name` visible to `pid` (its own, or a system class).
  const WNDCLASSA* FindClass(const std::string& name, DWORD pid) const;

  HWND Add(SimWindow window);
  SimWindow* Find(HWND hwnd);
  void Remove(HWND hwnd);
  std::vector<HWND> WindowsOf(const SimThread* thread) const;
  std::vector<HWND> ChildrenOf(HWND parent) const;
  std::vector<HWND> WindowsOfProcess(DWORD pid) const;
  // Top-level windows (not WS_CHILD) in Z order, top first: top-most windows (WS_EX_TOPMOST)
  // above the others, each new window on top of its band, and a window brought forward
  // (activated, or placed at the top) above the rest of its band with the windows it owns
  // above it, as Windows keeps an owned window above its owner.
  std::vector<HWND> TopLevel() const { return zOrder_; }
  // Places a top-level window at the top of its band, its owned windows above it.
  void BringToTop(HWND hwnd);
  size_t Count() const { return windows_.size(); }

  void OpenSurface(Surface surface);
  void CloseSurface(HWND window);
  // The most recently opened surface still open, or null.
  Surface* TopSurface();
  const std::vector<Surface>& Surfaces() const { return surfaces_; }

  // The mouse and the foreground window, as far as programs can ask about them.
  POINT Cursor() const { return cursor_; }
  void SetCursor(POINT cursor) { cursor_ = cursor; }
  HWND Foreground() const { return foreground_; }
  // The foreground window is the one the user works in: it comes to the top.
  void SetForeground(HWND hwnd);
  // The keyboard focus (one for the whole PC: only one program has the user's attention).
  HWND Focus() const { return focus_; }
  void SetFocusWindow(HWND hwnd) { focus_ = hwnd; }
  // A top-level window becomes the active one: it and each window that owns it remember it
  // as their last active popup.
  void Activate(HWND hwnd);

 private:
  bool IsTopMost(HWND hwnd);
  bool Owns(HWND owner, HWND hwnd);
  void PlaceOnTopOfBand(HWND hwnd);

  struct ClassEntry {
    WNDCLASSA wndClass;
    std::string name;
    std::string menuName;
    DWORD pid;  // 0: a system class
  };
  std::list<ClassEntry> classes_;  // stable: each entry's WNDCLASSA points at its own name
  std::map<uintptr_t, std::unique_ptr<SimWindow>> windows_;
  std::vector<HWND> zOrder_;  // the top-level windows, top first
  uintptr_t nextHandle_ = 0x10010;
  ATOM nextAtom_ = 0xC000;
  std::vector<Surface> surfaces_;
  POINT cursor_{1000, 750};  // over the notification area of a 1024x768 screen
  HWND foreground_ = nullptr;
  HWND focus_ = nullptr;
};

}  // namespace winsim
