// CWinApp: the application object of a process, its start-up and its message loop.
#pragma once

#include "afx/cmd_target.h"
#include "platform/win32.h"

class CWnd;

class CWinApp : public CCmdTarget {
 public:
  explicit CWinApp(LPCSTR lpszAppName = nullptr);
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return m_nExitCode; }
  // The message loop: runs until WM_QUIT, then returns ExitInstance().
  virtual int Run();

  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  LPCSTR m_pszAppName;

 protected:
  // The framework's help command: this program ships no help file, so it does nothing.
  afx_msg void OnHelp() {}
  int m_nExitCode = 0;
  DECLARE_MESSAGE_MAP()
};

// The process's application object, main window and resource module.
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// The owner of a modal dialog, file dialog or message box: `pParent` when given, else the
// window the user works in, the main window's last active popup (a dialog already open over
// it, or the main window itself). The dialog manager disables that owner while the new window
// runs, so the window beneath takes no clicks meanwhile. Null when there is no main window.
HWND AfxGetModalOwner(CWnd* pParent);

// The program's entry: InitInstance, then the message loop. Returns the exit code.
int AfxWinMain(CWinApp* app);

// A message box owned as a dialog without a parent is (AfxGetModalOwner), captioned with the
// application's name.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK);

#define ID_HELP 0xE146
