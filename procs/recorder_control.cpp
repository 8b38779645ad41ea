// The media programs of other makers, reached through their process names: the video
// recorder's main window, keys played into it, and ending the recorder or the MP3 player.
#include <cstring>

#include "app/instance_match.h"
#include "app/main_frame.h"
#include "keys/key_string_parser.h"
#include "keys/playback_hook.h"
#include "procs/process_snapshot_walk.h"

namespace {

constexpr char kRecorder[] = "PVCR.EXE";
constexpr char kMp3Player[] = "MP3PLAYER.EXE";
constexpr char kVideoWindowTitle[] = "ActiveMovie Window";  // the recorder's video surface
constexpr UINT kTerminatedCode = 9;

}  // namespace

void CMainFrame::FindRecorderWindow() {
  WalkProcessSnapshot([this](const PROCESSENTRY32& entry) {
    // The last matching process decides: each match starts the search afresh.
    if (tavos::ProcessNameMatches(entry.szExeFile, kRecorder, m_bDirectPortMode != 0))
      EnumRecorderWindows(entry.th32ProcessID);
    return true;
  });
}

void CMainFrame::EnumRecorderWindows(DWORD pid) {
  g_hRecorderWnd = nullptr;
  EnumWindows(FindRecorderWindowProc, LPARAM(pid));
}

BOOL CALLBACK CMainFrame::FindRecorderWindowProc(HWND hwnd, LPARAM lParam) {
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != DWORD(lParam)) return TRUE;
  g_hRecorderWnd = hwnd;
  char title[256] = {};
  GetWindowTextA(hwnd, title, sizeof title);
  // An untitled window or the video surface is taken only if nothing better follows.
  return title[0] == '\0' || std::strcmp(title, kVideoWindowTitle) == 0;
}

void CMainFrame::SendKeysToRecorder(CString keys) {
  FindRecorderWindow();
  if (!IsWindow(g_hRecorderWnd)) FindRecorderWindow();
  int result = StartKeyPlayback(m_hWnd, keys);
  if (result != kKeysOk) {
    // Codes outside the table cannot come from the engine; the last text stands for them.
    int index = result > 0 && result < kKeyStringErrorCount ? result : kKeyStringErrorCount - 1;
    AfxMessageBox(g_keyStringErrors[index], MB_OK);
    return;
  }
  SetForegroundWindow(g_hRecorderWnd);
}

void CMainFrame::TerminateMediaProgram(int which) {
  const char* target = which == 0 ? kRecorder : which == 1 ? kMp3Player : "";
  WalkProcessSnapshot([&](const PROCESSENTRY32& entry) {
    if (!tavos::ProcessNameMatches(entry.szExeFile, target, m_bDirectPortMode != 0)) return true;
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
    if (process == nullptr) return false;  // one that cannot be opened ends the walk
    TerminateProcess(process, kTerminatedCode);
    CloseHandle(process);
    return true;
  });
}
