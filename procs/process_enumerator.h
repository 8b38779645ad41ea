// CProcessEnumerator lists the running processes; CProcessEntry is one process of the list.
//
// The Toolhelp method is bound by name at run time (it is missing on Windows NT 4.0 and
// older); PSAPI and the 16-bit tasks of VDMDBG join when the enumeration module lands.
#pragma once

#include "platform/win32.h"

#define ENUM_PSAPI 1
#define ENUM_TOOLHELP 2
#define ENUM_VDM 4

class CProcessEntry {
 public:
  CProcessEntry();
  virtual ~CProcessEntry();
  CProcessEntry(const CProcessEntry&) = delete;
  CProcessEntry& operator=(const CProcessEntry&) = delete;

  static constexpr int kNameLength = 256;
  char* lpszName;  // owned, kNameLength bytes, always terminated
  DWORD dwPID;
  WORD hTask16;    // non-zero only for a 16-bit task
};

class CProcessEnumerator {
 public:
  CProcessEnumerator();
  virtual ~CProcessEnumerator();
  CProcessEnumerator(const CProcessEnumerator&) = delete;
  CProcessEnumerator& operator=(const CProcessEnumerator&) = delete;

  int GetAvailableMethods() const;
  // Takes `nMethod` when it is not 4 alone and every bit of it is available; returns the
  // method in force.
  int SetMethod(int nMethod);
  BOOL ProcessFirst(CProcessEntry* entry);
  BOOL ProcessNext(CProcessEntry* entry);

  int m_nMethod;

 private:
  void CopyToolhelpEntry(CProcessEntry* entry) const;

  HANDLE m_hSnapshot;
  HMODULE m_hKernel32;
  PROCESSENTRY32 m_processEntry;
  HANDLE(WINAPI* m_pfnCreateToolhelp32Snapshot)(DWORD, DWORD);
  BOOL(WINAPI* m_pfnProcess32First)(HANDLE, LPPROCESSENTRY32);
  BOOL(WINAPI* m_pfnProcess32Next)(HANDLE, LPPROCESSENTRY32);
};
