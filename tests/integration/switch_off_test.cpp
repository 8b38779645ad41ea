// Switching the machine off ends the programs and unloads portio; what goes wrong on the way
// is a problem of the run like any other.
#include <gtest/gtest.h>

#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

TEST_F(TavosTest, SwitchingOffEndsTavosAndUnloadsPortioCleanly) {
  Boot("xp");
  M().StartTavos();
  M().Wait(650);
  size_t lines = M().Timeline().size();
  M().SwitchOff();
  EXPECT_FALSE(M().Kernel().Io().DriverLoaded());
  EXPECT_EQ(0u, M().Kernel().Pool().OutstandingBlocks());
  EXPECT_EQ(std::vector<std::string>{}, M().Problems());
  EXPECT_LT(lines, M().Timeline().size()) << "Tavos ended on its own thread";
  M().SwitchOff();  // a second time does nothing
  EXPECT_EQ(std::vector<std::string>{}, M().Problems());
}

// A machine of its own: the fixture insists on a run without problems.
class SwitchOffProblemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tavos-switch-off-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    sandbox_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(sandbox_); }
  std::unique_ptr<tavos_sim::Machine> Boot(bool driverLoaded) {
    tavos_sim::MachineOptions options;
    options.sandbox = sandbox_;
    options.driverLoaded = driverLoaded;
    options.resourceFile = TAVOS_RESOURCE_FILE;
    return std::make_unique<tavos_sim::Machine>(options);
  }
  std::string sandbox_;
};

TEST_F(SwitchOffProblemsTest, AHeldDeviceKeepsPortioLoaded) {
  auto machine = Boot(true);
  sim::KernelHandle held = 0;
  ASSERT_EQ(STATUS_SUCCESS, machine->Kernel().Io().Open("\\\\.\\DRV1", &held));
  machine->SwitchOff();
  EXPECT_EQ(std::vector<std::string>{"switch-off: portio refused to unload (0x80000011)"},
            machine->Problems());
  EXPECT_EQ(STATUS_SUCCESS, machine->Kernel().Io().Close(held));
  EXPECT_EQ(STATUS_SUCCESS, machine->Kernel().Io().UnloadDriver());
}

// A program still running at switch-off may hold its windows, timers and handles, which
// Windows takes back; a hook it still has installed while it waits is one it forgot.
TEST_F(SwitchOffProblemsTest, AHookStillInstalledWhileItsProgramWaitsIsALeak) {
  auto machine = Boot(false);
  machine->Pc().StartProgram("C:\\T.exe", [] {
    WNDCLASSA window{};
    window.lpfnWndProc = DefWindowProcA;
    window.lpszClassName = "Waiting";
    RegisterClassA(&window);
    HWND hwnd =
        CreateWindowExA(0, "Waiting", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetTimer(hwnd, 1, 1000, nullptr);
    SetWindowsHookExA(
        WH_GETMESSAGE, [](int, WPARAM, LPARAM) -> LRESULT { return 0; }, nullptr,
        GetCurrentThreadId());
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
  });
  machine->SwitchOff();
  EXPECT_EQ(std::vector<std::string>{"switch-off: T.exe (pid 260) still had 1 WH_GETMESSAGE hook "
                                     "installed when the PC shut down"},
            machine->Problems());
}

TEST_F(SwitchOffProblemsTest, PoolLeftWithoutADriverIsALeak) {
  auto machine = Boot(false);
  constexpr uint32_t kTag = 0x74736554;  // "Test"
  void* left = machine->Kernel().Pool().Allocate(false, 16, kTag, PASSIVE_LEVEL);
  ASSERT_NE(nullptr, left);
  machine->SwitchOff();
  EXPECT_EQ(std::vector<std::string>{"switch-off: 1 pool blocks still allocated after portio unloaded"},
            machine->Problems());
  machine->Kernel().Pool().Free(left, PASSIVE_LEVEL);
}

}  // namespace
}  // namespace tavos_test
