// Which media program runs, from a Toolhelp snapshot: the first match in snapshot order wins.
// Toolhelp is bound by name: Windows NT 4.0 has none, and a program importing it would not
// load there; without it the scan finds nothing, as a failed snapshot does.
#include <cctype>
#include <cstring>

#include "app/main_frame.h"
#include "procs/bound_function.h"

namespace {

bool NameIs(const char* name, const char* upper) {
  size_t i = 0;
  for (; name[i] != '\0' && upper[i] != '\0'; ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != upper[i]) return false;
  return name[i] == '\0' && upper[i] == '\0';
}

typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE, LPPROCESSENTRY32);

}  // namespace

void CMainFrame::DetectMediaPrograms() {
  CreateSnapshotFn createSnapshot = nullptr;
  ProcessWalkFn first = nullptr;
  ProcessWalkFn next = nullptr;
  HMODULE kernel32 = GetModuleHandleA("KERNEL32");
  BindFunction(kernel32, "CreateToolhelp32Snapshot", &createSnapshot);
  BindFunction(kernel32, "Process32First", &first);
  BindFunction(kernel32, "Process32Next", &next);
  m_bRecorderRunning = 0;
  m_bMp3PlayerRunning = 0;
  if (createSnapshot == nullptr || first == nullptr || next == nullptr) return;

  HANDLE snapshot = createSnapshot(TH32CS_SNAPALL, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = first(snapshot, &entry); more; more = next(snapshot, &entry)) {
    if (NameIs(entry.szExeFile, "PVCR.EXE")) {
      m_bRecorderRunning = 1;
      break;
    }
    if (NameIs(entry.szExeFile, "MP3PLAYER.EXE")) {
      m_bMp3PlayerRunning = 1;
      break;
    }
  }
  if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
}
