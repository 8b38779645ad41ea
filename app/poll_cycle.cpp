// The poll cycle: every 650 ms tell the controller Tavos runs, read and acknowledge the
// hot-key latch, and run the actions of the keys pressed.
#include <cstring>

#include "app/hot_keys.h"
#include "app/key_status.h"
#include "app/main_frame.h"
#include "hw/device_link.h"
#include "ui/option_dlg.h"

namespace {

constexpr WORD kHotKeyPort = 0x040E;
constexpr WORD kHotKeyHighPort = 0x040F;
constexpr char kBuiltInModel[] = "MODELP01";

void Launch(HWND owner, const char* file, const char* folder) {
  ShellExecuteA(owner, "open", file, nullptr, folder, SW_SHOWNORMAL);
}

}  // namespace

void CMainFrame::OnTimer(UINT_PTR nIDEvent) {
  // Disabled: stop. A timer that was already gone means a tick slipped in; it runs as usual.
  if (g_dDisabled == 1.0 && KillTimer(kPollTimer)) return;
  SignalAppState("On");

  if (m_bDirectPortMode) {
    ReadModelPort(kHotKeyPort, kBuiltInModel);
    WriteModelPort(kHotKeyPort, 0, kBuiltInModel);
    PollMediaKeysDirect();
    if (!RunKeys(tavos::KeysForDirectPath(g_byKeyStatusA, g_byKeyStatusB, g_byKeyStatusC))) return;
  } else if (g_bDriverOpen) {
    ReadKeyStatus();
    AckKeyStatus();
    PollMediaKeys();
    if (Ended()) return;
    if (g_byKeyStatus != 0 && !RunKeys(tavos::KeysForDriverPath(g_byKeyStatus))) return;
  } else {
    KillTimer(kPollTimer);
    OpenDriver(tavos::kPortioInterfaceClass, 0);
    SetTimer(kPollTimer, kPollPeriodMs, nullptr);
  }

  tavos::ClearKeyStatus();
  CFrameWnd::OnTimer(nIDEvent);
}

// The keys pressed were decided before any action ran: a dialog an action opens runs nested
// ticks, which clear the status bytes, and the keys after it still run when it closes.
bool CMainFrame::RunKeys(unsigned pressed) {
  for (size_t i = 0; i < tavos::kKeyCount; ++i) {
    if (!(pressed & (1u << i))) continue;
    if (!RunKey(tavos::kKeys[i])) return false;
  }
  return true;
}

// Read at each press, like every setting: an edit of the file counts from the next press.
bool CMainFrame::RunKey(const tavos::KeyRow& key) {
  char value[tavos::kKeyValueBuffer];
  GetPrivateProfileStringA("KEYS", key.name, "", value, sizeof value, m_strSettingsPath);
  tavos::KeyPress press;
  char why[256];
  if (!tavos::ParseKeyValue(value, key, &press, why, sizeof why))
    return ReportKeyProblem(press, why);
  return (this->*press.action->perform)(press);
}

bool CMainFrame::StartBrowser(const tavos::KeyPress&) {
  Launch(nullptr, g_szBrowserExe, g_szBrowserDir);
  return true;
}

bool CMainFrame::StartMail(const tavos::KeyPress&) {
  Launch(nullptr, g_szMailExe, g_szMailDir);
  return true;
}

// Windows+F. With F physically held the combination would misfire: release both instead
// and end the tick (a user key in the same tick is lost). The keyboard as it is now, not this
// thread's view: Tavos has no focus, so its view never sees the keys typed elsewhere.
bool CMainFrame::RunSearchKey(const tavos::KeyPress&) {
  BYTE vk = LOBYTE(VkKeyScanA('F'));
  if (GetAsyncKeyState(vk) & 0xF000) {
    keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
    return false;
  }
  keybd_event(VK_LWIN, 0, 0, 0);
  keybd_event(vk, 0, 0, 0);
  keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
  return true;
}

bool CMainFrame::RunUserKey(const tavos::KeyPress&) {
  char check[41];
  char mute[41];
  GetPrivateProfileStringA("ENABLEMUTE", "CHECK", "", check, sizeof check, m_strSettingsPath);
  GetPrivateProfileStringA("ENABLEMUTE", "MUTE", "", mute, sizeof mute, m_strSettingsPath);
  tavos::UserKeyPlan plan = tavos::PlanUserKey(check, mute);
  ApplySoundPlan(plan, plan.endsTick);  // the routed toggle is told; the turning on is not
  if (plan.endsTick) {
    tavos::ClearKeyStatus();
    return false;
  }

  char execute[40];
  GetPrivateProfileStringA("USERDEFINE", "EXECUTE", "EXECUTE", execute, sizeof execute,
                           m_strSettingsPath);
  if (std::strcmp(execute, "NULL") == 0) {
    OnOption();  // modal: further ticks, and EXIT, may run inside it
    return !Ended();
  }
  char program[80];
  GetPrivateProfileStringA("USERDEFINE", "EXECUTE", "EXECUTE", program, sizeof program,
                           m_strSettingsPath);
  if (program[0] != '\0') Launch(m_hWnd, program, nullptr);
  return true;
}

void CMainFrame::OnOption() {
  COptionDlg dialog(nullptr);
  dialog.DoModal();
}

void CMainFrame::DiscardStartupKeys() {
  if (m_bHonourStartupKeys == 1) return;
  if (m_bDirectPortMode) {
    WriteModelPort(kHotKeyPort, 0, kBuiltInModel);
    WriteModelPort(kHotKeyHighPort, 0, kBuiltInModel);
  } else if (g_bDriverOpen) {
    ReadKeyStatus();
    AckKeyStatus();
    g_byKeyStatus = 0;
  }
}

void CMainFrame::SignalAppState(LPCSTR state) {
  const BYTE data = std::strcmp(state, "On") == 0 ? 0x81 : 0x80;
  if (m_bDirectPortMode) {
    g_byEcCommand = 0xCF;
    g_byEcData = data;
    SendEcCommandDirect();
  } else {
    SendEcCommand(0xCF, data);
  }
}
