// Walking the process list through Toolhelp, bound at run time.
#include "procs/process_enumerator.h"

#include <cstring>

namespace {

template <class Function>
void Bind(HMODULE module, const char* name, Function** function) {
  *function = module ? reinterpret_cast<Function*>(
                           reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                     : nullptr;
}

}  // namespace

CProcessEntry::CProcessEntry() : lpszName(new char[kNameLength]), dwPID(0), hTask16(0) {
  lpszName[0] = '\0';
}

CProcessEntry::~CProcessEntry() { delete[] lpszName; }

CProcessEnumerator::CProcessEnumerator()
    : m_nMethod(0), m_hSnapshot(INVALID_HANDLE_VALUE), m_processEntry{} {
  m_processEntry.dwSize = sizeof m_processEntry;
  m_hKernel32 = LoadLibraryA("Kernel32");
  Bind(m_hKernel32, "CreateToolhelp32Snapshot", &m_pfnCreateToolhelp32Snapshot);
  Bind(m_hKernel32, "Process32First", &m_pfnProcess32First);
  Bind(m_hKernel32, "Process32Next", &m_pfnProcess32Next);
  int available = GetAvailableMethods();
  if (available & ENUM_PSAPI) m_nMethod = ENUM_PSAPI;
  if (available & ENUM_TOOLHELP) m_nMethod = ENUM_TOOLHELP;
  if (available & ENUM_VDM) m_nMethod |= ENUM_VDM;
}

CProcessEnumerator::~CProcessEnumerator() {
  if (m_hSnapshot != INVALID_HANDLE_VALUE) CloseHandle(m_hSnapshot);
  if (m_hKernel32) FreeLibrary(m_hKernel32);
}

int CProcessEnumerator::GetAvailableMethods() const {
  bool toolhelp = m_pfnCreateToolhelp32Snapshot && m_pfnProcess32First && m_pfnProcess32Next;
  return toolhelp ? ENUM_TOOLHELP : 0;
}

int CProcessEnumerator::SetMethod(int nMethod) {
  if (nMethod != ENUM_VDM && (nMethod & GetAvailableMethods()) == nMethod) m_nMethod = nMethod;
  return m_nMethod;
}

void CProcessEnumerator::CopyToolhelpEntry(CProcessEntry* entry) const {
  entry->dwPID = m_processEntry.th32ProcessID;
  // Longer names are cut to the entry's 255 characters.
  size_t length = strnlen(m_processEntry.szExeFile, sizeof m_processEntry.szExeFile);
  if (length > CProcessEntry::kNameLength - 1) length = CProcessEntry::kNameLength - 1;
  std::memcpy(entry->lpszName, m_processEntry.szExeFile, length);
  entry->lpszName[length] = '\0';
}

BOOL CProcessEnumerator::ProcessFirst(CProcessEntry* entry) {
  if (!(m_nMethod & ENUM_TOOLHELP)) return FALSE;
  if (m_hSnapshot != INVALID_HANDLE_VALUE) CloseHandle(m_hSnapshot);
  m_hSnapshot = m_pfnCreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (m_hSnapshot == INVALID_HANDLE_VALUE) return FALSE;
  if (!m_pfnProcess32First(m_hSnapshot, &m_processEntry)) return FALSE;
  entry->hTask16 = 0;
  CopyToolhelpEntry(entry);
  return TRUE;
}

BOOL CProcessEnumerator::ProcessNext(CProcessEntry* entry) {
  if (!(m_nMethod & ENUM_TOOLHELP) || m_hSnapshot == INVALID_HANDLE_VALUE) return FALSE;
  entry->hTask16 = 0;
  if (!m_pfnProcess32Next(m_hSnapshot, &m_processEntry)) return FALSE;
  CopyToolhelpEntry(entry);
  return TRUE;
}
