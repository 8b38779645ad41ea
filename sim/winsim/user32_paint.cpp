// Placing windows without activating them, invalidating and painting, and the layered
// windows of Windows 2000 and later.
#include "platform/win32.h"
#include "sim/winsim/screen_text.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/window_showing.h"
#include "sim/winsim/windows_pc.h"

using winsim::SimWindow;
using winsim::WindowsPc;

namespace winsim {

void ActivateShownWindow(SimWindow& window) {
  if (window.style & WS_CHILD) return;
  WindowsPc::Current().Windows().Activate(window.handle);
  WindowsPc::Current().Windows().SetForeground(window.handle);
  WindowsPc::Current().Windows().SetFocusWindow(window.handle);
}

void SetShown(SimWindow& window, bool shown) {
  WindowsPc& pc = WindowsPc::Current();
  if (shown && !window.visible) window.needsPaint = true;
  if (!shown && window.visible) {
    ReportHidden(pc, window);
    if (pc.Windows().Foreground() == window.handle) pc.Windows().SetForeground(nullptr);
    if (pc.Windows().Focus() == window.handle) pc.Windows().SetFocusWindow(nullptr);
  }
  window.visible = shown;
}

}  // namespace winsim

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy,
                         UINT uFlags) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!(uFlags & SWP_NOZORDER)) {
    if (hWndInsertAfter == HWND_TOPMOST) window->exStyle |= WS_EX_TOPMOST;
    if (hWndInsertAfter == HWND_NOTOPMOST) window->exStyle &= ~DWORD(WS_EX_TOPMOST);
    // Other places after a given window are not modelled: only these come to the top.
    if (hWndInsertAfter == HWND_TOP || hWndInsertAfter == HWND_TOPMOST ||
        hWndInsertAfter == HWND_NOTOPMOST)
      WindowsPc::Current().Windows().BringToTop(hWnd);
  }
  if (!(uFlags & SWP_NOMOVE)) {
    window->x = X;
    window->y = Y;
  }
  if (!(uFlags & SWP_NOSIZE)) {
    window->width = cx < 0 ? 0 : cx;
    window->height = cy < 0 ? 0 : cy;
  }
  if (uFlags & SWP_SHOWWINDOW) winsim::SetShown(*window, true);
  if (uFlags & SWP_HIDEWINDOW) winsim::SetShown(*window, false);
  if (!(uFlags & SWP_NOACTIVATE) && window->visible) winsim::ActivateShownWindow(*window);
  return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT*, BOOL) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hWnd);
  if (window == nullptr) {
    // A null window would invalidate every window of the desktop.
    if (hWnd == nullptr) WindowsPc::Current().Stub("InvalidateRect of the whole desktop");
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  window->needsPaint = true;
  return TRUE;
}

// WM_PAINT at once, when the window is visible and invalid; nothing otherwise.
BOOL WINAPI UpdateWindow(HWND hWnd) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (window->visible && window->needsPaint) SendMessageA(hWnd, WM_PAINT, 0, 0);
  return TRUE;
}

// Only for a window with WS_EX_LAYERED; programs reach it through GetProcAddress, which
// finds it on Windows 2000 and later only.
BOOL WINAPI SetLayeredWindowAttributes(HWND hwnd, COLORREF, BYTE bAlpha, DWORD dwFlags) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hwnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (!(window->exStyle & WS_EX_LAYERED) || !(dwFlags & LWA_ALPHA)) {
    if (!(dwFlags & LWA_ALPHA) && (window->exStyle & WS_EX_LAYERED))
      WindowsPc::Current().Stub("SetLayeredWindowAttributes without LWA_ALPHA");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  window->layeredSet = true;
  window->alpha = bAlpha;
  window->needsPaint = true;
  return TRUE;
}
