// The main frame's creation, platform detection and exit.
#include "app/main_frame.h"

#include <cstring>

#include "app/key_status.h"
#include "app/version_code.h"
#include "hw/device_link.h"
#include "ui/resource.h"

PROCESS_WIDE double g_dDisabled = 0.0;
PROCESS_WIDE WORD g_wLangId = 0;

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
ON_WM_CREATE()
ON_WM_TIMER()
ON_COMMAND(IDM_EXIT, OnExit)
ON_COMMAND(IDM_OPTION, OnOption)
ON_COMMAND(IDM_BRIGHTNESS, OnBrightness)
ON_COMMAND(IDM_DISABLE, OnDisable)
END_MESSAGE_MAP()

CMainFrame::CMainFrame()
    : m_byPortValue(0),
      m_szWindowsDirectory{},
      m_bDirectPortMode(0),
      m_bRecorderRunning(0),
      m_bMp3PlayerRunning(0),
      m_bHonourStartupKeys(0) {}

CMainFrame::~CMainFrame() {
  if (m_hWnd != nullptr) ::KillTimer(m_hWnd, kPollTimer);
}

void CMainFrame::DetectPlatform() {
  g_wLangId = GetSystemDefaultLangID();
  int code = 0;
  if (!tavos::QueryVersionCode(&code)) return;
  m_bDirectPortMode = tavos::IsDirectPortVersion(code) ? 1 : 0;
}

int CMainFrame::OnCreate(LPCREATESTRUCTA lpCreateStruct) {
  if (CFrameWnd::OnCreate(lpCreateStruct) == -1) return -1;
  DetectPlatform();
  InitSettingsFile();
  LoadStateFile();
  OpenDriver(tavos::kPortioInterfaceClass, 0);  // absent is fine: the poll cycle retries
  DiscardStartupKeys();
  tavos::BuildLaunchTargets(g_wLangId);
  SetTimer(kPollTimer, kPollPeriodMs, nullptr);
  if (g_dDisabled == 1.0) KillTimer(kPollTimer);
  HICON icon = ::LoadIconA(AfxGetResourceHandle(),
                           MAKEINTRESOURCEA(g_dDisabled == 0.0 ? IDI_ENABLED : IDI_DISABLED));
  if (!m_sysTray.InstallIcon(nullptr, WM_TRAYICON, "TAVO", icon, IDR_TRAYMENU, FALSE, "TAVO", "", 0,
                             20)) {
    // No frame, so no EXIT will ever close the device: the failed start closes it.
    if (g_bDriverOpen) CloseHandle(g_hDriver);
    g_hDriver = INVALID_HANDLE_VALUE;
    g_bDriverOpen = false;
    return -1;
  }
  m_sysTray.SetDefaultMenuItem(2, TRUE);
  g_byKeyStatusA = 0;
  g_byKeyStatusB = 0;
  g_byKeyStatusC = 0;
  return 0;
}

void CMainFrame::OnExit() {
  KillTimer(kPollTimer);
  SignalAppState("Off");
  CloseHandle(g_hDriver);
  SendMessage(WM_CLOSE);
}
