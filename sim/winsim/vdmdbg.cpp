// VDMDBG.DLL of the NT family: the 16-bit Windows tasks inside an NTVDM process.
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/process_objects.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {
// The 16-bit system keeps module names of 8 characters and paths of 255.
constexpr size_t kModuleNameSize = 8 + 1;
constexpr size_t kFileNameSize = 255 + 1;
}  // namespace

// Calls `fp` for each task in start order until it returns TRUE; returns how many tasks it
// was called for (every task's count when `fp` is null). 0 for a process that is not a VDM.
INT WINAPI VDMEnumTaskWOWEx(DWORD dwProcessId, TASKENUMPROCEX fp, LPARAM lparam) {
  WindowsPc& pc = WindowsPc::Current();
  if (!pc.Profile().hasVdmdbg) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return 0;
  }
  winsim::SimProcess* process = pc.FindProcess(dwProcessId);
  if (process == nullptr) return 0;
  // A copy: the callback may run any code, the list must not move under the loop.
  const std::vector<winsim::WowTask> tasks = process->wowTasks;
  if (fp == nullptr) return INT(tasks.size());
  INT count = 0;
  for (const winsim::WowTask& task : tasks) {
    char module[kModuleNameSize];
    char file[kFileNameSize];
    winsim::CopyCut(module, sizeof module, task.moduleName);
    winsim::CopyCut(file, sizeof file, task.fileName);
    ++count;
    if (fp(task.threadId, task.hMod16, task.hTask16, module, file, lparam)) break;
  }
  return count;
}
