// CWnd: attaching objects to windows and dispatching messages through message maps.
#include "afx/wnd.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

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
  if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) {
    // The object goes first: the window's last messages must not reach it.
    HWND hwnd = Detach();
    ::DestroyWindow(hwnd);
  }
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

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
  UINT id = LOWORD(wParam);
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
    case AfxSig_end:
      return FALSE;
  }
  return TRUE;
}

int CWnd::OnCreate(LPCREATESTRUCTA) { return int(Default()); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnDestroy() { Default(); }

void CWnd::OnNcDestroy() {
  // The main window going away ends the program's message loop.
  CWinApp* app = AfxGetApp();
  if (app != nullptr && app->m_pMainWnd == this) {
    ::PostQuitMessage(0);
    app->m_pMainWnd = nullptr;
  }
  Default();
  Detach();
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
