// Finding and ending Tavos.
#include "setup/running_tavos.h"

#include <cstring>

#include "platform/win32.h"
#include "setup/install_plan.h"
#include "setup/setup_options.h"

namespace setup {

namespace {

constexpr DWORD kEndWaitMs = 5000;
constexpr int kMaxTavos = 16;    // more than anyone runs; the rest would wait for the next run
constexpr DWORD kMaxIds = 1024;  // processes PSAPI is asked for

using SnapshotFunction = HANDLE(WINAPI*)(DWORD, DWORD);
using ProcessWalkFunction = BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32);
using EnumProcessesFunction = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using ModuleNameFunction = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

struct Found {
  DWORD pids[kMaxTavos];
  int count = 0;
  void Add(DWORD pid) {
    if (count < kMaxTavos) pids[count++] = pid;
  }
};

template <class Function>
Function Bind(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// True when Toolhelp was there to ask.
bool FindWithToolhelp(Found* found) {
  HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
  if (kernel == nullptr) return false;
  auto snapshot = Bind<SnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
  auto first = Bind<ProcessWalkFunction>(kernel, "Process32First");
  auto next = Bind<ProcessWalkFunction>(kernel, "Process32Next");
  if (snapshot == nullptr || first == nullptr || next == nullptr) return false;
  HANDLE processes = snapshot(TH32CS_SNAPPROCESS, 0);
  if (processes == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry;
  std::memset(&entry, 0, sizeof entry);
  entry.dwSize = sizeof entry;
  for (BOOL more = first(processes, &entry); more; more = next(processes, &entry)) {
    entry.szExeFile[sizeof entry.szExeFile - 1] = '\0';
    if (IsTavosProgramFile(entry.szExeFile)) found->Add(entry.th32ProcessID);
  }
  CloseHandle(processes);
  return true;
}

void FindWithPsapi(Found* found) {
  HMODULE psapi = LoadLibraryA("PSAPI.DLL");
  if (psapi == nullptr) return;
  auto enumProcesses = Bind<EnumProcessesFunction>(psapi, "EnumProcesses");
  auto moduleName = Bind<ModuleNameFunction>(psapi, "GetModuleFileNameExA");
  DWORD ids[kMaxIds];
  DWORD used = 0;
  if (enumProcesses != nullptr && moduleName != nullptr && enumProcesses(ids, sizeof ids, &used)) {
    for (DWORD i = 0; i < used / sizeof(DWORD); ++i) {
      HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
      if (process == nullptr) continue;  // the system's own, or gone meanwhile
      char file[MAX_PATH];
      if (moduleName(process, nullptr, file, MAX_PATH) > 0 && IsTavosProgramFile(file))
        found->Add(ids[i]);
      CloseHandle(process);
    }
  }
  FreeLibrary(psapi);
}

BOOL CALLBACK PostExitToFrames(HWND window, LPARAM pid) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[64];
  if (owner == DWORD(pid) && GetClassNameA(window, name, sizeof name) > 0 &&
      std::strncmp(name, kFrameClassPrefix, sizeof kFrameClassPrefix - 1) == 0)
    PostMessageA(window, WM_COMMAND, kExitCommand, 0);
  return TRUE;
}

void EndTavos(DWORD pid) {
  // Opened first, so that what is waited for is the process that was asked to end.
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
  EnumWindows(PostExitToFrames, LPARAM(pid));
  if (process == nullptr) return;
  if (WaitForSingleObject(process, kEndWaitMs) != WAIT_OBJECT_0) {
    TerminateProcess(process, 0);
    WaitForSingleObject(process, kEndWaitMs);
  }
  CloseHandle(process);
}

}  // namespace

int EndRunningTavos() {
  Found found;
  if (!FindWithToolhelp(&found)) FindWithPsapi(&found);
  for (int i = 0; i < found.count; ++i) EndTavos(found.pids[i]);
  return found.count;
}

}  // namespace setup
