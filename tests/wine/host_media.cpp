// The scenario host's side of the media programs' stand-ins: where a bare program name runs
// from, waiting until the stand-ins have taken the keys Tavos sent them, and ending the ones
// still running, so that no player or recorder of one scenario shows in the next one's
// process list.
#include <string>
#include <vector>

#include "tests/wine/host_session.h"
#include "tests/wine/media_stand_ins.h"
#include "tests/wine/window_names.h"

namespace tavos_host {

namespace {

// A stand-in that does not take its queued keys within this is reported as not settled; the
// run then goes on (its lines, if any, come with a later statement and show as a difference).
constexpr DWORD kMediaSettleTimeoutMs = 5000;

HANDLE g_mediaSettled = nullptr;
HANDLE g_mediaStarted = nullptr;

BOOL CALLBACK CollectMediaWindow(HWND hwnd, LPARAM param) {
  const std::string cls = tavos_wine::ClassOf(hwnd);
  if (cls == tavos_wine::kPlayerClass || cls == tavos_wine::kRecorderClass)
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> MediaWindows() {
  std::vector<HWND> windows;
  EnumWindows(CollectMediaWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

}  // namespace

bool OpenMediaChannel() {
  // Named here so the stand-ins and the probe find them whenever they start.
  g_mediaSettled = CreateEventA(nullptr, FALSE, FALSE, tavos_wine::kMediaSettled);
  g_mediaStarted = CreateEventA(nullptr, FALSE, FALSE, tavos_wine::kMediaStarted);
  return g_mediaSettled != nullptr && g_mediaStarted != nullptr;
}

std::string ProgramPath(const std::string& name) {
  if (name.find('\\') != std::string::npos) return name;
  char folder[MAX_PATH] = "";
  const UINT length = GetWindowsDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return name;
  return std::string(folder) + "\\" + name;
}

void SettleMediaPrograms() {
  const UINT message = RegisterWindowMessageA(tavos_wine::kMediaSettleMessage);
  for (HWND hwnd : MediaWindows()) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) continue;
    ResetEvent(g_mediaSettled);
    if (PostMessageA(hwnd, message, 0, 0)) {
      HANDLE both[] = {g_mediaSettled, process};
      if (WaitForMultipleObjects(2, both, FALSE, kMediaSettleTimeoutMs) == WAIT_TIMEOUT)
        Event("stand-in-error the stand-in with pid " + std::to_string(pid) + " did not settle");
    }
    CloseHandle(process);
  }
}

void EndMediaPrograms() {
  for (HWND hwnd : MediaWindows()) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) continue;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, kExitTimeoutMs);
    CloseHandle(process);
  }
}

}  // namespace tavos_host
