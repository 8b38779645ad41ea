// Timers on the virtual clock. Each timer has at most one WM_TIMER pending: periods that
// pass while the thread is busy fold into one message, as on Windows.
#include <string>

#include "platform/win32.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::SimThread;
using winsim::WindowsPc;

namespace {
constexpr UINT kMinimumElapse = 10;        // USER_TIMER_MINIMUM
constexpr UINT kMaximumElapse = 0x7FFFFFFF;  // USER_TIMER_MAXIMUM

// The timeline reports the timers of a program's windows, but not those of a top-most
// window (an on-screen display): what such a timer does shows as that window's own lines
// ("osd hidden"), and the poll timer's lines stay the program's only timer lines.
bool Reported(HWND hwnd) {
  const winsim::SimWindow* window = WindowsPc::Current().Windows().Find(hwnd);
  return window == nullptr || !(window->exStyle & WS_EX_TOPMOST);
}
}  // namespace

UINT_PTR WINAPI SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  SimThread* thread = pc.CurrentThread();
  if (hWnd == nullptr || thread == nullptr) {
    pc.Stub("SetTimer without a window of a simulated thread");
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  winsim::SimWindow* window = pc.Windows().Find(hWnd);
  if (window == nullptr || window->thread != thread) {
    SetLastError(window ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  UINT elapse = uElapse < kMinimumElapse ? kMinimumElapse
                : uElapse > kMaximumElapse ? kMaximumElapse
                                           : uElapse;
  winsim::TimerEntry entry{hWnd, nIDEvent, elapse, pc.Now() + elapse, lpTimerFunc};
  bool replaced = false;
  for (winsim::TimerEntry& timer : thread->timers) {
    if (timer.hwnd == hWnd && timer.id == nIDEvent) {
      timer = entry;
      replaced = true;
    }
  }
  if (!replaced) thread->timers.push_back(entry);
  if (Reported(hWnd))
    pc.Events().Add("timer start " + std::to_string(nIDEvent) + " " + std::to_string(elapse));
  return nIDEvent == 0 ? 1 : nIDEvent;
}

BOOL WINAPI KillTimer(HWND hWnd, UINT_PTR uIDEvent) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (SimThread* thread = pc.CurrentThread()) {
    auto& timers = thread->timers;
    for (auto it = timers.begin(); it != timers.end(); ++it) {
      if (it->hwnd == hWnd && it->id == uIDEvent) {
        timers.erase(it);
        if (Reported(hWnd)) pc.Events().Add("timer stop " + std::to_string(uIDEvent));
        return TRUE;
      }
    }
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
