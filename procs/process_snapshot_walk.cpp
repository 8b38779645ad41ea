// The snapshot walk shared by the media-program scan and the media-program control.
#include "procs/process_snapshot_walk.h"

#include "procs/bound_function.h"

namespace {
typedef HANDLE(WINAPI* CreateSnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE, LPPROCESSENTRY32);
}  // namespace

void WalkProcessSnapshot(const std::function<bool(const PROCESSENTRY32&)>& visit) {
  CreateSnapshotFn createSnapshot = nullptr;
  ProcessWalkFn first = nullptr;
  ProcessWalkFn next = nullptr;
  HMODULE kernel32 = GetModuleHandleA("KERNEL32");
  BindFunction(kernel32, "CreateToolhelp32Snapshot", &createSnapshot);
  BindFunction(kernel32, "Process32First", &first);
  BindFunction(kernel32, "Process32Next", &next);
  if (createSnapshot == nullptr || first == nullptr || next == nullptr) return;

  HANDLE snapshot = createSnapshot(TH32CS_SNAPALL, 0);
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;  // 296 on the 32-bit product
  for (BOOL more = first(snapshot, &entry); more; more = next(snapshot, &entry))
    if (!visit(entry)) break;
  if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
}
