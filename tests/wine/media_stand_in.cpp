// The stand-ins for the notebook's media programs under Wine, as far as Tavos meets them: the
// MP3 player's window "MP3Player", which ends the player on WM_ENDSESSION, and the video
// recorder's window "PowerVCR II" beside its video surface "ActiveMovie Window", which end the
// recorder on Ctrl+X. The recorder reports every key that reaches it; both report their start
// (when the shell started them) and their end, through the events file, so the lines fall in
// order with Tavos's; keys are taken only when the host settles the stand-in after Tavos.
#include "tests/wine/media_stand_in.h"

#include <cstdio>
#include <string>

#include "sim/notebook_hal/wine_channel.h"
#include "tests/wine/media_stand_ins.h"
#include "tests/wine/window_names.h"

namespace tavos_wine {

namespace {

std::string g_name;  // this program's file name, as the process list shows it
bool g_recorder = false;
UINT g_settleMessage = 0;

// Written before the program goes, so the line is there before the sender of the message
// or key that ended it goes on.
[[noreturn]] void End() {
  AppendEvent("process-end " + HexBytes(g_name) + " 0");
  ExitProcess(0);
}

void ReportKey(const MSG& msg) {
  const char* what = msg.message == WM_KEYDOWN      ? "down"
                     : msg.message == WM_KEYUP      ? "up"
                     : msg.message == WM_SYSKEYDOWN ? "sysdown"
                     : msg.message == WM_SYSKEYUP   ? "sysup"
                                                    : nullptr;
  if (what == nullptr) return;
  char line[48];
  std::snprintf(line, sizeof line, "recorder-key %s 0x%02X ", what, unsigned(msg.wParam & 0xFF));
  // Which of its windows: the one Tavos brought forward has the focus.
  AppendEvent(line + HexBytes(tavos_wine::TextOf(msg.hwnd)));
}

// The recorder's own reaction to a key: Ctrl+X ends it.
void TakeKey(const MSG& msg) {
  if (!g_recorder) return;
  ReportKey(msg);
  if (msg.message == WM_KEYDOWN && msg.wParam == 'X' && GetKeyState(VK_CONTROL) < 0) End();
}

// The keys queued for this thread before the host asked, then the answer. The only place
// keys are taken.
void Settle() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
    TakeKey(msg);
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  HANDLE settled = OpenEventA(EVENT_MODIFY_STATE, FALSE, kMediaSettled);
  if (settled != nullptr) {
    SetEvent(settled);
    CloseHandle(settled);
  }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ENDSESSION && !g_recorder) End();
  if (message == g_settleMessage && g_settleMessage != 0) {
    Settle();
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND OpenWindow(const char* cls, const char* title, int x) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = cls;
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowA(cls, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 40, 320, 200, nullptr,
                            nullptr, wc.hInstance, nullptr);
  return hwnd;
}

}  // namespace

int RunMediaStandIn(bool startedByShell) {
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  g_name = FileNameOf(self);
  g_recorder = lstrcmpiA(g_name.c_str(), kRecorderFile) == 0;
  g_settleMessage = RegisterWindowMessageA(kMediaSettleMessage);
  if (g_recorder) {
    // The main window first, the video surface then on top of it: Tavos's search meets the
    // surface first and must go on to the main window.
    OpenWindow(kRecorderClass, kRecorderTitle, 20);
    OpenWindow(kVideoClass, kVideoTitle, 360);
  } else {
    OpenWindow(kPlayerClass, kPlayerTitle, 20);
  }
  // A process statement's start is reported by the host; the shell's by the program itself.
  if (startedByShell) {
    AppendEvent("process-start " + HexBytes(g_name) + " " + std::to_string(GetCurrentProcessId()));
    HANDLE started = OpenEventA(EVENT_MODIFY_STATE, FALSE, kMediaStarted);
    if (started != nullptr) {
      SetEvent(started);
      CloseHandle(started);
    }
  }
  // Everything but keys as it comes (WM_ENDSESSION is sent, so it is taken in any wait).
  // Keys wait for the host's settle: under Wine they arrive while Tavos still runs its tick,
  // and the recorder's reaction (its end on Ctrl+X) would fall among Tavos's own lines at
  // random; on Windows they wait behind Tavos's playback, which ends after the tick.
  for (;;) {
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE,
                                QS_SENDMESSAGE | QS_POSTMESSAGE | QS_PAINT | QS_TIMER, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, WM_KEYFIRST - 1, PM_REMOVE) ||
           PeekMessageA(&msg, nullptr, WM_KEYLAST + 1, ~0u, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return 0;
      DispatchMessageA(&msg);
    }
  }
}

}  // namespace tavos_wine
