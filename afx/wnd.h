// CWnd: a C++ object attached to a window. Its window procedure sends each message through
// the object's message maps; what no map handles goes to the default window procedure.
//
// Ownership: the object owns its window (the destructor destroys a window still attached).
// Objects are per process: the handle map is one per thread of the program.
#pragma once

#include <memory>

#include "afx/afx_string.h"
#include "afx/cmd_target.h"
#include "platform/win32.h"

class CMenu;

class CWnd : public CCmdTarget {
 public:
  CWnd();
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd;

  BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x,
                int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                LPVOID lpParam = nullptr);
  virtual BOOL DestroyWindow();
  HWND GetSafeHwnd() const { return m_hWnd; }
  static CWnd* FromHandlePermanent(HWND hWnd);

  // Attaches an existing window to this object; its messages then pass through this
  // object's maps before the window's own procedure (the control's class) sees them.
  BOOL SubclassWindow(HWND hWnd);
  // Attaches the control `nID` of `pParent`.
  BOOL SubclassDlgItem(UINT nID, CWnd* pParent);

  void SetWindowText(LPCSTR lpszString);
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;
  BOOL IsIconic() const;
  void GetClientRect(LPRECT lpRect) const;
  HICON SetIcon(HICON hIcon, BOOL bBigIcon);
  // The window's system menu, valid while this object lives; null when it has none.
  CMenu* GetSystemMenu(BOOL bRevert);

  UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer);
  BOOL KillTimer(UINT_PTR nIDEvent);
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK);

  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Commands go to this window's maps, then to the application's.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // Called after the window is gone, once the thread has returned from every message
  // handler it was in: a window destroyed from inside a handler (EXIT chosen in a modal loop
  // a timer tick opened) keeps its object, and the objects it owns, until that handler has
  // returned, so no handler runs on a deleted object; it sees m_hWnd null instead. Frames
  // delete themselves here.
  virtual void PostNcDestroy() {}

 protected:
  // The default handling of the message being handled now.
  LRESULT Default();

  afx_msg int OnCreate(LPCREATESTRUCTA lpCreateStruct);
  afx_msg void OnTimer(UINT_PTR nIDEvent);
  afx_msg void OnClose();
  afx_msg void OnDestroy();
  afx_msg void OnNcDestroy();
  afx_msg void OnPaint();
  afx_msg HCURSOR OnQueryDragIcon();

  // Runs `message` through this object's maps as the message being handled now; false when
  // no map has a handler.
  BOOL RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);

  DECLARE_MESSAGE_MAP()

  void Attach(HWND hWnd);
  HWND Detach();

 private:
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  WNDPROC m_pfnSuper = nullptr;  // a subclassed window's own procedure
  std::unique_ptr<CMenu> m_pSystemMenu;
};

// The window procedure of every class the framework registers.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once per process) a window class served by AfxWndProc and returns its name.
LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr,
                           HBRUSH hbrBackground = nullptr, HICON hIcon = nullptr);
