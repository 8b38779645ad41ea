// The process walk shared by the media-program scan and the media-program control.
#include "procs/process_snapshot_walk.h"

#include <cstring>

#include "procs/bound_function.h"
#include "procs/process_enumerator.h"

namespace {

typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE, LPPROCESSENTRY32);

// False when this Windows has no Toolhelp.
bool WalkToolhelp(const std::function<bool(const PROCESSENTRY32&)>& visit) {
  CreateSnapshotFn createSnapshot = nullptr;
  ProcessWalkFn first = nullptr;
  ProcessWalkFn next = nullptr;
  HMODULE kernel32 = GetModuleHandleA("KERNEL32");
  BindFunction(kernel32, "CreateToolhelp32Snapshot", &createSnapshot);
  BindFunction(kernel32, "Process32First", &first);
  BindFunction(kernel32, "Process32Next", &next);
  if (createSnapshot == nullptr || first == nullptr || next == nullptr) return false;

  HANDLE snapshot = createSnapshot(TH32CS_SNAPALL, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;  // 296 on the 32-bit product
  for (BOOL more = first(snapshot, &entry); more; more = next(snapshot, &entry))
    if (!visit(entry)) break;
  if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
  return true;
}

// The file name after the last backslash; a trail byte that looks like one is skipped.
const char* FileNamePart(const char* path) {
  const char* name = path;
  for (const char* at = path; *at != '\0'; ++at) {
    if (IsDBCSLeadByte(BYTE(*at)) && at[1] != '\0') {
      ++at;
      continue;
    }
    if (*at == '\\') name = at + 1;
  }
  return name;
}

void WalkPsapi(const std::function<bool(const PROCESSENTRY32&)>& visit) {
  CProcessEnumerator enumerator;
  if (enumerator.SetMethod(ENUM_PSAPI) != ENUM_PSAPI) return;
  CProcessEntry process;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = enumerator.ProcessFirst(&process); more; more = enumerator.ProcessNext(&process)) {
    entry.th32ProcessID = process.dwPID;
    const char* name = FileNamePart(process.lpszName);
    std::strncpy(entry.szExeFile, name, sizeof entry.szExeFile - 1);
    entry.szExeFile[sizeof entry.szExeFile - 1] = '\0';
    if (!visit(entry)) break;
  }
}

}  // namespace

void WalkProcessSnapshot(const std::function<bool(const PROCESSENTRY32&)>& visit) {
  if (!WalkToolhelp(visit)) WalkPsapi(visit);
}
