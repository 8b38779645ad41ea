// Toolhelp snapshots of processes and of one process's modules. The Windows 95 family names
// processes by full path; the NT family by file name only. Windows NT 4.0 and older have no
// Toolhelp at all.
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/process_objects.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

// A process as the snapshot saw it; its PROCESSENTRY32 (296 bytes) is made when it is read,
// since a program polls the list every tick and mostly reads the first few names.
struct ProcessSeen {
  DWORD pid;
  std::string name;
};

class ProcessSnapshot : public winsim::HandleObject {
 public:
  const char* Kind() const override { return "snapshot"; }
  std::vector<ProcessSeen> entries;
  size_t next = 0;
  std::vector<MODULEENTRY32> modules;
  size_t nextModule = 0;
};

PROCESSENTRY32 EntryOf(const ProcessSeen& seen) {
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  entry.th32ProcessID = seen.pid;
  entry.cntThreads = 1;
  std::strncpy(entry.szExeFile, seen.name.c_str(), sizeof entry.szExeFile - 1);
  return entry;
}

const MODULEENTRY32& EntryOf(const MODULEENTRY32& module) { return module; }

template <class Entry, class Seen>
BOOL Fill(HANDLE snapshot, Entry* entry, bool first, std::vector<Seen> ProcessSnapshot::*list,
          size_t ProcessSnapshot::*next) {
  auto* snap = WindowsPc::Current().Handles().Get<ProcessSnapshot>(snapshot);
  if (snap == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (entry == nullptr || entry->dwSize < sizeof(Entry)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (first) snap->*next = 0;
  if (snap->*next >= (snap->*list).size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  DWORD size = entry->dwSize;
  *entry = EntryOf((snap->*list)[(snap->*next)++]);
  entry->dwSize = size;
  return TRUE;
}

// The modules of `pid` (0: the caller) into the snapshot; false, with the last error set,
// when the process does not exist or its modules cannot be read.
bool SnapModules(WindowsPc& pc, DWORD pid, ProcessSnapshot* snapshot) {
  winsim::SimProcess* process = pc.FindProcess(pid == 0 ? pc.CurrentPid() : pid);
  if (process == nullptr) {
    // The owner's thread is no process: it has no modules to list.
    if (pid == 0) return true;
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  if (!process->openable) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (!process->modulesReadable) {
    SetLastError(ERROR_PARTIAL_COPY);
    return false;
  }
  for (const winsim::SimModule& module : winsim::ModulesOf(pc, *process)) {
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    entry.th32ModuleID = 1;
    entry.th32ProcessID = process->pid;
    entry.GlblcntUsage = entry.ProccntUsage = 0xFFFF;
    entry.modBaseAddr = reinterpret_cast<BYTE*>(module.handle);
    entry.modBaseSize = module.size;
    entry.hModule = module.handle;
    size_t slash = module.path.find_last_of('\\');
    winsim::CopyCut(entry.szModule, sizeof entry.szModule,
                    slash == std::string::npos ? module.path : module.path.substr(slash + 1));
    winsim::CopyCut(entry.szExePath, sizeof entry.szExePath, module.path);
    snapshot->modules.push_back(entry);
  }
  return true;
}

}  // namespace

HANDLE WINAPI CreateToolhelp32Snapshot(DWORD dwFlags, DWORD th32ProcessID) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (!pc.Profile().hasToolhelp) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return INVALID_HANDLE_VALUE;
  }
  auto snapshot = std::make_unique<ProcessSnapshot>();
  if (dwFlags & TH32CS_SNAPPROCESS) {
    const std::vector<winsim::SimProcess*> processes = pc.Processes();
    snapshot->entries.reserve(processes.size());
    for (winsim::SimProcess* process : processes)
      snapshot->entries.push_back(
          {process->pid, pc.Profile().IsNt() ? process->ImageName() : process->exePath});
  }
  if ((dwFlags & TH32CS_SNAPMODULE) && !SnapModules(pc, th32ProcessID, snapshot.get()))
    return INVALID_HANDLE_VALUE;
  return pc.Handles().Add(std::move(snapshot), pc.CurrentPid());
}

BOOL WINAPI Process32First(HANDLE hSnapshot, LPPROCESSENTRY32 lppe) {
  winsim::SimScope scope;
  return Fill(hSnapshot, lppe, true, &ProcessSnapshot::entries, &ProcessSnapshot::next);
}

BOOL WINAPI Process32Next(HANDLE hSnapshot, LPPROCESSENTRY32 lppe) {
  winsim::SimScope scope;
  return Fill(hSnapshot, lppe, false, &ProcessSnapshot::entries, &ProcessSnapshot::next);
}

BOOL WINAPI Module32First(HANDLE hSnapshot, LPMODULEENTRY32 lpme) {
  return Fill(hSnapshot, lpme, true, &ProcessSnapshot::modules, &ProcessSnapshot::nextModule);
}

BOOL WINAPI Module32Next(HANDLE hSnapshot, LPMODULEENTRY32 lpme) {
  return Fill(hSnapshot, lpme, false, &ProcessSnapshot::modules, &ProcessSnapshot::nextModule);
}
