// Per-thread last error, time and the generic CloseHandle.
#include <cstring>

#include "platform/win32.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {
// Every simulated thread is a host thread, and so is the owner's: one slot each.
thread_local DWORD t_lastError = 0;
}  // namespace

DWORD WINAPI GetLastError(void) { return t_lastError; }

VOID WINAPI SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

VOID WINAPI Sleep(DWORD dwMilliseconds) { WindowsPc::Current().SleepCurrent(dwMilliseconds); }

DWORD WINAPI GetTickCount(void) { return DWORD(WindowsPc::Current().Now()); }

// The owner's thread (tests, the scenario runner) is no thread of the simulated PC: 0.
DWORD WINAPI GetCurrentThreadId(void) {
  winsim::SimThread* thread = WindowsPc::Current().CurrentThread();
  return thread != nullptr ? thread->tid : 0;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  // A search handle closes with FindClose only, a service handle with CloseServiceHandle.
  winsim::HandleObject* object = pc.Handles().Get<winsim::HandleObject>(hObject);
  if (object != nullptr && !object->ClosesWithCloseHandle()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!pc.Handles().Close(hObject)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
