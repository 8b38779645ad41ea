// CProcessEnumerator lists the running processes, and the 16-bit tasks inside each NTVDM;
// CProcessEntry is one entry of the list.
//
// Every platform interface is bound by name at run time, because each Windows family lacks
// some: PSAPI (NT 4.0 and later), Toolhelp in Kernel32 (not on NT 4.0 and older) and VDMDBG
// (the NT family's 16-bit tasks).
#pragma once

#include <deque>
#include <memory>

#include "platform/win32.h"

#define ENUM_PSAPI 1
#define ENUM_TOOLHELP 2
#define ENUM_VDM 4  // only together with one of the other two

class CProcessEntry {
 public:
  CProcessEntry();
  virtual ~CProcessEntry();
  CProcessEntry(const CProcessEntry&) = delete;
  CProcessEntry& operator=(const CProcessEntry&) = delete;

  static constexpr int kNameLength = 256;
  char* lpszName;  // owned, kNameLength bytes, always terminated
  DWORD dwPID;     // for a 16-bit task: its NTVDM's id
  WORD hTask16;    // non-zero only for a 16-bit task
};

// 16-bit tasks found but not yet handed out, in the order the system reported them.
extern PROCESS_WIDE std::deque<std::unique_ptr<CProcessEntry>> g_pendingWowTasks;

// One walk per enumerator: ProcessFirst once, then ProcessNext until it returns FALSE.
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
  typedef BOOL(WINAPI* EnumProcessesFn)(DWORD*, DWORD, DWORD*);
  typedef BOOL(WINAPI* EnumProcessModulesFn)(HANDLE, HMODULE*, DWORD, DWORD*);
  typedef DWORD(WINAPI* GetModuleFileNameExAFn)(HANDLE, HMODULE, LPSTR, DWORD);
  typedef HANDLE(WINAPI* CreateToolhelp32SnapshotFn)(DWORD, DWORD);
  typedef BOOL(WINAPI* Process32Fn)(HANDLE, LPPROCESSENTRY32);
  typedef BOOL(WINAPI* Module32Fn)(HANDLE, LPMODULEENTRY32);
  typedef BOOL(WINAPI* WowTaskCallback)(DWORD, WORD, WORD, PSZ, PSZ, LPARAM);
  typedef INT(WINAPI* VdmEnumTaskWowExFn)(DWORD, WowTaskCallback, LPARAM);

  BOOL FillEntryFromPid(DWORD pid, CProcessEntry* entry);
  static BOOL WINAPI OnWowTask(DWORD dwThreadId, WORD hMod16, WORD hTask16, PSZ pszModName,
                               PSZ pszFileName, LPARAM lParam);
  // The bits of m_nMethod whose functions are bound.
  int MethodInForce() const;
  void QueueWowTasks(const CProcessEntry* entry);

  // PSAPI
  HMODULE m_hPsapi;
  DWORD m_nPidCapacity;  // in ids
  DWORD* m_pPids;
  DWORD* m_pCurrentPid;
  int m_nPidsLeft;
  EnumProcessesFn m_pfnEnumProcesses;
  EnumProcessModulesFn m_pfnEnumProcessModules;
  GetModuleFileNameExAFn m_pfnGetModuleFileNameExA;

  // Toolhelp
  HANDLE m_hSnapshot;
  HMODULE m_hKernel32;
  PROCESSENTRY32 m_processEntry;
  CreateToolhelp32SnapshotFn m_pfnCreateToolhelp32Snapshot;
  Process32Fn m_pfnProcess32First;
  Process32Fn m_pfnProcess32Next;
  Module32Fn m_pfnModule32First;
  Module32Fn m_pfnModule32Next;

  // VDM
  HMODULE m_hVdmdbg;
  VdmEnumTaskWowExFn m_pfnVDMEnumTaskWOWEx;
};
