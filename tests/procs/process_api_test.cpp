// The simulated process functions the enumerator binds: the system's own processes,
// OpenProcess, PSAPI, VDMDBG, module snapshots, and binding them by name per Windows version.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include "tests/procs/procs_fixture.h"

namespace procs_test {
namespace {

constexpr DWORD kRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
constexpr DWORD kUntouched = 0xDEADBEEF;
const HMODULE kImage = reinterpret_cast<HMODULE>(0x00400000);
const HMODULE kNtdll = reinterpret_cast<HMODULE>(0x7C900000);
const HMODULE kKernel32 = reinterpret_cast<HMODULE>(0x7C800000);

using ProcessApiTest = ProcsTest;

TEST_F(ProcessApiTest, EachFamilyBootsItsSystemProcessesSilently) {
  struct Case {
    const char* os;
    std::vector<DWORD> pids;
    std::vector<bool> openable;
  };
  const std::vector<bool> nt{false, false, true, false, true, true};
  const Case cases[] = {
      {"95", {0xFFFB0E5F, 0xFFFA4C33, 0xFFF9D8A7, 0xFFF6F1BF}, {true, true, true, true}},
      {"me", {0xFFFB0E5F, 0xFFFA4C33, 0xFFF9D8A7, 0xFFF6F1BF}, {true, true, true, true}},
      {"nt351", {0, 2, 0x88, 0xA0, 0xB4, 0xF0}, nt},
      {"nt4", {0, 2, 0x88, 0xA0, 0xB4, 0xF0}, nt},
      {"2000", {0, 8, 0x88, 0xA0, 0xB4, 0xF0}, nt},
      {"xp", {0, 4, 0x88, 0xA0, 0xB4, 0xF0}, nt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.os);
    Boot(c.os);
    std::vector<DWORD> pids;
    std::vector<bool> openable;
    for (winsim::SimProcess* process : Pc().Processes()) {
      pids.push_back(process->pid);
      openable.push_back(process->openable);
      EXPECT_TRUE(process->system && process->passive && process->running);
    }
    EXPECT_EQ(c.pids, pids);
    EXPECT_EQ(c.openable, openable);
    EXPECT_EQ(std::vector<std::string>{}, Pc().Events().Lines());
  }

  // Another version brings its own system processes; the user's programs stay, after them.
  Boot("xp");
  DWORD mail = Pc().StartPassiveProcess("C:\\Apps\\Mail.exe").pid;
  winsim::OsProfile windows95{};
  ASSERT_TRUE(winsim::ProfileByName("95", &windows95));
  Pc().SetProfile(windows95);
  std::vector<std::string> paths;
  for (winsim::SimProcess* process : Pc().Processes()) paths.push_back(process->exePath);
  EXPECT_EQ(
      (std::vector<std::string>{
          "C:\\WINDOWS\\SYSTEM\\KERNEL32.DLL", "C:\\WINDOWS\\SYSTEM\\MSGSRV32.EXE",
          "C:\\WINDOWS\\SYSTEM\\MPREXE.EXE", "C:\\WINDOWS\\EXPLORER.EXE", "C:\\Apps\\Mail.exe"}),
      paths);
  EXPECT_EQ(mail, Pc().Processes().back()->pid);
  EXPECT_EQ(1u, Pc().Events().Lines().size());
}

TEST_F(ProcessApiTest, OpenProcessHandsOutCountedHandlesOnlyWhereAllowed) {
  Boot("xp");
  winsim::SimProcess& mail = Pc().StartPassiveProcess("C:\\Apps\\Mail.exe");
  winsim::SimProcess& ended = Pc().StartPassiveProcess("C:\\Apps\\Ended.exe");
  Pc().EndProcess(ended, 0);
  InProgram([&] {
    DWORD self = Pc().CurrentPid();
    HANDLE process = OpenProcess(kRead, FALSE, mail.pid);
    ASSERT_NE(nullptr, process);
    EXPECT_EQ(1u, Pc().Handles().OpenCount(self));
    HANDLE own = OpenProcess(kRead, FALSE, self);
    EXPECT_NE(nullptr, own);
    EXPECT_TRUE(CloseHandle(own));
    EXPECT_TRUE(CloseHandle(process));
    EXPECT_EQ(0u, Pc().Handles().OpenCount(self));
    SetLastError(kUntouched);
    EXPECT_FALSE(CloseHandle(process));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());

    struct Refusal {
      DWORD pid;
      DWORD error;
    };
    const Refusal refusals[] = {{0, ERROR_INVALID_PARAMETER},  // the idle process
                                {4, ERROR_ACCESS_DENIED},      // System
                                {0xA0, ERROR_ACCESS_DENIED},   // csrss.exe
                                {ended.pid, ERROR_INVALID_PARAMETER},
                                {0x7FFF0, ERROR_INVALID_PARAMETER}};
    for (const Refusal& refusal : refusals) {
      SetLastError(kUntouched);
      EXPECT_EQ(nullptr, OpenProcess(kRead, FALSE, refusal.pid)) << refusal.pid;
      EXPECT_EQ(refusal.error, GetLastError()) << refusal.pid;
    }
    EXPECT_EQ(0u, Pc().Handles().OpenCount(self));
  });
}

TEST_F(ProcessApiTest, EnumProcessesFillsWhatFitsAndReportsTheBytesItUsed) {
  Boot("nt4");
  Pc().StartPassiveProcess("C:\\Apps\\Mail.exe");
  InProgram([&] {
    std::vector<DWORD> all;
    for (winsim::SimProcess* process : Pc().Processes()) all.push_back(process->pid);
    ASSERT_EQ(8u, all.size());
    struct Case {
      DWORD bytes;
      size_t ids;  // written, and reported as bytes used
    };
    for (const Case& c : {Case{40, 8}, Case{32, 8}, Case{8, 2}, Case{6, 1}, Case{3, 0}}) {
      std::vector<DWORD> buffer(12, kUntouched);
      DWORD needed = kUntouched;
      EXPECT_TRUE(EnumProcesses(buffer.data(), c.bytes, &needed)) << c.bytes;
      EXPECT_EQ(c.ids * sizeof(DWORD), needed) << c.bytes;
      std::vector<DWORD> expected(all.begin(), all.begin() + c.ids);
      expected.resize(12, kUntouched);
      EXPECT_EQ(expected, buffer) << c.bytes;
    }
    DWORD needed = kUntouched;
    EXPECT_TRUE(EnumProcesses(nullptr, 0, &needed));
    EXPECT_EQ(0u, needed);
    DWORD ids[4];
    SetLastError(kUntouched);
    EXPECT_FALSE(EnumProcesses(ids, sizeof ids, nullptr));
    EXPECT_EQ(DWORD(ERROR_NOACCESS), GetLastError());
  });
  // Windows 95 has no PSAPI at all.
  Boot("95");
  DWORD ids[4], needed = 0;
  SetLastError(kUntouched);
  EXPECT_FALSE(EnumProcesses(ids, sizeof ids, &needed));
  EXPECT_EQ(DWORD(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
}

TEST_F(ProcessApiTest, EnumProcessModulesNeedsQueryAndReadRightsAndReadableLoaderData) {
  Boot("xp");
  winsim::SimProcess& mail = Pc().StartPassiveProcess("C:\\Apps\\Mail.exe");
  winsim::SimProcess& starting = Pc().StartPassiveProcess("C:\\Apps\\Starting.exe");
  starting.modulesReadable = false;
  winsim::SimProcess& leaving = Pc().StartPassiveProcess("C:\\Apps\\Leaving.exe");
  InProgram([&] {
    HANDLE process = OpenProcess(kRead, FALSE, mail.pid);
    HMODULE first = nullptr;
    DWORD needed = 0;
    // One handle's room is no failure: the bytes needed tell how many there are.
    EXPECT_TRUE(EnumProcessModules(process, &first, sizeof first, &needed));
    EXPECT_EQ(kImage, first);
    EXPECT_EQ(3 * sizeof(HMODULE), needed);
    HMODULE modules[4] = {};
    EXPECT_TRUE(EnumProcessModules(process, modules, sizeof modules, &needed));
    EXPECT_EQ(kImage, modules[0]);
    EXPECT_EQ(kNtdll, modules[1]);
    EXPECT_EQ(kKernel32, modules[2]);
    EXPECT_EQ(nullptr, modules[3]);
    CloseHandle(process);

    struct Refusal {
      const char* what;
      HANDLE handle;
      DWORD error;
    };
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    HANDLE queryOnly = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, mail.pid);
    HANDLE readOnly = OpenProcess(PROCESS_VM_READ, FALSE, mail.pid);
    HANDLE unreadable = OpenProcess(kRead, FALSE, starting.pid);
    HANDLE gone = OpenProcess(kRead, FALSE, leaving.pid);
    Pc().EndProcess(leaving, 0);
    const Refusal refusals[] = {{"query right only", queryOnly, ERROR_ACCESS_DENIED},
                                {"read right only", readOnly, ERROR_ACCESS_DENIED},
                                {"loader data unreadable", unreadable, ERROR_PARTIAL_COPY},
                                {"process ended", gone, ERROR_PARTIAL_COPY},
                                {"a snapshot", snapshot, ERROR_INVALID_HANDLE},
                                {"no handle", nullptr, ERROR_INVALID_HANDLE}};
    for (const Refusal& refusal : refusals) {
      SetLastError(kUntouched);
      first = nullptr;
      EXPECT_FALSE(EnumProcessModules(refusal.handle, &first, sizeof first, &needed))
          << refusal.what;
      EXPECT_EQ(refusal.error, GetLastError()) << refusal.what;
      EXPECT_EQ(nullptr, first) << refusal.what;
      if (refusal.handle) CloseHandle(refusal.handle);
    }
    EXPECT_EQ(0u, Pc().Handles().OpenCount(Pc().CurrentPid()));
  });
}

TEST_F(ProcessApiTest, GetModuleFileNameExACutsAndTerminatesWithinTheBuffer) {
  Boot("nt4");
  winsim::SimProcess& mail = Pc().StartPassiveProcess("C:\\Apps\\Mail.exe");
  winsim::SimProcess& nameless = Pc().StartPassiveProcess("C:\\Apps\\Nameless.exe");
  nameless.moduleNamesReadable = false;
  InProgram([&] {
    HANDLE process = OpenProcess(kRead, FALSE, mail.pid);
    char name[32];
    EXPECT_EQ(16u, GetModuleFileNameExA(process, kImage, name, sizeof name));
    EXPECT_STREQ("C:\\Apps\\Mail.exe", name);
    EXPECT_EQ(16u, GetModuleFileNameExA(process, nullptr, name, sizeof name));
    EXPECT_STREQ("C:\\Apps\\Mail.exe", name);
    EXPECT_EQ(29u, GetModuleFileNameExA(process, kNtdll, name, sizeof name));
    EXPECT_STREQ("C:\\WINDOWS\\system32\\ntdll.dll", name);

    std::memset(name, 'x', sizeof name);
    EXPECT_EQ(7u, GetModuleFileNameExA(process, kImage, name, 8));
    EXPECT_EQ("C:\\Apps" + std::string(1, '\0') + std::string(24, 'x'),
              std::string(name, sizeof name));

    struct Refusal {
      const char* what;
      HANDLE handle;
      HMODULE module;
      DWORD size;
      DWORD error;
    };
    HANDLE unnamed = OpenProcess(kRead, FALSE, nameless.pid);
    const Refusal refusals[] = {{"no room", process, kImage, 0, ERROR_INSUFFICIENT_BUFFER},
                                {"a module it has not", process,
                                 reinterpret_cast<HMODULE>(0x10000000), 32, ERROR_INVALID_HANDLE},
                                {"names unreadable", unnamed, kImage, 32, ERROR_PARTIAL_COPY},
                                {"no handle", nullptr, kImage, 32, ERROR_INVALID_HANDLE}};
    for (const Refusal& refusal : refusals) {
      std::memset(name, 'x', sizeof name);
      SetLastError(kUntouched);
      EXPECT_EQ(0u, GetModuleFileNameExA(refusal.handle, refusal.module, name, refusal.size))
          << refusal.what;
      EXPECT_EQ(refusal.error, GetLastError()) << refusal.what;
      EXPECT_EQ(std::string(sizeof name, 'x'), std::string(name, sizeof name)) << refusal.what;
    }
    // Its module list is still there.
    HMODULE first = nullptr;
    DWORD needed = 0;
    EXPECT_TRUE(EnumProcessModules(unnamed, &first, sizeof first, &needed));
    CloseHandle(unnamed);
    CloseHandle(process);
  });
}

// What the callback below was given, one record per call.
struct TaskCall {
  DWORD threadId;
  WORD hMod16;
  WORD hTask16;
  std::string module;
  std::string file;
  LPARAM user;
};
std::vector<TaskCall> g_calls;
BOOL g_stopAt = 0;  // the call count at which the callback asks to stop; 0: never

BOOL WINAPI RecordTask(DWORD dwThreadId, WORD hMod16, WORD hTask16, PSZ pszModName, PSZ pszFileName,
                       LPARAM lpUserDefined) {
  g_calls.push_back({dwThreadId, hMod16, hTask16, pszModName, pszFileName, lpUserDefined});
  return BOOL(g_calls.size()) == g_stopAt;
}

TEST_F(ProcessApiTest, VdmEnumTaskWowExCallsBackForEachTaskInStartOrder) {
  Boot("xp");
  winsim::SimProcess& vdm = Pc().StartPassiveProcess("C:\\WINDOWS\\system32\\ntvdm.exe");
  winsim::SimProcess& other = Pc().StartPassiveProcess("C:\\Apps\\Mail.exe");
  const std::string longPath = "C:\\" + std::string(290, 'D') + "\\LONG.EXE";
  const std::vector<std::string> files{"C:\\WINDOWS\\SOL.EXE", "C:\\Games\\freecell.exe",
                                       "C:\\W16\\LONGMODULENAME.EXE", longPath};
  std::vector<WORD> tasks;
  for (const std::string& file : files) tasks.push_back(Pc().StartWowTask(vdm, file));
  EXPECT_EQ(0, Pc().StartWowTask(other, "C:\\WINDOWS\\SOL.EXE")) << "not a VDM";
  EXPECT_TRUE(other.wowTasks.empty());
  char line[64];
  std::snprintf(line, sizeof line, "0 task start \"SOL.EXE\" pid=%u htask=0x%04X",
                unsigned(vdm.pid), tasks[0]);
  EXPECT_EQ(1, std::count(Pc().Events().Lines().begin(), Pc().Events().Lines().end(), line));

  g_calls.clear();
  g_stopAt = 0;
  EXPECT_EQ(4, VDMEnumTaskWOWEx(vdm.pid, &RecordTask, 1234));
  ASSERT_EQ(4u, g_calls.size());
  std::set<WORD> handles;
  std::set<DWORD> threads;
  for (size_t i = 0; i < g_calls.size(); ++i) {
    EXPECT_EQ(tasks[i], g_calls[i].hTask16);
    EXPECT_EQ(1234, g_calls[i].user);
    handles.insert({g_calls[i].hMod16, g_calls[i].hTask16});
    threads.insert(g_calls[i].threadId);
  }
  EXPECT_EQ(8u, handles.size()) << "module and task handles are all distinct";
  EXPECT_EQ(0u, handles.count(0));
  EXPECT_EQ(4u, threads.size());
  EXPECT_EQ("SOL", g_calls[0].module);
  EXPECT_EQ("FREECELL", g_calls[1].module);
  EXPECT_EQ("LONGMODU", g_calls[2].module);
  EXPECT_EQ(files[1], g_calls[1].file);
  EXPECT_EQ(longPath.substr(0, 255), g_calls[3].file);

  // A callback that returns TRUE stops the walk; without a callback, the tasks are counted.
  g_calls.clear();
  g_stopAt = 2;
  EXPECT_EQ(2, VDMEnumTaskWOWEx(vdm.pid, &RecordTask, 0));
  EXPECT_EQ(2u, g_calls.size());
  EXPECT_EQ(4, VDMEnumTaskWOWEx(vdm.pid, nullptr, 0));
  // Any other process, or none, has no task.
  g_calls.clear();
  EXPECT_EQ(0, VDMEnumTaskWOWEx(other.pid, &RecordTask, 0));
  EXPECT_EQ(0, VDMEnumTaskWOWEx(0x7FFF0, &RecordTask, 0));
  Pc().EndProcess(vdm, 0);
  EXPECT_EQ(0, VDMEnumTaskWOWEx(vdm.pid, &RecordTask, 0));
  EXPECT_EQ(0, Pc().StartWowTask(vdm, "C:\\WINDOWS\\SOL.EXE")) << "the VDM has ended";
  EXPECT_TRUE(g_calls.empty());

  Boot("98");
  winsim::SimProcess& dos = Pc().StartPassiveProcess("C:\\DOS\\NTVDM.EXE");
  Pc().StartWowTask(dos, "C:\\WINDOWS\\SOL.EXE");
  SetLastError(kUntouched);
  EXPECT_EQ(0, VDMEnumTaskWOWEx(dos.pid, &RecordTask, 0));
  EXPECT_EQ(DWORD(ERROR_CALL_NOT_IMPLEMENTED), GetLastError());
  EXPECT_TRUE(g_calls.empty());
}

TEST_F(ProcessApiTest, TheProcessFunctionsBindByNameWhereTheirLibraryExists) {
  struct Function {
    const char* library;
    const char* name;
    FARPROC address;
  };
  auto asFar = [](auto* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
  };
  const Function functions[] = {
      {"Kernel32", "OpenProcess", asFar(&OpenProcess)},
      {"Kernel32", "Module32First", asFar(&Module32First)},
      {"Kernel32", "Module32Next", asFar(&Module32Next)},
      {"PSAPI", "EnumProcesses", asFar(&EnumProcesses)},
      {"PSAPI", "EnumProcessModules", asFar(&EnumProcessModules)},
      {"PSAPI", "GetModuleFileNameExA", asFar(&GetModuleFileNameExA)},
      {"VDMDBG", "VDMEnumTaskWOWEx", asFar(&VDMEnumTaskWOWEx)},
  };
  for (const char* os : {"95", "nt4", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    InProgram([&] {
      for (const Function& function : functions) {
        std::string library = function.library, name = function.name;
        bool present = library == "Kernel32" ? name == "OpenProcess" || Pc().Profile().hasToolhelp
                                             : Pc().Profile().IsNt();
        HMODULE module = LoadLibraryA(function.library);
        FARPROC address = module ? GetProcAddress(module, function.name) : nullptr;
        EXPECT_EQ(present ? function.address : nullptr, address) << name;
        if (module) FreeLibrary(module);
      }
      // Each library exports its own functions only.
      HMODULE vdmdbg = LoadLibraryA("VDMDBG.DLL");
      if (vdmdbg) {
        SetLastError(kUntouched);
        EXPECT_EQ(nullptr, GetProcAddress(vdmdbg, "EnumProcesses"));
        EXPECT_EQ(DWORD(ERROR_PROC_NOT_FOUND), GetLastError());
        FreeLibrary(vdmdbg);
      }
      for (const auto& [library, references] : Self().libraryReferences)
        EXPECT_EQ(0, references) << library;
    });
  }
}

TEST_F(ProcessApiTest, LibraryReferencesCountLoadsAgainstFrees) {
  Boot("xp");
  expectedViolations_ = {"FreeLibrary of PSAPI more often than LoadLibraryA"};
  InProgram([&] {
    std::map<std::string, int>& references = Self().libraryReferences;
    // Only what the program imports is mapped before it loads anything.
    EXPECT_NE(nullptr, GetModuleHandleA("KERNEL32"));
    EXPECT_EQ(nullptr, GetModuleHandleA("PSAPI"));
    EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError());
    HMODULE psapi = LoadLibraryA("psapi.dll");
    EXPECT_EQ(psapi, LoadLibraryA("C:\\WINDOWS\\system32\\PSAPI.DLL"));
    EXPECT_EQ(2, references["PSAPI"]);
    EXPECT_EQ(psapi, GetModuleHandleA("PSAPI"));
    EXPECT_EQ(2, references["PSAPI"]) << "GetModuleHandleA takes no reference";
    EXPECT_TRUE(FreeLibrary(psapi));
    EXPECT_TRUE(FreeLibrary(psapi));
    EXPECT_EQ(0, references["PSAPI"]);
    EXPECT_EQ(nullptr, GetModuleHandleA("PSAPI")) << "freed as often as loaded: unmapped";
    EXPECT_TRUE(FreeLibrary(psapi));
    EXPECT_EQ(-1, references["PSAPI"]);
    EXPECT_EQ(nullptr, LoadLibraryA("NOSUCH"));
    EXPECT_EQ(0u, references.count("NOSUCH"));
  });
}

TEST_F(ProcessApiTest, ModuleSnapshotsListTheImageFirstWhereTheProcessCanBeRead) {
  for (const char* os : {"95", "xp"}) {
    SCOPED_TRACE(os);
    Boot(os);
    bool nt = Pc().Profile().IsNt();
    winsim::SimProcess& mail = Pc().StartPassiveProcess("C:\\Apps\\Mail.exe");
    winsim::SimProcess& locked = Pc().StartPassiveProcess("C:\\Apps\\Locked.exe");
    locked.openable = false;
    winsim::SimProcess& starting = Pc().StartPassiveProcess("C:\\Apps\\Starting.exe");
    starting.modulesReadable = false;
    InProgram([&] {
      DWORD self = Pc().CurrentPid();
      auto modules = [&](DWORD pid) {
        std::vector<std::tuple<std::string, std::string, HMODULE, DWORD>> listed;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
        if (snapshot == INVALID_HANDLE_VALUE) return listed;
        MODULEENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Module32First(snapshot, &entry); more;
             more = Module32Next(snapshot, &entry))
          listed.emplace_back(entry.szModule, entry.szExePath, entry.hModule, entry.th32ProcessID);
        EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), GetLastError());
        CloseHandle(snapshot);
        return listed;
      };
      auto own = modules(0);
      ASSERT_EQ(nt ? 3u : 2u, own.size());
      EXPECT_EQ(std::make_tuple(std::string("T.exe"), std::string(kProgram), kImage, self), own[0]);
      EXPECT_EQ(nt ? "ntdll.dll" : "KERNEL32.DLL", std::get<0>(own[1]));
      auto other = modules(mail.pid);
      ASSERT_FALSE(other.empty());
      EXPECT_EQ("C:\\Apps\\Mail.exe", std::get<1>(other[0]));
      EXPECT_EQ(mail.pid, std::get<3>(other[0]));

      const std::pair<DWORD, DWORD> refusals[] = {{locked.pid, ERROR_ACCESS_DENIED},
                                                  {starting.pid, ERROR_PARTIAL_COPY},
                                                  {0x7FFF0, ERROR_INVALID_PARAMETER}};
      for (const auto& [pid, error] : refusals) {
        SetLastError(kUntouched);
        EXPECT_EQ(INVALID_HANDLE_VALUE, CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid)) << pid;
        EXPECT_EQ(error, GetLastError()) << pid;
      }
      // A process snapshot alone does not read any process.
      HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, locked.pid);
      EXPECT_NE(INVALID_HANDLE_VALUE, processes);
      MODULEENTRY32 small{};
      small.dwSize = sizeof small - 1;
      SetLastError(kUntouched);
      EXPECT_FALSE(Module32First(processes, &small));
      EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
      CloseHandle(processes);
      EXPECT_EQ(0u, Pc().Handles().OpenCount(self));
    });
  }
}

}  // namespace
}  // namespace procs_test
