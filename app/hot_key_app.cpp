// Start-up: the single-instance rule, then the hidden main frame.
#include "app/hot_key_app.h"

#include "app/instance_match.h"
#include "app/main_frame.h"
#include "app/version_code.h"
#include "procs/process_enumerator.h"
#include "ui/about_box.h"
#include "ui/resource.h"

PROCESS_WIDE CHotKeyApp theApp;

namespace {
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | 0x00008000L;  // FWS_ADDTOTITLE
}

BEGIN_MESSAGE_MAP(CHotKeyApp, CWinApp)
  ON_COMMAND(IDM_ABOUT, OnAppAbout)
  ON_COMMAND(ID_HELP, OnHelp)
END_MESSAGE_MAP()

CHotKeyApp::CHotKeyApp() : CWinApp("Tavos") {}

BOOL CHotKeyApp::InitInstance() {
  if (!IsFirstInstance()) return FALSE;
  CMainFrame* frame = new CMainFrame;
  if (!frame->LoadFrame(IDR_TRAYMENU, kFrameStyle, nullptr, nullptr)) return FALSE;
  m_pMainWnd = frame;
  return TRUE;
}

bool CHotKeyApp::IsFirstInstance() {
  int code = 0;
  if (!tavos::QueryVersionCode(&code)) return false;
  CProcessEnumerator enumerator;
  enumerator.SetMethod(ENUM_TOOLHELP | ENUM_VDM);
  CProcessEntry entry;
  int copies = 0;
  for (BOOL more = enumerator.ProcessFirst(&entry); more; more = enumerator.ProcessNext(&entry)) {
    if (entry.hTask16 != 0) continue;
    if (tavos::IsProgramProcessName(entry.lpszName, code) && ++copies == 2) return false;
  }
  return true;
}

void CHotKeyApp::OnAppAbout() {
  CAboutBox about;
  about.DoModal();
}

int TavosMain() { return AfxWinMain(&theApp); }
