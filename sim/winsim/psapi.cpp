// PSAPI.DLL of Windows NT 4.0 and later: process ids, and the modules of an opened process.
#include <cstring>

#include "platform/win32.h"
#include "sim/winsim/process_objects.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

constexpr DWORD kReadAccess = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;

bool HasPsapi() {
  if (WindowsPc::Current().Profile().hasPsapi) return true;
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return false;
}

// The opened process whose loader data can be read, or null with the last error set.
winsim::SimProcess* Readable(HANDLE process) {
  winsim::SimProcess* opened = winsim::OpenedProcess(process, kReadAccess);
  if (opened != nullptr && !opened->modulesReadable) {
    SetLastError(ERROR_PARTIAL_COPY);
    return nullptr;
  }
  return opened;
}

}  // namespace

// As on Windows, a buffer too small is no failure: it is filled, and the bytes used equal
// its size, which is the caller's only hint to try again with a larger one.
BOOL WINAPI EnumProcesses(DWORD* lpidProcess, DWORD cb, LPDWORD lpcbNeeded) {
  if (!HasPsapi()) return FALSE;
  if (lpcbNeeded == nullptr || (lpidProcess == nullptr && cb >= sizeof(DWORD))) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  DWORD room = cb / sizeof(DWORD), used = 0;
  for (winsim::SimProcess* process : WindowsPc::Current().Processes()) {
    if (used == room) break;
    lpidProcess[used++] = process->pid;
  }
  *lpcbNeeded = used * sizeof(DWORD);
  return TRUE;
}

// The bytes needed are those of every module, whatever the buffer held.
BOOL WINAPI EnumProcessModules(HANDLE hProcess, HMODULE* lphModule, DWORD cb, LPDWORD lpcbNeeded) {
  if (!HasPsapi()) return FALSE;
  winsim::SimProcess* process = Readable(hProcess);
  if (process == nullptr) return FALSE;
  if (lpcbNeeded == nullptr || (lphModule == nullptr && cb >= sizeof(HMODULE))) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  std::vector<winsim::SimModule> modules = winsim::ModulesOf(WindowsPc::Current(), *process);
  size_t room = cb / sizeof(HMODULE);
  for (size_t i = 0; i < modules.size() && i < room; ++i) lphModule[i] = modules[i].handle;
  *lpcbNeeded = DWORD(modules.size() * sizeof(HMODULE));
  return TRUE;
}

// A name longer than the buffer is cut and terminated; the result counts the characters
// copied. Module null means the program's image.
DWORD WINAPI GetModuleFileNameExA(HANDLE hProcess, HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  if (!HasPsapi()) return 0;
  winsim::SimProcess* process = Readable(hProcess);
  if (process == nullptr) return 0;
  if (!process->moduleNamesReadable) {
    SetLastError(ERROR_PARTIAL_COPY);
    return 0;
  }
  if (lpFilename == nullptr || nSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  for (const winsim::SimModule& module : winsim::ModulesOf(WindowsPc::Current(), *process)) {
    if (hModule != nullptr && module.handle != hModule) continue;
    winsim::CopyCut(lpFilename, nSize, module.path);
    return DWORD(std::strlen(lpFilename));
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}
