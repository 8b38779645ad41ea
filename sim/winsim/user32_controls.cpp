// The standard controls a dialog template names (buttons, check boxes, edit boxes, statics),
// the functions programs use on child windows, focus and enabling, the system menu, string
// resources and the little painting a minimised window does.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/resources.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

using winsim::SimWindow;
using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorControlIdNotFound = 1421;
constexpr DWORD kErrorResourceNotFound = 1814;
// What a user can type into an edit box before the program raises the limit.
constexpr size_t kEditTextLimit = 32767;

SimWindow* Window(HWND hwnd) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hwnd);
  if (window == nullptr) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return window;
}

bool IsCheckBox(DWORD style) {
  DWORD type = style & BS_TYPEMASK;
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  SimWindow* self = WindowsPc::Current().Windows().Find(hwnd);
  if (self == nullptr) return 0;
  switch (message) {
    case BM_GETCHECK:
      return IsCheckBox(self->style) ? self->checkState : 0;
    case BM_SETCHECK:
      // Push buttons and group boxes have no check state to set.
      if (IsCheckBox(self->style)) self->checkState = int(wParam) == BST_CHECKED ? 1 : 0;
      return 0;
    case BM_GETIMAGE:
      return wParam == IMAGE_ICON ? LRESULT(self->image) : 0;
    case BM_SETIMAGE: {
      if (wParam != IMAGE_ICON) return 0;  // only icons are simulated
      HICON previous = self->image;
      self->image = reinterpret_cast<HICON>(lParam);
      return LRESULT(previous);
    }
    case BM_SETSTYLE:
      // Only the type changes: the dialog manager draws a push button as the default or not.
      self->style = (self->style & ~DWORD(BS_TYPEMASK)) | (DWORD(wParam) & BS_TYPEMASK);
      return 0;
    case BM_CLICK: {
      // A disabled button takes no click; an auto check box toggles before its parent hears.
      // The click takes the focus but leaves the default button as it was (as Windows'
      // button control: SetFocus alone, no BM_SETSTYLE).
      if (self->style & WS_DISABLED) return 0;
      if ((self->style & BS_TYPEMASK) == BS_GROUPBOX) return 0;
      if ((self->style & BS_TYPEMASK) == BS_AUTOCHECKBOX) self->checkState = !self->checkState;
      HWND parent = self->parent;
      int id = int(uintptr_t(self->menu));
      SetFocus(hwnd);
      SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(hwnd));
      return 0;
    }
    case WM_GETDLGCODE: {
      DWORD type = self->style & BS_TYPEMASK;
      if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (type == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      return DLGC_BUTTON;
    }
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_GETDLGCODE) return DLGC_WANTARROWS | DLGC_HASSETSEL;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

namespace winsim {

void RegisterControlClasses(WindowManager& windows) {
  const std::pair<const char*, WNDPROC> classes[] = {
      {"Button", ButtonProc}, {"Edit", EditProc}, {"Static", StaticProc}};
  for (const auto& [name, proc] : classes) {
    WNDCLASSA control{};
    control.lpfnWndProc = proc;
    control.lpszClassName = name;
    windows.RegisterClass(control, 0);
  }
}

bool UserTypes(HWND edit, const std::string& text) {
  SimWindow* window = WindowsPc::Current().Windows().Find(edit);
  if (window == nullptr || (window->style & WS_DISABLED)) return false;
  window->text = text.substr(0, kEditTextLimit);
  return true;
}

}  // namespace winsim

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
  WindowsPc& pc = WindowsPc::Current();
  if (Window(hDlg) == nullptr) return nullptr;
  for (HWND child : pc.Windows().ChildrenOf(hDlg)) {
    SimWindow* record = pc.Windows().Find(child);
    if ((record->style & WS_CHILD) && int(uintptr_t(record->menu)) == nIDDlgItem) return child;
  }
  SetLastError(kErrorControlIdNotFound);
  return nullptr;
}

int WINAPI GetDlgCtrlID(HWND hWnd) {
  SimWindow* window = Window(hWnd);
  if (window == nullptr || !(window->style & WS_CHILD)) return 0;
  return int(uintptr_t(window->menu));
}

HWND WINAPI GetParent(HWND hWnd) {
  SimWindow* window = Window(hWnd);
  return window ? window->parent : nullptr;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
  if (Window(hWnd) == nullptr) return FALSE;
  return BOOL(SendMessageA(hWnd, WM_SETTEXT, 0, LPARAM(lpString)));
}

int WINAPI GetWindowTextLengthA(HWND hWnd) {
  SimWindow* window = Window(hWnd);
  return window ? int(window->text.size()) : 0;
}

BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
  SimWindow* window = Window(hWnd);
  if (window == nullptr) return FALSE;
  BOOL wasDisabled = (window->style & WS_DISABLED) != 0;
  if (bEnable) {
    window->style &= ~DWORD(WS_DISABLED);
  } else {
    window->style |= WS_DISABLED;
    // A disabled window cannot keep the keyboard focus.
    if (WindowsPc::Current().Windows().Focus() == hWnd)
      WindowsPc::Current().Windows().SetFocusWindow(nullptr);
  }
  if (bool(wasDisabled) == !bEnable) return wasDisabled;
  SendMessageA(hWnd, WM_ENABLE, WPARAM(bEnable ? TRUE : FALSE), 0);
  return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND hWnd) {
  SimWindow* window = Window(hWnd);
  return window != nullptr && !(window->style & WS_DISABLED);
}

HWND WINAPI SetFocus(HWND hWnd) {
  WindowsPc& pc = WindowsPc::Current();
  HWND previous = pc.Windows().Focus();
  if (hWnd == nullptr) {
    pc.Windows().SetFocusWindow(nullptr);
    return previous;
  }
  SimWindow* window = Window(hWnd);
  // Only a window of the caller's own thread, and an enabled one, takes the focus.
  if (window == nullptr || window->thread != pc.CurrentThread() || (window->style & WS_DISABLED))
    return nullptr;
  pc.Windows().SetFocusWindow(hWnd);
  return previous;
}

HWND WINAPI GetFocus(void) {
  WindowsPc& pc = WindowsPc::Current();
  HWND focus = pc.Windows().Focus();
  SimWindow* window = pc.Windows().Find(focus);
  // Another thread's focus window is not the caller's to know.
  return window != nullptr && window->thread == pc.CurrentThread() ? focus : nullptr;
}

BOOL WINAPI IsIconic(HWND hWnd) {
  SimWindow* window = Window(hWnd);
  return window != nullptr && window->minimized;
}

int WINAPI LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax) {
  WindowsPc& pc = WindowsPc::Current();
  winsim::SimThread* thread = pc.CurrentThread();
  if (lpBuffer == nullptr || cchBufferMax <= 0) return 0;
  lpBuffer[0] = '\0';
  if (thread == nullptr || hInstance != winsim::SimProcess::ImageBase()) {
    SetLastError(kErrorResourceNotFound);
    return 0;
  }
  // Strings come in blocks of sixteen, each a length and that many UTF-16 units.
  const std::string* block =
      thread->process->resources.Find(winsim::kResourceString, WORD(uID / 16 + 1));
  if (block == nullptr) {
    SetLastError(kErrorResourceNotFound);
    return 0;
  }
  size_t at = 0;
  auto unit = [&](size_t i) {
    return uint16_t(uint8_t((*block)[i]) | uint8_t((*block)[i + 1]) << 8);
  };
  for (UINT index = 0; index <= uID % 16; ++index) {
    if (at + 2 > block->size()) return 0;
    size_t length = unit(at);
    at += 2;
    if (index < uID % 16) {
      at += 2 * length;
      continue;
    }
    if (at + 2 * length > block->size()) return 0;
    // The ANSI code page of an English system: Latin-1 passes, anything else shows as '?'.
    size_t copied = std::min(length, size_t(cchBufferMax - 1));
    for (size_t i = 0; i < copied; ++i) {
      uint16_t c = unit(at + 2 * i);
      lpBuffer[i] = c < 0x100 ? char(c) : '?';
    }
    lpBuffer[copied] = '\0';
    return int(copied);
  }
  return 0;
}

HMENU WINAPI GetSystemMenu(HWND hWnd, BOOL bRevert) {
  WindowsPc& pc = WindowsPc::Current();
  SimWindow* window = Window(hWnd);
  if (window == nullptr || !(window->style & WS_SYSMENU)) return nullptr;
  if (bRevert) {
    if (window->systemMenu != nullptr) pc.Menus().Destroy(window->systemMenu);
    window->systemMenu = nullptr;
    return nullptr;
  }
  if (window->systemMenu == nullptr) {
    // A dialog frame's system menu: it can be moved and closed, nothing more.
    winsim::MenuItem move{0xF010, 0, false, "&Move", nullptr};
    winsim::MenuItem separator{0, 0, true, "", nullptr};
    winsim::MenuItem close{SC_CLOSE, 0, false, "&Close\tAlt+F4", nullptr};
    window->systemMenu = pc.Menus().Create({move, separator, close});
  }
  return window->systemMenu;
}

BOOL WINAPI AppendMenuA(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCSTR lpNewItem) {
  std::vector<winsim::MenuItem>* items = WindowsPc::Current().Menus().Find(hMenu);
  if (items == nullptr) {
    SetLastError(1401);  // ERROR_INVALID_MENU_HANDLE
    return FALSE;
  }
  winsim::MenuItem item;
  item.separator = (uFlags & MF_SEPARATOR) != 0;
  item.state = uFlags & (MF_CHECKED | MF_GRAYED);
  if (uFlags & MF_POPUP)
    item.submenu = reinterpret_cast<HMENU>(uIDNewItem);
  else
    item.id = UINT(uIDNewItem);
  if (!item.separator) {
    if (lpNewItem == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    item.text = lpNewItem;
  }
  items->push_back(item);
  return TRUE;
}

HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
  if (Window(hWnd) == nullptr || lpPaint == nullptr) return nullptr;
  std::memset(lpPaint, 0, sizeof *lpPaint);
  // The device context names its window: nothing is drawn, but calls on it can be checked.
  lpPaint->hdc = reinterpret_cast<HDC>(hWnd);
  GetClientRect(hWnd, &lpPaint->rcPaint);
  return lpPaint->hdc;
}

BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
  return Window(hWnd) != nullptr && lpPaint != nullptr;
}

BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
  SimWindow* window = Window(hWnd);
  if (window == nullptr || lpRect == nullptr) return FALSE;
  // A minimised window is an icon; otherwise the simulated screen gives no sizes.
  *lpRect = RECT{0, 0, window->minimized ? 36 : 0, window->minimized ? 36 : 0};
  return TRUE;
}

int WINAPI GetSystemMetrics(int nIndex) {
  if (nIndex == SM_CXICON || nIndex == SM_CYICON) return 32;
  WindowsPc::Current().Stub("GetSystemMetrics index " + std::to_string(nIndex));
  return 0;
}

BOOL WINAPI DrawIcon(HDC hDC, int X, int Y, HICON hIcon) {
  WindowsPc& pc = WindowsPc::Current();
  if (pc.Windows().Find(reinterpret_cast<HWND>(hDC)) == nullptr || hIcon == nullptr) return FALSE;
  pc.Events().Add("draw icon=" + std::to_string(winsim::IconResourceId(hIcon)) + " at " +
                  std::to_string(X) + "," + std::to_string(Y));
  return TRUE;
}
