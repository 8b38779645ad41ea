// Window classes, creation, destruction and the default window procedure.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/notification_area.h"
#include "sim/winsim/screen_text.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/window_showing.h"
#include "sim/winsim/windows_functions.h"
#include "sim/winsim/windows_pc.h"

using winsim::SimWindow;
using winsim::WindowsPc;

namespace {

constexpr DWORD kErrorCannotFindClass = 1407;
constexpr DWORD kErrorClassAlreadyExists = 1410;

std::string ClassName(LPCSTR name) {
  return IS_INTRESOURCE(name) ? "#" + std::to_string(uintptr_t(name)) : std::string(name);
}

// Only the thread that owns a window may destroy it or set its timers.
SimWindow* OwnWindow(HWND hwnd) {
  WindowsPc& pc = WindowsPc::Current();
  SimWindow* window = pc.Windows().Find(hwnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (window->thread != pc.CurrentThread()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return window;
}

// Windows destroys a tree in two passes: WM_DESTROY to every window, parent before children;
// then each window is freed, children before parent, with WM_NCDESTROY (as Wine's
// WIN_SendDestroyMsg and WIN_DestroyWindow do). Children of other threads are left alone.
// The child windows (WS_CHILD) of `parent` that the calling thread owns.
std::vector<HWND> OwnChildren(HWND parent) {
  WindowsPc& pc = WindowsPc::Current();
  std::vector<HWND> children;
  for (HWND child : pc.Windows().ChildrenOf(parent)) {
    SimWindow* record = pc.Windows().Find(child);
    if (record != nullptr && (record->style & WS_CHILD) && record->thread == pc.CurrentThread())
      children.push_back(child);
  }
  return children;
}

// Windows destroys the popups a top-level window owns, each wholly, before the owner hears
// WM_DESTROY; a popup of another thread only loses its owner.
void DestroyOwnedPopups(HWND owner) {
  WindowsPc& pc = WindowsPc::Current();
  for (HWND owned : pc.Windows().ChildrenOf(owner)) {
    SimWindow* record = pc.Windows().Find(owned);
    if (record == nullptr || (record->style & WS_CHILD)) continue;
    if (record->thread == pc.CurrentThread())
      DestroyWindow(owned);
    else
      record->parent = nullptr;
  }
}

// WM_DESTROY goes to a window before its children, which still exist meanwhile.
void SendDestroyMessages(HWND hwnd) {
  WindowsPc& pc = WindowsPc::Current();
  SimWindow* window = pc.Windows().Find(hwnd);
  if (window == nullptr) return;
  window->destroying = true;
  SendMessageA(hwnd, WM_DESTROY, 0, 0);
  for (HWND child : OwnChildren(hwnd)) SendDestroyMessages(child);
}

// WM_NCDESTROY goes to the children first; then the window's resources go with it.
void FreeWindow(HWND hwnd) {
  WindowsPc& pc = WindowsPc::Current();
  for (HWND child : OwnChildren(hwnd)) FreeWindow(child);
  SimWindow* window = pc.Windows().Find(hwnd);
  if (window == nullptr) return;
  window->destroying = true;
  winsim::ReportHidden(pc, *window);
  SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
  if (winsim::SimThread* thread = pc.CurrentThread()) {
    auto& timers = thread->timers;
    for (size_t i = timers.size(); i-- > 0;)
      if (timers[i].hwnd == hwnd) timers.erase(timers.begin() + i);
  }
  // A top-level window's menu goes with it.
  if (window->menu != nullptr && !(window->style & WS_CHILD)) pc.Menus().Destroy(window->menu);
  if (window->systemMenu != nullptr) pc.Menus().Destroy(window->systemMenu);
  pc.Tray().RemoveIconsOf(hwnd);
  pc.Windows().CloseSurface(hwnd);
  pc.Windows().Remove(hwnd);
}

}  // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
  WindowsPc& pc = WindowsPc::Current();
  if (lpWndClass == nullptr || lpWndClass->lpszClassName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  ATOM atom = pc.Windows().RegisterClass(*lpWndClass, pc.CurrentPid());
  if (atom == 0) SetLastError(kErrorClassAlreadyExists);
  return atom;
}

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* lpWndClass) {
  if (lpWndClass == nullptr || lpWndClass->cbSize != sizeof(WNDCLASSEXA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSA plain{lpWndClass->style,        lpWndClass->lpfnWndProc,   lpWndClass->cbClsExtra,
                  lpWndClass->cbWndExtra,   lpWndClass->hInstance,     lpWndClass->hIcon,
                  lpWndClass->hCursor,      lpWndClass->hbrBackground, lpWndClass->lpszMenuName,
                  lpWndClass->lpszClassName};
  return RegisterClassA(&plain);
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
  WindowsPc& pc = WindowsPc::Current();
  if (lpClassName == nullptr ||
      !pc.Windows().UnregisterClass(ClassName(lpClassName), pc.CurrentPid())) {
    SetLastError(kErrorCannotFindClass);
    return FALSE;
  }
  return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                            int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                            HINSTANCE hInstance, LPVOID lpParam) {
  WindowsPc& pc = WindowsPc::Current();
  if (lpClassName == nullptr) {
    SetLastError(kErrorCannotFindClass);
    return nullptr;
  }
  const WNDCLASSA* wndClass = pc.Windows().FindClass(ClassName(lpClassName), pc.CurrentPid());
  if (wndClass == nullptr) {
    SetLastError(kErrorCannotFindClass);
    return nullptr;
  }
  if (hWndParent != nullptr && pc.Windows().Find(hWndParent) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  SimWindow record{};
  record.className = wndClass->lpszClassName;
  record.proc = wndClass->lpfnWndProc;
  record.thread = pc.CurrentThread();
  record.pid = pc.CurrentPid();
  record.style = dwStyle;
  record.exStyle = dwExStyle;
  record.text = lpWindowName ? lpWindowName : "";
  record.parent = hWndParent;
  record.menu = hMenu;
  record.visible = (dwStyle & WS_VISIBLE) != 0;
  // CW_USEDEFAULT leaves the placement to Windows; the simulated screen gives it none.
  record.x = X == CW_USEDEFAULT ? 0 : X;
  record.y = Y == CW_USEDEFAULT ? 0 : Y;
  record.width = nWidth == CW_USEDEFAULT || nWidth < 0 ? 0 : nWidth;
  record.height = nHeight == CW_USEDEFAULT || nHeight < 0 ? 0 : nHeight;
  HWND hwnd = pc.Windows().Add(record);

  CREATESTRUCTA create{lpParam, hInstance, hMenu,         hWndParent,   nHeight,     nWidth,
                       Y,       X,         LONG(dwStyle), lpWindowName, lpClassName, dwExStyle};
  // A failed creation frees the window without WM_DESTROY.
  if (!SendMessageA(hwnd, WM_NCCREATE, 0, LPARAM(&create)) ||
      SendMessageA(hwnd, WM_CREATE, 0, LPARAM(&create)) == -1) {
    FreeWindow(hwnd);
    return nullptr;
  }
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
  WindowsPc& pc = WindowsPc::Current();
  SimWindow* window = OwnWindow(hWnd);
  if (window == nullptr) return FALSE;
  if (window->destroying) return TRUE;
  window->destroying = true;
  if (!(window->style & WS_CHILD)) DestroyOwnedPopups(hWnd);
  if (pc.Windows().Find(hWnd) == nullptr) return TRUE;  // an owned popup destroyed its owner
  SendDestroyMessages(hWnd);
  if (pc.Windows().Find(hWnd) != nullptr) FreeWindow(hWnd);
  return TRUE;
}

BOOL WINAPI EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
  WindowsPc& pc = WindowsPc::Current();
  if (lpEnumFunc == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // The list is taken first; a window destroyed meanwhile is passed over.
  for (HWND hwnd : pc.Windows().TopLevel()) {
    if (pc.Windows().Find(hwnd) == nullptr) continue;
    if (!lpEnumFunc(hwnd, lParam)) return FALSE;
  }
  return TRUE;
}

// The class name cut to the buffer and terminated; the characters copied.
int WINAPI GetClassNameA(HWND hWnd, LPSTR lpClassName, int nMaxCount) {
  const SimWindow* window = WindowsPc::Current().Windows().Find(hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (lpClassName == nullptr || nMaxCount <= 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const size_t length = std::min(window->className.size(), size_t(nMaxCount - 1));
  std::memcpy(lpClassName, window->className.data(), length);
  lpClassName[length] = '\0';
  return int(length);
}

HWND WINAPI FindWindowA(LPCSTR lpClassName, LPCSTR lpWindowName) {
  WindowsPc& pc = WindowsPc::Current();
  for (HWND hwnd : pc.Windows().TopLevel()) {
    const SimWindow* window = pc.Windows().Find(hwnd);
    // Class and title compare without regard to case, as Windows compares them.
    if (lpClassName != nullptr && strcasecmp(window->className.c_str(), lpClassName) != 0) continue;
    if (lpWindowName != nullptr && strcasecmp(window->text.c_str(), lpWindowName) != 0) continue;
    return hwnd;
  }
  return nullptr;
}

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (lpdwProcessId != nullptr) *lpdwProcessId = window->pid;
  // A program without code still has a thread on Windows: its id follows the process's.
  return window->thread != nullptr ? window->thread->tid : window->pid + 4;
}

int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hWnd);
  if (lpString == nullptr || nMaxCount <= 0) return 0;
  if (window == nullptr) {
    lpString[0] = '\0';
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  size_t length = std::min(window->text.size(), size_t(nMaxCount - 1));
  std::memcpy(lpString, window->text.data(), length);
  lpString[length] = '\0';
  return int(length);
}

BOOL WINAPI IsWindow(HWND hWnd) { return WindowsPc::Current().Windows().Find(hWnd) != nullptr; }

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hWnd);
  if (window == nullptr) return FALSE;
  BOOL wasVisible = window->visible;
  winsim::SetShown(*window, nCmdShow != SW_HIDE);
  // SW_MINIMIZE, SW_SHOWMINIMIZED, SW_SHOWMINNOACTIVE; SW_RESTORE and SW_SHOWNORMAL restore.
  if (nCmdShow == 6 || nCmdShow == 2 || nCmdShow == 7) window->minimized = true;
  if (nCmdShow == 9 || nCmdShow == SW_SHOWNORMAL) window->minimized = false;
  // Every command that shows activates, but SW_SHOWNOACTIVATE, SW_SHOWNA, SW_SHOWMINNOACTIVE
  // and the minimising ones.
  const bool activates = nCmdShow == SW_SHOWNORMAL || nCmdShow == 3 || nCmdShow == SW_SHOW ||
                         nCmdShow == 9 || nCmdShow == 10;
  if (activates) winsim::ActivateShownWindow(*window);
  return wasVisible;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hWnd);
  switch (Msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_PAINT: {
      // Painting nothing still validates the window, or WM_PAINT would come forever.
      PAINTSTRUCT paint;
      BeginPaint(hWnd, &paint);
      EndPaint(hWnd, &paint);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hWnd);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hWnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_SETTEXT:
      if (window == nullptr) return FALSE;
      window->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      return TRUE;
    case WM_GETTEXTLENGTH:
      return window ? LRESULT(window->text.size()) : 0;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<LPSTR>(lParam);
      if (window == nullptr || buffer == nullptr || wParam == 0) return 0;
      size_t length = std::min(window->text.size(), size_t(wParam - 1));
      std::memcpy(buffer, window->text.data(), length);
      buffer[length] = '\0';
      return LRESULT(length);
    }
    case WM_SETICON: {
      if (window == nullptr) return 0;
      HICON& slot = wParam == ICON_BIG ? window->bigIcon : window->smallIcon;
      HICON previous = slot;
      slot = reinterpret_cast<HICON>(lParam);
      return LRESULT(previous);
    }
    case WM_GETICON:
      if (window == nullptr) return 0;
      return LRESULT(wParam == ICON_BIG ? window->bigIcon : window->smallIcon);
    default:
      return 0;
  }
}

LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                               LPARAM lParam) {
  return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (nIndex == GWLP_USERDATA) return window->userData;
  if (nIndex == GWLP_WNDPROC) return LONG_PTR(window->proc);
  if (nIndex == GWL_EXSTYLE) return LONG_PTR(window->exStyle);
  WindowsPc::Current().Stub("GetWindowLongPtrA index " + std::to_string(nIndex));
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR previous = GetWindowLongPtrA(hWnd, nIndex);
  if (nIndex == GWLP_USERDATA) window->userData = dwNewLong;
  if (nIndex == GWLP_WNDPROC) window->proc = reinterpret_cast<WNDPROC>(dwNewLong);
  if (nIndex == GWL_EXSTYLE) {
    // Versions without layered windows (before 2000) do not keep WS_EX_LAYERED.
    DWORD style = DWORD(dwNewLong);
    const winsim::WindowsFunction* layered =
        winsim::FindListedFunction("USER32", "SetLayeredWindowAttributes");
    if (layered == nullptr || !winsim::ProfileHas(WindowsPc::Current().Profile(), *layered))
      style &= ~DWORD(WS_EX_LAYERED);
    if (!(style & WS_EX_LAYERED)) window->layeredSet = false;
    window->exStyle = style;
  }
  return previous;
}

// The owner itself when none of its popups was active since, or that popup is gone.
HWND WINAPI GetLastActivePopup(HWND hWnd) {
  WindowsPc& pc = WindowsPc::Current();
  SimWindow* window = pc.Windows().Find(hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND last = window->lastActivePopup;
  return last != nullptr && pc.Windows().Find(last) != nullptr ? last : hWnd;
}
