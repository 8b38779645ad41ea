// Processes as programs find them: Toolhelp per Windows version, binding Toolhelp, PSAPI and
// VDMDBG at run time, handles closed when a process ends, and ShellExecuteA starting programs.
#include <cstring>
#include <string>
#include <vector>

#include "sim/winsim/device_interfaces.h"
#include "sim/winsim/window_manager.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

const HINSTANCE kFileNotFound = reinterpret_cast<HINSTANCE>(2);  // SE_ERR_FNF

class Process : public SimPcTest {
 protected:
  // The names Toolhelp lists, in order, without the system's own processes; "<error N>"
  // when there is no snapshot.
  std::vector<std::string> ToolhelpNames() {
    SetLastError(kUntouched);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return {"<error " + std::to_string(GetLastError()) + ">"};
    std::vector<std::string> names;
    PROCESSENTRY32 entry;
    std::memset(&entry, 'x', sizeof entry);
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
      winsim::SimProcess* process = pc->FindProcess(entry.th32ProcessID);
      if (process == nullptr || !process->system)
        names.push_back(std::string(entry.szExeFile, strnlen(entry.szExeFile, sizeof entry.szExeFile)));
      std::memset(entry.szExeFile, 'x', sizeof entry.szExeFile);
    }
    EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), GetLastError());
    EXPECT_TRUE(CloseHandle(snapshot));
    return names;
  }
};

TEST_F(Process, ToolhelpNamesFullPathsOnThe95FamilyAndFileNamesOnNt) {
  pc->StartPassiveProcess("C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE");
  pc->StartPassiveProcess("C:\\WINDOWS\\NOTEPAD.EXE");
  const std::vector<std::string> fullPaths = {"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE",
                                              "C:\\WINDOWS\\NOTEPAD.EXE"};
  const std::vector<std::string> fileNames = {"IEXPLORE.EXE", "NOTEPAD.EXE"};
  for (const char* profile : {"95", "98", "me", "2000", "xp"}) {
    pc->SetProfile(Profile(profile));
    EXPECT_EQ(pc->Profile().IsNt() ? fileNames : fullPaths, ToolhelpNames()) << profile;
  }
}

// Our simplification: Windows NT 4.0 and 3.51 have no such function in KERNEL32 at all (a
// program bound to it would not load); here it exists and fails.
TEST_F(Process, NtFourAndOlderHaveNoToolhelp) {
  for (const char* profile : {"nt4", "nt351"}) {
    pc->SetProfile(Profile(profile));
    EXPECT_EQ(std::vector<std::string>{"<error 120>"}, ToolhelpNames()) << profile;  // CALL_NOT_IMPLEMENTED
  }
}

TEST_F(Process, ToolhelpBindsByNameOnlyWhereTheVersionHasIt) {
  const char* const functions[] = {"CreateToolhelp32Snapshot", "Process32First", "Process32Next"};
  for (const char* profile : {"95", "98", "me", "nt351", "nt4", "2000", "xp"}) {
    pc->SetProfile(Profile(profile));
    const bool expected = pc->Profile().name != "nt351" && pc->Profile().name != "nt4";
    HMODULE kernel = LoadLibraryA("Kernel32");
    ASSERT_NE(nullptr, kernel) << profile;
    for (const char* function : functions) {
      SetLastError(kUntouched);
      FARPROC address = GetProcAddress(kernel, function);
      EXPECT_EQ(expected, address != nullptr) << profile << " " << function;
      if (!address) {
        EXPECT_EQ(DWORD(ERROR_PROC_NOT_FOUND), GetLastError()) << profile << " " << function;
      }
    }
    EXPECT_EQ(GetModuleHandleA("KERNEL32.DLL"), kernel) << profile;
    EXPECT_TRUE(FreeLibrary(kernel));
  }
  pc->SetProfile(Profile("xp"));
  HMODULE kernel = LoadLibraryA("kernel32.dll");
  auto create = reinterpret_cast<HANDLE(WINAPI*)(DWORD, DWORD)>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "CreateToolhelp32Snapshot")));
  ASSERT_NE(nullptr, create);
  HANDLE snapshot = create(TH32CS_SNAPPROCESS, 0);
  EXPECT_NE(INVALID_HANDLE_VALUE, snapshot) << "the bound function does not work";
  EXPECT_TRUE(CloseHandle(snapshot));
  SetLastError(kUntouched);
  EXPECT_EQ(nullptr, GetProcAddress(kernel, "createtoolhelp32snapshot")) << "names are case-sensitive";
  EXPECT_EQ(DWORD(ERROR_PROC_NOT_FOUND), GetLastError());
}

TEST_F(Process, PsapiAndVdmdbgLoadOnTheNtFamilyOnly) {
  const char* const names[] = {"PSAPI.DLL", "psapi", "C:\\WINDOWS\\SYSTEM32\\psapi.dll", "VDMDBG.DLL", "vdmdbg"};
  for (const char* profile : {"95", "98", "me", "nt351", "nt4", "2000", "xp"}) {
    pc->SetProfile(Profile(profile));
    for (const char* name : names) {
      SetLastError(kUntouched);
      HMODULE module = LoadLibraryA(name);
      EXPECT_EQ(pc->Profile().IsNt(), module != nullptr) << profile << " " << name;
      if (module) {
        EXPECT_TRUE(FreeLibrary(module)) << profile << " " << name;
      } else {
        EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError()) << profile << " " << name;
      }
    }
  }
  SetLastError(kUntouched);
  EXPECT_EQ(nullptr, LoadLibraryA("NOSUCH.DLL"));
  EXPECT_EQ(DWORD(ERROR_MOD_NOT_FOUND), GetLastError());
}

// Windows cleans up after a program that ends; the simulation reports all it had to clean up
// as leaks, since a program that ends on its own should leave nothing behind.
TEST_F(Process, WhatAProcessLeftOpenIsClosedWhenItEndsAndReportedAsLeaks) {
  static const GUID kClass = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  size_t openWhileRunning = 0;
  winsim::SimProcess& program = Run([&] {
    CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    SetupDiGetClassDevsA(&kClass, nullptr, nullptr, DIGCF_DEVICEINTERFACE);
    RegisterLoggingClass();
    HWND main = CreateLogged("main");
    SetTimer(main, 1, 100, nullptr);
    SetWindowsHookExA(
        WH_GETMESSAGE, [](int, WPARAM, LPARAM) -> LRESULT { return 0; }, nullptr,
        GetCurrentThreadId());
    LoadLibraryA("PSAPI");
    openWhileRunning = pc->Handles().OpenCount(pc->CurrentPid());
    return 5;
  });
  expectedLeaks = {"T.exe (pid 260) ended with 1 WH_GETMESSAGE hook installed",
                   "T.exe (pid 260) ended with 1 timer running",
                   "T.exe (pid 260) ended with 1 window not destroyed",
                   "T.exe (pid 260) ended with 1 device information set handle open",
                   "T.exe (pid 260) ended with 1 snapshot handle open",
                   "T.exe (pid 260) ended with PSAPI loaded 1 time(s) more than freed"};
  EXPECT_TRUE(pc->MessageHooks().empty()) << "the hook went with its thread";
  EXPECT_EQ(2u, openWhileRunning);
  EXPECT_FALSE(program.running);
  EXPECT_EQ(5u, program.exitCode);
  EXPECT_EQ(0u, pc->Handles().OpenCount(program.pid));
  EXPECT_EQ(0u, pc->Windows().Count()) << "its window outlived it";
  EXPECT_TRUE(HasLine("0 process end \"T.exe\" code=5")) << Timeline();
}

TEST_F(Process, ShellExecuteStartsAProgramOnlyWhenItsFileExists) {
  ASSERT_TRUE(pc->Files().WriteFile("C:\\Apps\\Mail.exe", "MZ"));
  ASSERT_TRUE(pc->Files().WriteFile("C:\\WINDOWS\\NOTEPAD.EXE", "MZ"));
  struct Case {
    const char* file;
    const char* folder;
    bool starts;
    const char* started;  // the process's path
  };
  const Case cases[] = {
      {"C:\\Apps\\Mail.exe", nullptr, true, "C:\\Apps\\Mail.exe"},
      {"Mail.exe", "C:\\Apps", true, "C:\\Apps\\Mail.exe"},
      {"notepad.exe", "C:\\Apps", true, "C:\\WINDOWS\\notepad.exe"},  // found in the Windows folder
      {"C:\\Apps\\Missing.exe", nullptr, false, ""},
      {"Mail.exe", nullptr, false, ""},  // not in a folder that is searched
      {"", nullptr, false, ""},
  };
  for (const Case& c : cases) {
    const size_t before = pc->Processes().size(), lines = pc->Events().Lines().size();
    HINSTANCE result = ShellExecuteA(nullptr, "open", c.file, nullptr, c.folder, SW_SHOWNORMAL);
    const std::string shell = std::string("0 shell open ") + winsim::Quote(c.file) + " dir " +
                              winsim::Quote(c.folder ? c.folder : "");
    ASSERT_LT(lines, pc->Events().Lines().size()) << c.file;
    EXPECT_EQ(shell, pc->Events().Lines()[lines]) << c.file;
    if (c.starts) {
      EXPECT_GT(reinterpret_cast<uintptr_t>(result), 32u) << c.file;
      ASSERT_EQ(before + 1, pc->Processes().size()) << c.file;
      EXPECT_TRUE(pc->Processes().back()->passive);
      EXPECT_EQ(c.started, pc->Processes().back()->exePath) << c.file;
    } else {
      EXPECT_EQ(kFileNotFound, result) << c.file;
      EXPECT_EQ(before, pc->Processes().size()) << c.file;
      EXPECT_EQ(lines + 1, pc->Events().Lines().size()) << c.file << Timeline();
    }
  }
}

// Programs that pile up meet a limit, as on Windows when memory runs out: the shell refuses
// the next one with SE_ERR_OOM, and one ending makes room again.
TEST_F(Process, ShellExecuteRefusesAProgramBeyondTheLimitOfRunningOnes) {
  ASSERT_TRUE(pc->Files().WriteFile("C:\\Apps\\Mail.exe", "MZ"));
  while (pc->Processes().size() < winsim::WindowsPc::kMaxRunningProcesses)
    pc->StartPassiveProcess("C:\\Apps\\Other.exe");
  const size_t lines = pc->Events().Lines().size();
  EXPECT_EQ(reinterpret_cast<HINSTANCE>(8),
            ShellExecuteA(nullptr, "open", "C:\\Apps\\Mail.exe", nullptr, nullptr, SW_SHOWNORMAL));
  EXPECT_EQ(winsim::WindowsPc::kMaxRunningProcesses, pc->Processes().size());
  ASSERT_EQ(lines + 2, pc->Events().Lines().size()) << Timeline();
  EXPECT_EQ("0 process refused \"Mail.exe\" out of memory", pc->Events().Lines().back());
  pc->EndProcess(*pc->Processes().back(), 0);
  EXPECT_GT(reinterpret_cast<uintptr_t>(ShellExecuteA(nullptr, "open", "C:\\Apps\\Mail.exe",
                                                       nullptr, nullptr, SW_SHOWNORMAL)),
            32u);
}

}  // namespace
}  // namespace winsim_test
