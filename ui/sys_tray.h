// CSysTray: the program's icon in the notification area, owned by a hidden popup window
// that receives the shell's notifications.
#pragma once

#include "afx/afxwin.h"

class CSysTray : public CWnd {
 public:
  CSysTray();
  ~CSysTray() override;

  void ResetState();
  // Creates the hidden window and adds the icon. FALSE where the system has no taskbar
  // notification area (major version below 4). The balloon arguments are accepted, unused.
  BOOL InstallIcon(CWnd* pParent, UINT uCallbackMessage, LPCSTR pszTip, HICON hIcon, UINT uID,
                   BOOL bHidden, LPCSTR pszBalloon, LPCSTR pszBalloonTitle, DWORD dwBalloonIcon,
                   UINT uBalloonTimeout);
  BOOL ShellNotify(DWORD dwMessage, CWnd* pWnd, UINT uCallbackMessage, LPCSTR pszTip, HICON hIcon,
                   UINT uID, BOOL bHidden);
  // Records the default item and applies it to a copy of the menu it loads and destroys
  // at once; the popup shown later is loaded afresh and marks no default item.
  BOOL SetDefaultMenuItem(UINT uItem, BOOL bByPosition);
  // The window that owns the popup and gets its commands: the main window unless set.
  CWnd* GetMenuOwner() const;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The shell's notification: a right-button release shows the popup.
  virtual LRESULT OnIconNotify(WPARAM wParam, LPARAM lParam);

  NOTIFYICONDATAA m_iconData;
  BOOL m_bTraySupported;
  UINT m_nDefaultItem;
  BOOL m_bDefaultByPosition;
  BOOL m_bNT5OrLater;
  CWnd* m_pMenuOwner;
  static int s_nMaxTipLength;

 protected:
  DECLARE_MESSAGE_MAP()
};
