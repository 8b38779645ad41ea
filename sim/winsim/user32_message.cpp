// Message queues: sent messages, posted messages, key input, WM_QUIT, paint and timer
// messages, in Windows' order of retrieval (sent, posted, input, quit, paint, timer).
#include <string>

#include "platform/win32.h"
#include "sim/winsim/journal_playback.h"
#include "sim/winsim/keyboard.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

using winsim::SimThread;
using winsim::SimWindow;
using winsim::WindowsPc;

namespace {

MSG Make(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{};
  msg.hwnd = hwnd;
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  msg.time = DWORD(WindowsPc::Current().Now());
  return msg;
}

void DeliverSentMessages(SimThread& thread) {
  while (!thread.sent.empty()) {
    winsim::SentMessage* sent = thread.sent.front();
    thread.sent.pop_front();
    SimWindow* window = WindowsPc::Current().Windows().Find(sent->hwnd);
    sent->result = window ? window->proc(sent->hwnd, sent->message, sent->wParam, sent->lParam) : 0;
    sent->done = true;
  }
}

// One message for the thread, or false when there is none now. Timers that are due
// produce one WM_TIMER each, however many periods went by.
bool TakeMessage(SimThread& thread, MSG* msg, const winsim::MessageFilter& filter, bool remove) {
  DeliverSentMessages(thread);
  winsim::PlayJournal(thread);
  for (auto it = thread.posted.begin(); it != thread.posted.end(); ++it) {
    if (!filter.Matches(it->hwnd, it->message)) continue;
    *msg = *it;
    if (remove) thread.posted.erase(it);
    return true;
  }
  for (auto it = thread.input.begin(); it != thread.input.end(); ++it) {
    if (!filter.Matches(it->hwnd, it->message)) continue;
    *msg = *it;
    if (remove) {
      winsim::UpdateThreadKeyState(thread, *it);
      thread.input.erase(it);
    }
    return true;
  }
  if (thread.quitPosted) {
    *msg = Make(nullptr, WM_QUIT, WPARAM(thread.quitCode), 0);
    if (remove) thread.quitPosted = false;
    return true;
  }
  // WM_PAINT for an invalid visible window; it stays until the window is painted.
  WindowsPc& pc = WindowsPc::Current();
  for (HWND hwnd : pc.Windows().WindowsOf(&thread)) {
    const SimWindow* window = pc.Windows().Find(hwnd);
    if (!window->needsPaint || !window->visible || !filter.Matches(hwnd, WM_PAINT)) continue;
    *msg = Make(hwnd, WM_PAINT, 0, 0);
    return true;
  }
  const uint64_t now = WindowsPc::Current().Now();
  for (winsim::TimerEntry& timer : thread.timers) {
    if (timer.nextDue > now || !filter.Matches(timer.hwnd, WM_TIMER)) continue;
    *msg = Make(timer.hwnd, WM_TIMER, timer.id, LPARAM(timer.proc));
    if (remove)
      while (timer.nextDue <= now) timer.nextDue += timer.period;
    return true;
  }
  return false;
}

}  // namespace

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  WindowsPc& pc = WindowsPc::Current();
  SimWindow* window = pc.Windows().Find(hWnd);
  if (window == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (window->thread == pc.CurrentThread()) return window->proc(hWnd, Msg, wParam, lParam);
  // A program without code: its simulated behaviour answers at once.
  if (window->thread == nullptr) return window->proc(hWnd, Msg, wParam, lParam);
  if (pc.CurrentThread() != nullptr) {
    pc.Stub("SendMessageA to a window of another simulated thread");
    return 0;
  }
  // From the owner's thread: the window's thread handles it during its next turn.
  winsim::SentMessage sent{hWnd, Msg, wParam, lParam};
  window->thread->sent.push_back(&sent);
  pc.RunUntilIdle(*window->thread);
  if (!sent.done) {
    SimThread* thread = window->thread;
    for (auto it = thread->sent.begin(); it != thread->sent.end(); ++it)
      if (*it == &sent) {
        thread->sent.erase(it);
        break;
      }
  }
  return sent.result;
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  SimThread* target = pc.CurrentThread();
  if (hWnd != nullptr) {
    SimWindow* window = pc.Windows().Find(hWnd);
    if (window == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    target = window->thread;
  }
  if (target == nullptr) {
    pc.Stub("PostMessageA to a thread without a message queue");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  target->posted.push_back(Make(hWnd, Msg, wParam, lParam));
  // Only the program's own post is the task switch; the shell's callback is not.
  if (target == pc.CurrentThread()) target->menuOwesTaskSwitch = false;
  return TRUE;
}

VOID WINAPI PostQuitMessage(int nExitCode) {
  if (SimThread* thread = WindowsPc::Current().CurrentThread()) {
    thread->quitPosted = true;
    thread->quitCode = nExitCode;
  }
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  SimThread* thread = pc.CurrentThread();
  if (thread == nullptr) {
    pc.Stub("GetMessageA on the owner's thread");
    return -1;
  }
  winsim::MessageFilter filter{hWnd, wMsgFilterMin, wMsgFilterMax};
  while (!TakeMessage(*thread, lpMsg, filter, true)) {
    thread->waitingFor = filter;
    pc.WaitForWork(*thread);
  }
  winsim::CallGetMessageHooks(*thread, lpMsg, true);
  return lpMsg->message != WM_QUIT;
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                         UINT wRemoveMsg) {
  winsim::SimScope scope;
  SimThread* thread = WindowsPc::Current().CurrentThread();
  if (thread == nullptr) return FALSE;
  winsim::MessageFilter filter{hWnd, wMsgFilterMin, wMsgFilterMax};
  const bool remove = (wRemoveMsg & PM_REMOVE) != 0;
  if (!TakeMessage(*thread, lpMsg, filter, remove)) return FALSE;
  winsim::CallGetMessageHooks(*thread, lpMsg, remove);
  return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG*) { return FALSE; }

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
  WindowsPc& pc = WindowsPc::Current();
  if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
    reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, lpMsg->wParam,
                                               DWORD(pc.Now()));
    return 0;
  }
  SimWindow* window = pc.Windows().Find(lpMsg->hwnd);
  if (window == nullptr || window->thread != pc.CurrentThread()) return 0;
  return window->proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}
