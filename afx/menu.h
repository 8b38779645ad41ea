// CMenu: a menu handle with the operations the tray popup needs. A menu the object loaded
// is destroyed with it; submenus handed out by GetSubMenu belong to their parent.
#pragma once

#include <memory>
#include <vector>

#include "platform/win32.h"

class CWnd;

class CMenu {
 public:
  CMenu() = default;
  ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;

  HMENU m_hMenu = nullptr;

  BOOL LoadMenu(UINT nIDResource);
  BOOL DestroyMenu();
  // The popup at `nPos`, or null; valid while this menu lives.
  CMenu* GetSubMenu(int nPos);
  BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, LPCSTR lpszNewItem = nullptr);
  BOOL RemoveMenu(UINT nPosition, UINT nFlags);
  BOOL ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCSTR lpszNewItem);
  UINT CheckMenuItem(UINT nIDCheckItem, UINT nCheck);
  BOOL SetDefaultItem(UINT uItem, BOOL fByPos);
  BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, const RECT* lpRect = nullptr);

 private:
  bool owned_ = false;
  std::vector<std::unique_ptr<CMenu>> subMenus_;
};
