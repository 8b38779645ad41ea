// Walking the process list through PSAPI or Toolhelp, with the 16-bit tasks of each NTVDM
// from VDMDBG, all bound at run time.
#include "procs/process_enumerator.h"

#include "procs/bound_function.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

PROCESS_WIDE std::deque<std::unique_ptr<CProcessEntry>> g_pendingWowTasks;

namespace {

constexpr int kPidGrowth = 256;  // ids
constexpr char kSecurityRestriction[] = "N/A (security restriction)";
constexpr char kNameError[] = "N/A (error)";
constexpr char kVdmName[] = "NTVDM.EXE";
constexpr size_t kVdmNameLength = sizeof kVdmName - 1;

// The entry holds 255 characters, Toolhelp's names up to 259. A longer name keeps its end:
// the file name is there, and both users match names by how they end.
void CopyName(char* to, const char* from, size_t fromCapacity = SIZE_MAX) {
  size_t length = from ? strnlen(from, fromCapacity) : 0;
  size_t kept = std::min(length, size_t(CProcessEntry::kNameLength - 1));
  if (kept > 0) std::memcpy(to, from + (length - kept), kept);
  to[kept] = '\0';
}

bool IsVdmName(const char* name) {
  size_t length = std::strlen(name);
  if (length < kVdmNameLength) return false;
  const char* tail = name + length - kVdmNameLength;
  for (size_t i = 0; i < kVdmNameLength; ++i)
    if (std::toupper(static_cast<unsigned char>(tail[i])) != kVdmName[i]) return false;
  return true;
}

}  // namespace

CProcessEntry::CProcessEntry() : lpszName(new char[kNameLength]), dwPID(0), hTask16(0) {
  lpszName[0] = '\0';
}

CProcessEntry::~CProcessEntry() { delete[] lpszName; }

CProcessEnumerator::CProcessEnumerator()
    : m_nMethod(0),
      m_nPidCapacity(kPidGrowth),
      m_pPids(nullptr),
      m_pCurrentPid(nullptr),
      m_nPidsLeft(0),
      m_hSnapshot(INVALID_HANDLE_VALUE),
      m_processEntry{} {
  // sizeof is 296 on the 32-bit product; the 64-bit builds have a wider record.
  m_processEntry.dwSize = sizeof m_processEntry;
  m_hPsapi = LoadLibraryA("PSAPI");
  BindFunction(m_hPsapi, "EnumProcesses", &m_pfnEnumProcesses);
  BindFunction(m_hPsapi, "EnumProcessModules", &m_pfnEnumProcessModules);
  BindFunction(m_hPsapi, "GetModuleFileNameExA", &m_pfnGetModuleFileNameExA);
  m_hKernel32 = LoadLibraryA("Kernel32");
  BindFunction(m_hKernel32, "CreateToolhelp32Snapshot", &m_pfnCreateToolhelp32Snapshot);
  BindFunction(m_hKernel32, "Process32First", &m_pfnProcess32First);
  BindFunction(m_hKernel32, "Process32Next", &m_pfnProcess32Next);
  BindFunction(m_hKernel32, "Module32First", &m_pfnModule32First);
  BindFunction(m_hKernel32, "Module32Next", &m_pfnModule32Next);
  m_hVdmdbg = LoadLibraryA("VDMDBG");
  BindFunction(m_hVdmdbg, "VDMEnumTaskWOWEx", &m_pfnVDMEnumTaskWOWEx);

  int available = GetAvailableMethods();
  if (available & ENUM_PSAPI) m_nMethod = ENUM_PSAPI;
  if (available & ENUM_TOOLHELP) m_nMethod = ENUM_TOOLHELP;
  if (available & ENUM_VDM) m_nMethod |= ENUM_VDM;
}

CProcessEnumerator::~CProcessEnumerator() {
  delete[] m_pPids;
  if (m_hPsapi) FreeLibrary(m_hPsapi);
  if (m_hKernel32) FreeLibrary(m_hKernel32);
  if (m_hVdmdbg) FreeLibrary(m_hVdmdbg);
  if (m_hSnapshot != INVALID_HANDLE_VALUE) CloseHandle(m_hSnapshot);
  g_pendingWowTasks.clear();
}

int CProcessEnumerator::GetAvailableMethods() const {
  int available = 0;
  if (m_pfnEnumProcesses && m_pfnEnumProcessModules && m_pfnGetModuleFileNameExA)
    available |= ENUM_PSAPI;
  if (m_pfnCreateToolhelp32Snapshot && m_pfnProcess32First && m_pfnProcess32Next &&
      m_pfnModule32First && m_pfnModule32Next)
    available |= ENUM_TOOLHELP;
  if (m_pfnVDMEnumTaskWOWEx && available > 0) available |= ENUM_VDM;
  return available;
}

int CProcessEnumerator::SetMethod(int nMethod) {
  if (nMethod != ENUM_VDM && (nMethod & ~GetAvailableMethods()) == 0) m_nMethod = nMethod;
  return m_nMethod;
}

// m_nMethod is public: a bit set there whose functions are missing is ignored rather than
// called through a null pointer.
int CProcessEnumerator::MethodInForce() const { return m_nMethod & GetAvailableMethods(); }

BOOL CProcessEnumerator::ProcessFirst(CProcessEntry* entry) {
  int method = MethodInForce();
  if (entry == nullptr || !(method & (ENUM_PSAPI | ENUM_TOOLHELP))) return FALSE;
  // A walk begun again must not hand out the tasks an abandoned one had found.
  g_pendingWowTasks.clear();
  m_nPidsLeft = 0;
  entry->hTask16 = 0;
  if (method & ENUM_TOOLHELP) {
    if (m_hSnapshot != INVALID_HANDLE_VALUE) CloseHandle(m_hSnapshot);
    m_hSnapshot = m_pfnCreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (m_hSnapshot == INVALID_HANDLE_VALUE) return FALSE;
    if (!m_pfnProcess32First(m_hSnapshot, &m_processEntry)) return FALSE;
    entry->dwPID = m_processEntry.th32ProcessID;
    CopyName(entry->lpszName, m_processEntry.szExeFile, sizeof m_processEntry.szExeFile);
  } else {
    DWORD needed = 0;
    for (;;) {
      delete[] m_pPids;
      m_pPids = new DWORD[m_nPidCapacity];
      m_pCurrentPid = m_pPids;
      needed = 0;
      // A failed call ends the walk before its byte count is trusted.
      if (!m_pfnEnumProcesses(m_pPids, DWORD(m_nPidCapacity * sizeof(DWORD)), &needed))
        return FALSE;
      // A full buffer may have cut the list: make room for more and ask again.
      if (needed < m_nPidCapacity * sizeof(DWORD)) break;
      m_nPidCapacity += kPidGrowth;
    }
    m_nPidsLeft = int(needed / sizeof(DWORD));
    // No process at all: there is no first id to read.
    if (m_nPidsLeft == 0) return FALSE;
    FillEntryFromPid(*m_pCurrentPid, entry);
  }
  QueueWowTasks(entry);
  return TRUE;
}

BOOL CProcessEnumerator::ProcessNext(CProcessEntry* entry) {
  int method = MethodInForce();
  if (entry == nullptr || !(method & (ENUM_PSAPI | ENUM_TOOLHELP))) return FALSE;
  entry->hTask16 = 0;
  if (!g_pendingWowTasks.empty()) {
    std::unique_ptr<CProcessEntry> task = std::move(g_pendingWowTasks.front());
    g_pendingWowTasks.pop_front();
    std::memcpy(entry->lpszName, task->lpszName, CProcessEntry::kNameLength);
    entry->dwPID = task->dwPID;
    entry->hTask16 = task->hTask16;
    return TRUE;
  }
  if (method & ENUM_TOOLHELP) {
    if (m_hSnapshot == INVALID_HANDLE_VALUE) return FALSE;
    if (!m_pfnProcess32Next(m_hSnapshot, &m_processEntry)) return FALSE;
    entry->dwPID = m_processEntry.th32ProcessID;
    CopyName(entry->lpszName, m_processEntry.szExeFile, sizeof m_processEntry.szExeFile);
  } else {
    // Stays at 0 once the list is done, however often the caller asks again.
    if (m_nPidsLeft <= 1) {
      m_nPidsLeft = 0;
      return FALSE;
    }
    --m_nPidsLeft;
    ++m_pCurrentPid;
    FillEntryFromPid(*m_pCurrentPid, entry);
  }
  QueueWowTasks(entry);
  return TRUE;
}

BOOL CProcessEnumerator::FillEntryFromPid(DWORD pid, CProcessEntry* entry) {
  entry->dwPID = pid;
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process == nullptr) {
    CopyName(entry->lpszName, kSecurityRestriction);
    return TRUE;
  }
  // The first module is the program's image: room for one handle is enough.
  HMODULE module = nullptr;
  DWORD needed = 0;
  if (m_pfnEnumProcessModules(process, &module, sizeof module, &needed) &&
      needed >= sizeof module &&
      m_pfnGetModuleFileNameExA(process, module, entry->lpszName, CProcessEntry::kNameLength) !=
          0) {
    entry->lpszName[CProcessEntry::kNameLength - 1] = '\0';
  } else {
    // Whether the module list or the file name failed, the entry gets a name of its own: the
    // previous entry's name would let this process pass for that one.
    CopyName(entry->lpszName, kNameError);
  }
  CloseHandle(process);
  return TRUE;
}

void CProcessEnumerator::QueueWowTasks(const CProcessEntry* entry) {
  if ((MethodInForce() & ENUM_VDM) && IsVdmName(entry->lpszName))
    m_pfnVDMEnumTaskWOWEx(entry->dwPID, &OnWowTask, LPARAM(entry->dwPID));
}

BOOL WINAPI CProcessEnumerator::OnWowTask(DWORD, WORD, WORD hTask16, PSZ, PSZ pszFileName,
                                          LPARAM lParam) {
  auto task = std::make_unique<CProcessEntry>();
  CopyName(task->lpszName, pszFileName);
  task->hTask16 = hTask16;
  task->dwPID = DWORD(lParam);
  g_pendingWowTasks.push_back(std::move(task));
  return FALSE;  // go on with the next task
}
