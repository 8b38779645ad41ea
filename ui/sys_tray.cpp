// The tray icon: installation and the shell notifications.
#include "ui/sys_tray.h"

#include <cstring>

#include "procs/bound_function.h"
#include "ui/tray_menu_wnd.h"

int CSysTray::s_nMaxTipLength = 64;

BEGIN_MESSAGE_MAP(CSysTray, CWnd)
ON_MESSAGE(WM_USER + 0x258, OnIconNotify)
END_MESSAGE_MAP()

namespace {
// The icon data Windows 95 and NT 4.0 know: no balloon or state fields.
constexpr DWORD kIconDataSize = NOTIFYICONDATAA_V1_SIZE;
}  // namespace

CSysTray::CSysTray() { ResetState(); }

CSysTray::~CSysTray() = default;

void CSysTray::ResetState() {
  std::memset(&m_iconData, 0, sizeof m_iconData);
  m_bTraySupported = FALSE;
  m_nDefaultItem = 0;
  m_bDefaultByPosition = TRUE;
  m_pMenuOwner = nullptr;
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  m_bNT5OrLater = GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                  info.dwMajorVersion >= 5;
}

BOOL CSysTray::InstallIcon(CWnd* pParent, UINT uCallbackMessage, LPCSTR pszTip, HICON hIcon,
                           UINT uID, BOOL bHidden, LPCSTR, LPCSTR, DWORD, UINT) {
  if (LOBYTE(GetVersion()) < 4) {
    m_bTraySupported = FALSE;
    return FALSE;
  }
  m_bTraySupported = TRUE;
  s_nMaxTipLength = 64;
  CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
  ShellNotify(NIM_ADD, pParent, uCallbackMessage, pszTip, hIcon, uID, bHidden);
  return TRUE;
}

BOOL CSysTray::ShellNotify(DWORD dwMessage, CWnd* pWnd, UINT uCallbackMessage, LPCSTR pszTip,
                           HICON hIcon, UINT uID, BOOL bHidden) {
  m_iconData.cbSize = kIconDataSize;
  m_iconData.hWnd = pWnd && pWnd->GetSafeHwnd() ? pWnd->GetSafeHwnd() : m_hWnd;
  m_iconData.uID = uID;
  m_iconData.hIcon = hIcon;
  m_iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  m_iconData.uCallbackMessage = uCallbackMessage;
  std::memset(m_iconData.szTip, 0, size_t(s_nMaxTipLength));
  if (pszTip != nullptr) std::strncpy(m_iconData.szTip, pszTip, size_t(s_nMaxTipLength - 1));
  if (bHidden && !m_bNT5OrLater) return TRUE;
  // Bound at run time: the shell of NT 3.51 has no notification area, and a program importing
  // the function would not start there at all, where Tavos is to start and end by itself.
  decltype(&Shell_NotifyIconA) notify = nullptr;
  BindFunction(GetModuleHandleA("SHELL32"), "Shell_NotifyIconA", &notify);
  return notify != nullptr && notify(dwMessage, &m_iconData);
}

BOOL CSysTray::SetDefaultMenuItem(UINT uItem, BOOL bByPosition) {
  if (m_nDefaultItem == uItem && m_bDefaultByPosition == bByPosition) return TRUE;
  m_nDefaultItem = uItem;
  m_bDefaultByPosition = bByPosition;
  CMenu menu;
  if (!menu.LoadMenu(m_iconData.uID)) return FALSE;
  CMenu* popup = menu.GetSubMenu(0);
  if (popup == nullptr) return FALSE;  // the loaded menu goes with `menu`
  popup->SetDefaultItem(uItem, bByPosition);
  return TRUE;
}

CWnd* CSysTray::GetMenuOwner() const { return m_pMenuOwner ? m_pMenuOwner : AfxGetMainWnd(); }

LRESULT CSysTray::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == m_iconData.uCallbackMessage) return OnIconNotify(wParam, lParam);
  return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CSysTray::OnIconNotify(WPARAM wParam, LPARAM lParam) {
  if (wParam != m_iconData.uID) return 0;
  CWnd* owner = GetMenuOwner();
  if (owner == nullptr) return 0;
  if (LOWORD(lParam) != WM_RBUTTONUP) return 1;  // left clicks and double clicks do nothing
  CMenu menu;
  if (!menu.LoadMenu(m_iconData.uID)) return 0;
  CMenu* popup = menu.GetSubMenu(0);
  if (popup == nullptr) return 0;
  CTrayMenuWnd preparation;
  preparation.PrepareMenu(popup);
  POINT cursor{};
  GetCursorPos(&cursor);
  ::SetForegroundWindow(owner->GetSafeHwnd());
  popup->TrackPopupMenu(0, cursor.x, cursor.y, owner);
  owner->PostMessage(WM_NULL, 0, 0);
  menu.DestroyMenu();
  return 1;
}
