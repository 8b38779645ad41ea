// The tray menu's Disable/Enable command: switches the poll cycle off and on, remembers the
// choice in the state file, and swaps the tray icon.
#include "app/key_status.h"
#include "app/main_frame.h"
#include "hw/device_link.h"
#include "ui/resource.h"

void CMainFrame::OnDisable() {
  WORD icon = IDI_DISABLED;
  if (g_dDisabled != 1.0) {
    KillTimer(kPollTimer);
    g_dDisabled = 1.0;
    SaveStateFile();
  } else {
    // Keys pressed while disabled are not acted on.
    if (m_bDirectPortMode) {
      WriteModelPort(0x040E, 0, "MODELP01");
    } else if (g_bDriverOpen) {
      ReadKeyStatus();
      AckKeyStatus();
      g_byKeyStatus = 0;
    }
    SetTimer(kPollTimer, kPollPeriodMs, nullptr);
    g_dDisabled = 0.0;
    SaveStateFile();
    icon = IDI_ENABLED;
  }
  HICON handle = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(icon));
  m_sysTray.ShellNotify(NIM_MODIFY, nullptr, WM_TRAYICON, "TVO", handle, IDR_TRAYMENU, FALSE);
  ShowOsd(icon == IDI_ENABLED ? "Hot keys on" : "Hot keys off");
}
