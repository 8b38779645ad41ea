// Toolhelp process snapshots. The Windows 95 family names processes by full path; the NT
// family by file name only. Windows NT 4.0 and older have no Toolhelp at all.
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

class ProcessSnapshot : public winsim::HandleObject {
 public:
  const char* Kind() const override { return "snapshot"; }
  std::vector<PROCESSENTRY32> entries;
  size_t next = 0;
};

BOOL Fill(HANDLE snapshot, LPPROCESSENTRY32 entry, bool first) {
  auto* snap = WindowsPc::Current().Handles().Get<ProcessSnapshot>(snapshot);
  if (snap == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (entry == nullptr || entry->dwSize < sizeof(PROCESSENTRY32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (first) snap->next = 0;
  if (snap->next >= snap->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  DWORD size = entry->dwSize;
  *entry = snap->entries[snap->next++];
  entry->dwSize = size;
  return TRUE;
}

}  // namespace

HANDLE WINAPI CreateToolhelp32Snapshot(DWORD dwFlags, DWORD) {
  WindowsPc& pc = WindowsPc::Current();
  if (!pc.Profile().hasToolhelp) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return INVALID_HANDLE_VALUE;
  }
  auto snapshot = std::make_unique<ProcessSnapshot>();
  if (dwFlags & TH32CS_SNAPPROCESS) {
    for (winsim::SimProcess* process : pc.Processes()) {
      PROCESSENTRY32 entry{};
      entry.dwSize = sizeof entry;
      entry.th32ProcessID = process->pid;
      entry.cntThreads = 1;
      std::string name = pc.Profile().IsNt() ? process->ImageName() : process->exePath;
      std::strncpy(entry.szExeFile, name.c_str(), sizeof entry.szExeFile - 1);
      snapshot->entries.push_back(entry);
    }
  }
  return pc.Handles().Add(std::move(snapshot), pc.CurrentPid());
}

BOOL WINAPI Process32First(HANDLE hSnapshot, LPPROCESSENTRY32 lppe) { return Fill(hSnapshot, lppe, true); }

BOOL WINAPI Process32Next(HANDLE hSnapshot, LPPROCESSENTRY32 lppe) { return Fill(hSnapshot, lppe, false); }
