// OpenProcess, and the modules each simulated process has loaded.
#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/win32.h"
#include "sim/winsim/process_objects.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace winsim {

std::vector<SimModule> ModulesOf(WindowsPc& pc, const SimProcess& process) {
  const std::string windows = pc.Files().WindowsDirectory();
  std::vector<SimModule> modules{{SimProcess::ImageBase(), 0x00010000, process.exePath}};
  // The same bases as LoadLibraryA hands out.
  if (pc.Profile().IsNt()) {
    modules.push_back(
        {reinterpret_cast<HMODULE>(0x7C900000), 0x000B0000, windows + "\\system32\\ntdll.dll"});
    modules.push_back(
        {reinterpret_cast<HMODULE>(0x7C800000), 0x000F4000, windows + "\\system32\\kernel32.dll"});
  } else {
    modules.push_back(
        {reinterpret_cast<HMODULE>(0x7C800000), 0x00080000, windows + "\\SYSTEM\\KERNEL32.DLL"});
  }
  return modules;
}

SimProcess* OpenedProcess(HANDLE handle, DWORD access) {
  WindowsPc& pc = WindowsPc::Current();
  if (handle == GetCurrentProcess() && pc.FindProcess(pc.CurrentPid()))
    return pc.FindProcess(pc.CurrentPid());
  auto* object = pc.Handles().Get<ProcessObject>(handle);
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if ((object->access & access) != access) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  SimProcess* process = pc.FindProcess(object->pid);
  if (process == nullptr) {
    SetLastError(ERROR_PARTIAL_COPY);  // it has ended: its memory is gone
    return nullptr;
  }
  return process;
}

void CopyCut(char* to, size_t size, const std::string& text) {
  size_t length = std::min(text.size(), size - 1);
  std::memcpy(to, text.data(), length);
  to[length] = '\0';
}

}  // namespace winsim

HANDLE WINAPI OpenProcess(DWORD dwDesiredAccess, BOOL, DWORD dwProcessId) {
  WindowsPc& pc = WindowsPc::Current();
  // The idle process (id 0) is listed but cannot be opened by anyone.
  winsim::SimProcess* process = dwProcessId == 0 ? nullptr : pc.FindProcess(dwProcessId);
  if (process == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!process->openable) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return pc.Handles().Add(std::make_unique<winsim::ProcessObject>(dwProcessId, dwDesiredAccess),
                          pc.CurrentPid());
}

// Ends another program at once: its windows, timers and handles go without a message to it,
// and its thread, when it has one, unwinds at its next turn without running its code further.
// A program ending itself this way is not simulated.
BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode) {
  WindowsPc& pc = WindowsPc::Current();
  winsim::SimProcess* process = winsim::OpenedProcess(hProcess, PROCESS_TERMINATE);
  if (process == nullptr) return FALSE;
  if (process->pid == pc.CurrentPid()) {
    pc.Stub("TerminateProcess of the calling process");
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  pc.Events().Add("process terminate " + winsim::Quote(process->ImageName()));
  pc.EndProcess(*process, uExitCode);
  if (process->thread) process->thread->terminating = true;
  return TRUE;
}
