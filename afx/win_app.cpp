// The application object and the program's message loop.
#include "afx/win_app.h"

#include "afx/wnd.h"

namespace {
PROCESS_WIDE CWinApp* t_app = nullptr;
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName) : m_pszAppName(lpszAppName ? lpszAppName : "") {
  t_app = this;
}

CWinApp::~CWinApp() {
  if (t_app == this) t_app = nullptr;
}

int CWinApp::Run() {
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  m_nExitCode = int(msg.wParam);
  return ExitInstance();
}

CWinApp* AfxGetApp() { return t_app; }

CWnd* AfxGetMainWnd() { return t_app ? t_app->m_pMainWnd : nullptr; }

HINSTANCE AfxGetInstanceHandle() { return ::GetModuleHandleA(nullptr); }

HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleA(nullptr); }

int AfxWinMain(CWinApp* app) {
  app->m_hInstance = AfxGetInstanceHandle();
  if (!app->InitInstance()) {
    if (app->m_pMainWnd != nullptr) app->m_pMainWnd->DestroyWindow();
    return app->ExitInstance();
  }
  return app->Run();
}

HWND AfxGetModalOwner(CWnd* pParent) {
  if (pParent != nullptr) return pParent->GetSafeHwnd();
  CWnd* main = AfxGetMainWnd();
  HWND owner = main != nullptr ? main->GetSafeHwnd() : nullptr;
  return owner != nullptr ? ::GetLastActivePopup(owner) : nullptr;
}

int AfxMessageBox(LPCSTR lpszText, UINT nType) {
  return ::MessageBoxA(AfxGetModalOwner(nullptr), lpszText, t_app ? t_app->m_pszAppName : "",
                       nType);
}
