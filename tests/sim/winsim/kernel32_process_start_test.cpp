// Programs starting programs: CreateProcessA finds a program by its file's bytes and passes
// its command line; WaitForSingleObject lets the others run until the process ends or the
// clock runs out; TerminateProcess ends a program that runs code; a running image is locked.
#include <string>
#include <vector>

#include "sim/winsim/window_manager.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

class ProcessStart : public SimPcTest {
 protected:
  std::string Outcome(BOOL ok) { return ok ? "ok" : "error " + std::to_string(GetLastError()); }
  // Starts `commandLine` from inside a program; the handles go to `started`.
  std::string Start(const char* commandLine, PROCESS_INFORMATION* started) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string line = commandLine;
    return Outcome(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                  nullptr, &startup, started));
  }
};

TEST_F(ProcessStart, AProgramStartsAnotherAndWaitsForItsEnd) {
  std::string childLine, childFile;
  pc->InstallProgramImage("MZ child", {[&] {
                                         childLine = GetCommandLineA();
                                         char file[MAX_PATH];
                                         GetModuleFileNameA(nullptr, file, MAX_PATH);
                                         childFile = file;
                                         return 7;
                                       },
                                       "",
                                       {},
                                       {}});
  ASSERT_TRUE(pc->Files().WriteFile("C:\\Tools\\Child.exe", "MZ child"));
  ASSERT_TRUE(pc->Files().WriteFile("C:\\Tools\\Data.exe", "not a program"));
  std::vector<std::string> seen;
  Run([&] {
    PROCESS_INFORMATION child{};
    seen.push_back(Start("C:\\Tools\\Missing.exe", &child));
    seen.push_back(Start("C:\\Tools\\Data.exe", &child));
    seen.push_back(Start("\"C:\\Tools\\Child.exe\" /S /D=C:\\Program Files\\Tavos", &child));
    seen.push_back(childLine.empty() ? "not yet run" : "ran at once");
    seen.push_back(std::to_string(WaitForSingleObject(child.hProcess, INFINITE)));
    DWORD code = 0;
    std::string outcome = Outcome(GetExitCodeProcess(child.hProcess, &code));
    seen.push_back(outcome + " " + std::to_string(code));
    seen.push_back(std::to_string(WaitForSingleObject(child.hThread, 0)));
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return 0;
  });
  pc->Settle();
  EXPECT_EQ(
      (std::vector<std::string>{"error 2", "error 193", "ok", "not yet run", "0", "ok 7", "0"}),
      seen);
  EXPECT_EQ("\"C:\\Tools\\Child.exe\" /S /D=C:\\Program Files\\Tavos", childLine);
  EXPECT_EQ("C:\\Tools\\Child.exe", childFile);
}

TEST_F(ProcessStart, AWaitRunsOutWithTheClockAndTerminateEndsAProgramRunningCode) {
  pc->InstallProgramImage("MZ stubborn", {[] {
                                            RegisterLoggingClass();
                                            CreateLogged("stubborn");
                                            return PumpMessages();  // ignores every request
                                          },
                                          "",
                                          {},
                                          {}});
  ASSERT_TRUE(pc->Files().WriteFile("C:\\Stubborn.exe", "MZ stubborn"));
  std::vector<std::string> seen;
  uint64_t waitedUntil = 0;
  Run([&] {
    PROCESS_INFORMATION child{};
    seen.push_back(Start("C:\\Stubborn.exe", &child));
    const uint64_t before = pc->Now();
    seen.push_back(std::to_string(WaitForSingleObject(child.hProcess, 5000)));
    waitedUntil = pc->Now() - before;
    seen.push_back(Outcome(DeleteFileA("C:\\Stubborn.exe")));
    seen.push_back(Outcome(TerminateProcess(child.hProcess, 1)));
    seen.push_back(std::to_string(WaitForSingleObject(child.hProcess, 5000)));
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    seen.push_back(std::to_string(code));
    seen.push_back(Outcome(DeleteFileA("C:\\Stubborn.exe")));
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return 0;
  });
  pc->Settle();
  ASSERT_EQ(1u, seen.size()) << "the wait holds the program until its time is up";
  EXPECT_NE(nullptr, FindWindowA(kLoggingClass, "stubborn"));
  pc->Advance(10000);
  EXPECT_EQ((std::vector<std::string>{"ok", "258", "error 5", "ok", "0", "1", "ok"}), seen);
  EXPECT_EQ(5000u, waitedUntil);
  EXPECT_EQ(nullptr, FindWindowA(kLoggingClass, "stubborn")) << "its window went with it";
}

}  // namespace
}  // namespace winsim_test
