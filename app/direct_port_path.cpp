// The Windows 95 family's direct port path. Until the model profiles and the direct port
// instructions land, reads leave the status bytes at 0 (no key) and writes go nowhere.
#include "app/main_frame.h"
#include "hw/device_link.h"

PROCESS_WIDE BYTE g_byEcCommand = 0;
PROCESS_WIDE BYTE g_byEcData = 0xFF;

void CMainFrame::ReadModelPort(WORD, LPCSTR) {}

void CMainFrame::WriteModelPort(WORD, BYTE, LPCSTR) {}

void CMainFrame::SendEcCommandDirect() {}
