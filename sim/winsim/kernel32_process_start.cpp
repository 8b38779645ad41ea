// Starting programs and waiting for them: CreateProcessA, WaitForSingleObject on a process or
// its thread, exit codes, the caller's own command line, file name and identity.
#include <cstring>
#include <memory>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/process_objects.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

// The handle CreateProcessA gives for the new process's thread; waiting on it waits for the
// process, whose only thread it is.
class ThreadObject : public winsim::HandleObject {
 public:
  explicit ThreadObject(DWORD processId) : pid(processId) {}
  const char* Kind() const override { return "thread"; }
  const DWORD pid;
};

// The program file the command line starts with: a quoted path, or everything up to the
// first blank; ".exe" is added to a name without an extension.
std::string ProgramOf(const std::string& commandLine) {
  std::string program;
  if (!commandLine.empty() && commandLine[0] == '"') {
    size_t end = commandLine.find('"', 1);
    program = commandLine.substr(1, end == std::string::npos ? std::string::npos : end - 1);
  } else {
    program = commandLine.substr(0, commandLine.find_first_of(" \t"));
  }
  size_t name = program.find_last_of("\\/");
  if (program.find('.', name == std::string::npos ? 0 : name) == std::string::npos &&
      !program.empty())
    program += ".exe";
  return program;
}

// The process a process or thread handle stands for, with `access` (process handles only).
DWORD ProcessIdOf(HANDLE handle, DWORD access, bool* ok) {
  WindowsPc& pc = WindowsPc::Current();
  *ok = true;
  if (handle == GetCurrentProcess()) return pc.CurrentPid();
  if (auto* thread = pc.Handles().Get<ThreadObject>(handle)) return thread->pid;
  auto* process = pc.Handles().Get<winsim::ProcessObject>(handle);
  if (process == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    *ok = false;
    return 0;
  }
  if ((process->access & access) != access) {
    SetLastError(ERROR_ACCESS_DENIED);
    *ok = false;
  }
  return process->pid;
}

}  // namespace

BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                           LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                           LPSTARTUPINFOA lpStartupInfo,
                           LPPROCESS_INFORMATION lpProcessInformation) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  if (lpStartupInfo == nullptr || lpProcessInformation == nullptr) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  const std::string commandLine = lpCommandLine ? lpCommandLine : "";
  const std::string program = lpApplicationName ? lpApplicationName : ProgramOf(commandLine);
  if (program.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  DWORD error = 0;
  winsim::SimProcess* process = pc.Launch(program, commandLine, &error);
  if (process == nullptr) {
    SetLastError(error);
    return FALSE;
  }
  *lpProcessInformation = PROCESS_INFORMATION{};
  lpProcessInformation->hProcess = pc.Handles().Add(
      std::make_unique<winsim::ProcessObject>(process->pid, PROCESS_ALL_ACCESS), pc.CurrentPid());
  lpProcessInformation->hThread =
      pc.Handles().Add(std::make_unique<ThreadObject>(process->pid), pc.CurrentPid());
  lpProcessInformation->dwProcessId = process->pid;
  lpProcessInformation->dwThreadId = process->thread ? process->thread->tid : 0;
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  bool ok = false;
  const DWORD pid = ProcessIdOf(hHandle, SYNCHRONIZE, &ok);
  if (!ok) return WAIT_FAILED;
  if (pc.FindProcess(pid) == nullptr) return WAIT_OBJECT_0;
  if (dwMilliseconds == 0) return WAIT_TIMEOUT;
  winsim::SimThread* self = pc.CurrentThread();
  if (self == nullptr) {
    pc.Stub("WaitForSingleObject on the owner's thread");
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return WAIT_FAILED;
  }
  if (self->process->pid == pid) {
    pc.Violation("a process waits for its own end");
    return WAIT_TIMEOUT;
  }
  // The turn goes to the others until the process ends or the time is up.
  self->objectWait = {true, pid, dwMilliseconds != INFINITE, pc.Now() + dwMilliseconds};
  pc.WaitForWork(*self);
  self->objectWait = winsim::ObjectWait{};
  return pc.FindProcess(pid) == nullptr ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  winsim::SimScope scope;
  bool ok = false;
  const DWORD pid = ProcessIdOf(hProcess, PROCESS_QUERY_INFORMATION, &ok);
  if (!ok) return FALSE;
  winsim::SimProcess* process = WindowsPc::Current().FindAnyProcess(pid);
  if (lpExitCode == nullptr || process == nullptr) {
    SetLastError(lpExitCode ? ERROR_INVALID_HANDLE : ERROR_NOACCESS);
    return FALSE;
  }
  *lpExitCode = process->running ? STILL_ACTIVE : process->exitCode;
  return TRUE;
}

HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(LONG_PTR(-1)); }

DWORD WINAPI GetCurrentProcessId(void) { return WindowsPc::Current().CurrentPid(); }

LPSTR WINAPI GetCommandLineA(void) {
  winsim::SimThread* thread = WindowsPc::Current().CurrentThread();
  static char kOwner[] = "";
  return thread ? thread->process->commandLine.data() : kOwner;
}

// Only the program's own image: other modules are the system's, which no program here asks.
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  winsim::SimScope scope;
  WindowsPc& pc = WindowsPc::Current();
  winsim::SimThread* thread = pc.CurrentThread();
  if (thread == nullptr || (hModule != nullptr && hModule != winsim::SimProcess::ImageBase())) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  if (lpFilename == nullptr || nSize == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  // A name that does not fit is cut, as the NT family cuts it, and the error says so.
  const std::string& path = thread->process->exePath;
  winsim::CopyCut(lpFilename, nSize, path);
  if (path.size() >= nSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
  }
  return DWORD(path.size());
}

BOOL WINAPI IsWow64Process(HANDLE hProcess, PBOOL Wow64Process) {
  winsim::SimScope scope;
  bool ok = false;
  ProcessIdOf(hProcess, PROCESS_QUERY_INFORMATION, &ok);
  if (!ok) return FALSE;
  if (Wow64Process == nullptr) {
    SetLastError(ERROR_NOACCESS);
    return FALSE;
  }
  *Wow64Process = WindowsPc::Current().Profile().wow64;
  return TRUE;
}
