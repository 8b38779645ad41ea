// Menus over the Win32 menu functions.
#include "afx/menu.h"

#include "afx/win_app.h"
#include "afx/wnd.h"
#include "procs/bound_function.h"

CMenu::~CMenu() {
  if (owned_) DestroyMenu();
}

BOOL CMenu::LoadMenu(UINT nIDResource) {
  DestroyMenu();
  m_hMenu = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
  owned_ = m_hMenu != nullptr;
  return owned_;
}

BOOL CMenu::DestroyMenu() {
  subMenus_.clear();
  if (m_hMenu == nullptr) return FALSE;
  BOOL destroyed = owned_ ? ::DestroyMenu(m_hMenu) : FALSE;
  m_hMenu = nullptr;
  owned_ = false;
  return destroyed;
}

CMenu* CMenu::GetSubMenu(int nPos) {
  HMENU popup = ::GetSubMenu(m_hMenu, nPos);
  if (popup == nullptr) return nullptr;
  subMenus_.push_back(std::make_unique<CMenu>());
  subMenus_.back()->m_hMenu = popup;
  return subMenus_.back().get();
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem) {
  return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

BOOL CMenu::RemoveMenu(UINT nPosition, UINT nFlags) {
  return ::RemoveMenu(m_hMenu, nPosition, nFlags);
}

BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem) {
  return ::ModifyMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck) {
  return UINT(::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck));
}

// Bound at run time: NT 3.51 has no default menu items, and a program importing the function
// would not start there at all.
BOOL CMenu::SetDefaultItem(UINT uItem, BOOL fByPos) {
  decltype(&::SetMenuDefaultItem) setDefault = nullptr;
  BindFunction(GetModuleHandleA("USER32"), "SetMenuDefaultItem", &setDefault);
  return setDefault != nullptr && setDefault(m_hMenu, uItem, fByPos);
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, const RECT* lpRect) {
  return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd ? pWnd->GetSafeHwnd() : nullptr, lpRect);
}
