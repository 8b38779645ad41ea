// Modules: the program's own image and the system libraries each Windows version has,
// with the functions a program may bind by name at run time.
#include <strings.h>

#include <string>

#include "platform/win32.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_functions.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

struct Library {
  const char* name;
  uintptr_t base;
  bool (*present)(const winsim::OsProfile&);
  // Mapped into every program from its start (the libraries a program imports); the others
  // only once LoadLibraryA loaded them.
  bool imported;
};

const Library kLibraries[] = {
    {"KERNEL32", 0x7C800000, [](const winsim::OsProfile&) { return true; }, true},
    {"USER32", 0x7E410000, [](const winsim::OsProfile&) { return true; }, true},
    {"SHELL32", 0x7C9C0000, [](const winsim::OsProfile&) { return true; }, true},
    {"ADVAPI32", 0x77DD0000, [](const winsim::OsProfile&) { return true; }, true},
    {"OLE32", 0x774E0000, [](const winsim::OsProfile&) { return true; }, true},
    // Only where it has the device-interface functions (98, 2000 and later).
    {"SETUPAPI", 0x77920000,
     [](const winsim::OsProfile& p) {
       return winsim::ProfileHas(p,
                                 *winsim::FindListedFunction("SETUPAPI", "SetupDiGetClassDevsA"));
     },
     false},
    {"PSAPI", 0x76BF0000, [](const winsim::OsProfile& p) { return p.hasPsapi; }, false},
    {"VDMDBG", 0x6FFA0000, [](const winsim::OsProfile& p) { return p.hasVdmdbg; }, false},
};

// Through a plain function pointer type, as GetProcAddress hands out any function.
template <class Function>
FARPROC AsFarProc(Function* function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

struct Export {
  const char* library;
  const char* name;
  FARPROC address;
  bool toolhelp;  // exists only where the profile has Toolhelp
};

const Export kExports[] = {
    {"KERNEL32", "CreateToolhelp32Snapshot", AsFarProc(&CreateToolhelp32Snapshot), true},
    {"KERNEL32", "Process32First", AsFarProc(&Process32First), true},
    {"KERNEL32", "Process32Next", AsFarProc(&Process32Next), true},
    {"KERNEL32", "Module32First", AsFarProc(&Module32First), true},
    {"KERNEL32", "Module32Next", AsFarProc(&Module32Next), true},
    {"KERNEL32", "OpenProcess", AsFarProc(&OpenProcess), false},
    {"PSAPI", "EnumProcesses", AsFarProc(&EnumProcesses), false},
    {"PSAPI", "EnumProcessModules", AsFarProc(&EnumProcessModules), false},
    {"PSAPI", "GetModuleFileNameExA", AsFarProc(&GetModuleFileNameExA), false},
    {"VDMDBG", "VDMEnumTaskWOWEx", AsFarProc(&VDMEnumTaskWOWEx), false},
    {"SHELL32", "Shell_NotifyIconA", AsFarProc(&Shell_NotifyIconA), false},
    {"USER32", "SetMenuDefaultItem", AsFarProc(&SetMenuDefaultItem), false},
    {"USER32", "SetLayeredWindowAttributes", AsFarProc(&SetLayeredWindowAttributes), false},
    {"SETUPAPI", "SetupDiGetClassDevsA", AsFarProc(&SetupDiGetClassDevsA), false},
    {"SETUPAPI", "SetupDiEnumDeviceInterfaces", AsFarProc(&SetupDiEnumDeviceInterfaces), false},
    {"SETUPAPI", "SetupDiGetDeviceInterfaceDetailA", AsFarProc(&SetupDiGetDeviceInterfaceDetailA),
     false},
    {"SETUPAPI", "SetupDiDestroyDeviceInfoList", AsFarProc(&SetupDiDestroyDeviceInfoList), false},
    {"KERNEL32", "IsWow64Process", AsFarProc(&IsWow64Process), false},
    {"SHELL32", "SHGetSpecialFolderLocation", AsFarProc(&SHGetSpecialFolderLocation), false},
    {"SHELL32", "SHGetPathFromIDListA", AsFarProc(&SHGetPathFromIDListA), false},
    {"SHELL32", "SHGetMalloc", AsFarProc(&SHGetMalloc), false},
    {"KERNEL32", "MoveFileExA", AsFarProc(&MoveFileExA), false},
    {"ADVAPI32", "OpenSCManagerA", AsFarProc(&OpenSCManagerA), false},
    {"ADVAPI32", "OpenServiceA", AsFarProc(&OpenServiceA), false},
    {"ADVAPI32", "CreateServiceA", AsFarProc(&CreateServiceA), false},
    {"ADVAPI32", "StartServiceA", AsFarProc(&StartServiceA), false},
    {"ADVAPI32", "ControlService", AsFarProc(&ControlService), false},
    {"ADVAPI32", "QueryServiceStatus", AsFarProc(&QueryServiceStatus), false},
    {"ADVAPI32", "DeleteService", AsFarProc(&DeleteService), false},
    {"ADVAPI32", "CloseServiceHandle", AsFarProc(&CloseServiceHandle), false},
};

// "psapi.dll", "PSAPI" and "C:\WINDOWS\SYSTEM32\PSAPI.DLL" all name the same library.
std::string BaseName(const std::string& name) {
  std::string base =
      name.substr(name.find_last_of("\\/") == std::string::npos ? 0 : name.find_last_of("\\/") + 1);
  if (base.size() > 4 && strcasecmp(base.c_str() + base.size() - 4, ".DLL") == 0)
    base.resize(base.size() - 4);
  return base;
}

const Library* Find(const std::string& name) {
  const winsim::OsProfile& profile = WindowsPc::Current().Profile();
  for (const Library& library : kLibraries)
    if (strcasecmp(library.name, BaseName(name).c_str()) == 0 && library.present(profile))
      return &library;
  return nullptr;
}

const Library* FindByHandle(HMODULE module) {
  for (const Library& library : kLibraries)
    if (reinterpret_cast<HMODULE>(library.base) == module &&
        library.present(WindowsPc::Current().Profile()))
      return &library;
  return nullptr;
}

}  // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
  const Library* library = lpLibFileName ? Find(lpLibFileName) : nullptr;
  if (library == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // Counted per process, so that a test sees a program free what it loaded.
  if (winsim::SimThread* thread = WindowsPc::Current().CurrentThread())
    ++thread->process->libraryReferences[library->name];
  return reinterpret_cast<HMODULE>(library->base);
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
  const Library* library = FindByHandle(hLibModule);
  if (library == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (winsim::SimThread* thread = WindowsPc::Current().CurrentThread()) {
    // Windows would unload the library under whoever still uses it.
    if (--thread->process->libraryReferences[library->name] < 0)
      WindowsPc::Current().Violation(std::string("FreeLibrary of ") + library->name +
                                     " more often than LoadLibraryA");
  }
  return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  winsim::SimScope scope;
  if (lpModuleName == nullptr) return winsim::SimProcess::ImageBase();
  // No reference is taken: the program does not free what it did not load.
  const Library* library = Find(lpModuleName);
  winsim::SimThread* thread = WindowsPc::Current().CurrentThread();
  // A library is mapped from the start when the program imports from it (every program has
  // KERNEL32); a program started without a declared import list maps them all.
  bool mapped = library != nullptr &&
                (thread == nullptr ||
                 (library->imported && thread->process->Imports(library->name)));
  if (library != nullptr && !mapped) {
    const auto& references = thread->process->libraryReferences;
    auto found = references.find(library->name);
    mapped = found != references.end() && found->second > 0;
  }
  if (!mapped) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HMODULE>(library->base);
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  winsim::SimScope scope;
  const Library* library = FindByHandle(hModule);
  if (library == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  const winsim::OsProfile& profile = WindowsPc::Current().Profile();
  if (lpProcName != nullptr && !IS_INTRESOURCE(lpProcName)) {
    for (const Export& entry : kExports) {
      if (strcasecmp(entry.library, library->name) != 0 || std::string(entry.name) != lpProcName)
        continue;
      // The versions come from the programs' function lists; what they do not list is found.
      const winsim::WindowsFunction* listed = winsim::FindListedFunction(entry.library, entry.name);
      if ((listed == nullptr || winsim::ProfileHas(profile, *listed)) &&
          (!entry.toolhelp || profile.hasToolhelp))
        return entry.address;
    }
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}
