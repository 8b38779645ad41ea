// CWnd: attaching objects to windows and dispatching messages through message maps.
#include "afx/wnd.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "afx/menu.h"
#include "afx/win_app.h"

namespace {

// Process-wide framework state.
// A few windows at most: a list searched in order, which keeps the C++ library's prebuilt
// tree code out of the Windows image.
PROCESS_WIDE std::vector<std::pair<HWND, CWnd*>> t_handleMap;
PROCESS_WIDE CWnd* t_wndInit = nullptr;  // the object whose window is being created
struct CurrentMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
PROCESS_WIDE CurrentMessage t_lastMessage;
// Message handlers of this thread running now, and the windows gone meanwhile whose
// PostNcDestroy waits for all of them to return.
PROCESS_WIDE int t_dispatchDepth = 0;
PROCESS_WIDE std::vector<CWnd*> t_pendingPostNcDestroy;

std::vector<CWnd*>& PendingPostNcDestroy() { return t_pendingPostNcDestroy; }

// One message being handled; the last one to end, also by its stack unwinding, runs the
// waiting PostNcDestroy calls.
class DispatchScope {
 public:
  DispatchScope() { ++t_dispatchDepth; }
  ~DispatchScope() {
    if (--t_dispatchDepth != 0) return;
    std::vector<CWnd*>& pending = PendingPostNcDestroy();
    while (!pending.empty()) {
      CWnd* wnd = pending.front();
      pending.erase(pending.begin());
      wnd->PostNcDestroy();
    }
  }
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;
};

std::vector<std::pair<HWND, CWnd*>>::iterator FindHandle(HWND hwnd) {
  auto entry = t_handleMap.begin();
  while (entry != t_handleMap.end() && entry->first != hwnd) ++entry;
  return entry;
}

}  // namespace

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
ON_WM_NCDESTROY()
END_MESSAGE_MAP()

CWnd::CWnd() : m_hWnd(nullptr) {}

CWnd::~CWnd() {
  std::vector<CWnd*>& pending = PendingPostNcDestroy();
  pending.erase(std::remove(pending.begin(), pending.end(), this), pending.end());
  if (m_hWnd == nullptr) return;
  // The object goes first: the window's last messages must not reach it.
  WNDPROC super = m_pfnSuper;
  HWND hwnd = Detach();
  if (!::IsWindow(hwnd)) return;
  if (super != nullptr) ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
  ::DestroyWindow(hwnd);
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  auto found = FindHandle(hWnd);
  return found == t_handleMap.end() ? nullptr : found->second;
}

void CWnd::Attach(HWND hWnd) {
  m_hWnd = hWnd;
  auto found = FindHandle(hWnd);
  if (found != t_handleMap.end())
    found->second = this;
  else
    t_handleMap.emplace_back(hWnd, this);
}

HWND CWnd::Detach() {
  HWND hwnd = m_hWnd;
  if (hwnd != nullptr) {
    auto found = FindHandle(hwnd);
    if (found != t_handleMap.end()) t_handleMap.erase(found);
  }
  m_hWnd = nullptr;
  m_pfnSuper = nullptr;
  return hwnd;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam) {
  CWnd* outer = t_wndInit;
  t_wndInit = this;
  HWND hwnd = ::CreateWindowExA(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, nWidth,
                                nHeight, hWndParent, nIDorHMenu, AfxGetInstanceHandle(), lpParam);
  // When no message ever reached the object, no WM_NCDESTROY will clean it up either.
  bool neverAttached = t_wndInit == this;
  t_wndInit = outer;
  if (hwnd == nullptr && neverAttached) PostNcDestroy();
  return hwnd != nullptr;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (m_hWnd != nullptr || hWnd == nullptr || FromHandlePermanent(hWnd) != nullptr) return FALSE;
  LONG_PTR previous =
      ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc));
  if (previous == 0) return FALSE;
  m_pfnSuper = reinterpret_cast<WNDPROC>(previous);
  Attach(hWnd);
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
  HWND control = ::GetDlgItem(pParent->GetSafeHwnd(), int(nID));
  return control != nullptr && SubclassWindow(control);
}

void CWnd::SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }

BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }

BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
  return reinterpret_cast<HICON>(::SendMessageA(
      m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) {
  HMENU menu = ::GetSystemMenu(m_hWnd, bRevert);
  if (menu == nullptr) return nullptr;
  if (!m_pSystemMenu) m_pSystemMenu = std::make_unique<CMenu>();
  // The menu belongs to the window; this object only names it.
  m_pSystemMenu->m_hMenu = menu;
  return m_pSystemMenu.get();
}

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
  return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) { return ::KillTimer(m_hWnd, nIDEvent); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
  if (lpszCaption == nullptr) lpszCaption = AfxGetApp() ? AfxGetApp()->m_pszAppName : "";
  return ::MessageBoxA(m_hWnd, lpszText, lpszCaption, nType);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper != nullptr) return ::CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
  return DefWindowProc(t_lastMessage.message, t_lastMessage.wParam, t_lastMessage.lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  UINT id = LOWORD(wParam);
  // From a control only a click is a command; its other notifications are not.
  if (lParam != 0 && HIWORD(wParam) != BN_CLICKED) return FALSE;
  if (OnCmdMsg(id)) return TRUE;
  CWinApp* app = AfxGetApp();
  return app != nullptr && app->OnCmdMsg(id);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) return FALSE;
    *result = 0;
    return TRUE;
  }
  const AFX_MSGMAP_ENTRY* entry = FindEntry(message, 0);
  if (entry == nullptr) return FALSE;
  // Each entry's handler goes back to the type it had before it entered the map.
  switch (entry->nSig) {
    case AfxSig_v_v:
      (this->*entry->pfn)();
      *result = 0;
      break;
    case AfxSig_i_create:
      *result = (this->*reinterpret_cast<int (CWnd::*)(LPCREATESTRUCTA)>(entry->pfn))(
          reinterpret_cast<LPCREATESTRUCTA>(lParam));
      break;
    case AfxSig_v_timer:
      (this->*reinterpret_cast<void (CWnd::*)(UINT_PTR)>(entry->pfn))(wParam);
      *result = 0;
      break;
    case AfxSig_l_wl:
      *result =
          (this->*reinterpret_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(entry->pfn))(wParam, lParam);
      break;
    case AfxSig_hcur_v:
      *result =
          reinterpret_cast<LRESULT>((this->*reinterpret_cast<HCURSOR (CWnd::*)()>(entry->pfn))());
      break;
    case AfxSig_end:
      return FALSE;
  }
  return TRUE;
}

int CWnd::OnCreate(LPCREATESTRUCTA) { return int(Default()); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnPaint() { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }

BOOL CWnd::RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  CurrentMessage outer = t_lastMessage;
  t_lastMessage = {m_hWnd, message, wParam, lParam};
  BOOL handled = OnWndMsg(message, wParam, lParam, result);
  t_lastMessage = outer;
  return handled;
}

void CWnd::OnNcDestroy() {
  // The main window going away ends the program's message loop.
  CWinApp* app = AfxGetApp();
  if (app != nullptr && app->m_pMainWnd == this) {
    ::PostQuitMessage(0);
    app->m_pMainWnd = nullptr;
  }
  Default();
  WNDPROC super = m_pfnSuper;
  HWND hwnd = Detach();
  // A subclassed control gets its own procedure back for whatever comes after.
  if (super != nullptr) ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(super));
  PendingPostNcDestroy().push_back(this);  // run when the last handler returns
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
  if (wnd == nullptr && t_wndInit != nullptr && t_wndInit->m_hWnd == nullptr) {
    wnd = t_wndInit;
    t_wndInit = nullptr;
    wnd->Attach(hWnd);
  }
  if (wnd == nullptr) return ::DefWindowProcA(hWnd, message, wParam, lParam);
  CurrentMessage outer = t_lastMessage;
  t_lastMessage = {hWnd, message, wParam, lParam};
  LRESULT result;
  {
    DispatchScope dispatch;
    result = wnd->WindowProc(message, wParam, lParam);
  }
  t_lastMessage = outer;
  return result;
}

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
  static PROCESS_WIDE char name[64];
  std::snprintf(name, sizeof name, "Afx:%x:%p:%p:%p", nClassStyle, static_cast<void*>(hCursor),
                static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
  WNDCLASSA wndClass{};
  wndClass.style = nClassStyle;
  wndClass.lpfnWndProc = AfxWndProc;
  wndClass.hInstance = AfxGetInstanceHandle();
  wndClass.hIcon = hIcon;
  wndClass.hCursor = hCursor;
  wndClass.hbrBackground = hbrBackground;
  wndClass.lpszClassName = name;
  ::RegisterClassA(&wndClass);  // fails harmlessly when the class exists already
  return name;
}
