// Timers on the virtual clock: periods, replacement, folding of a busy period into one
// WM_TIMER, KillTimer, the minimum elapse, timer procedures and the timeline lines.
#include <string>
#include <vector>

#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

std::vector<std::string> g_procCalls;

VOID CALLBACK RecordingTimerProc(HWND hwnd, UINT message, UINT_PTR id, DWORD time) {
  g_procCalls.push_back(LabelOf(hwnd) + " " + MessageName(message) + " " + std::to_string(id) + "@" +
                        std::to_string(time));
}

class User32Timer : public SimPcTest {
 protected:
  void SetUp() override {
    SimPcTest::SetUp();
    g_procCalls.clear();
    // Each WM_TIMER the window procedure gets, as "ID@TIME".
    onMessage = [this](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
      if (message == WM_TIMER) fired.push_back(std::to_string(wParam) + "@" + std::to_string(pc->Now()));
      return -2;
    };
    hwnd = StartMainWindow();
  }

  HWND hwnd = nullptr;
  std::vector<std::string> fired;
};

TEST_F(User32Timer, FiresOncePerPeriodAndShowsOnTheTimeline) {
  UINT_PTR id = 0;
  OnProgram([&] { id = SetTimer(hwnd, 7, 100, nullptr); });
  EXPECT_EQ(7u, id);
  pc->Advance(350);
  EXPECT_EQ((std::vector<std::string>{"7@100", "7@200", "7@300"}), fired);
  EXPECT_TRUE(HasLine("0 timer start 7 100")) << Timeline();
}

TEST_F(User32Timer, SettingItAgainRestartsThePeriod) {
  OnProgram([&] { SetTimer(hwnd, 7, 100, nullptr); });
  pc->Advance(50);
  OnProgram([&] { SetTimer(hwnd, 7, 100, nullptr); });
  pc->Advance(210);
  EXPECT_EQ((std::vector<std::string>{"7@150", "7@250"}), fired);
  EXPECT_TRUE(HasLine("50 timer start 7 100")) << Timeline();
}

TEST_F(User32Timer, ABusyPeriodFoldsSeveralPeriodsIntoOneMessage) {
  OnProgram([&] { SetTimer(hwnd, 1, 100, nullptr); });
  pc->Advance(50);
  OnProgram([] { Sleep(330); });  // busy until 380: the periods due at 100, 200, 300 pass
  pc->Advance(70);
  EXPECT_EQ((std::vector<std::string>{"1@380", "1@400"}), fired);
}

TEST_F(User32Timer, KillTimerStopsItAndRefusesTimersItDoesNotKnow) {
  OnProgram([&] { SetTimer(hwnd, 7, 100, nullptr); });
  pc->Advance(150);
  BOOL killed = FALSE, again = TRUE, unknown = TRUE, pendingKilled = FALSE;
  DWORD againError = 0, unknownError = 0;
  MSG msg{};
  BOOL pendingSeen = TRUE;
  OnProgram([&] {
    killed = KillTimer(hwnd, 7);
    SetLastError(kUntouched);
    again = KillTimer(hwnd, 7);
    againError = GetLastError();
    SetLastError(kUntouched);
    unknown = KillTimer(hwnd, 99);
    unknownError = GetLastError();
    // A message already due goes with its timer.
    SetTimer(hwnd, 8, 10, nullptr);
    Sleep(20);
    pendingKilled = KillTimer(hwnd, 8);
    pendingSeen = PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE);
  });
  pc->Advance(300);
  EXPECT_TRUE(killed);
  EXPECT_FALSE(again);
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), againError);
  EXPECT_FALSE(unknown);
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), unknownError);
  EXPECT_TRUE(pendingKilled);
  EXPECT_FALSE(pendingSeen) << "got timer " << msg.wParam;
  EXPECT_EQ(std::vector<std::string>{"7@100"}, fired);
  EXPECT_TRUE(HasLine("150 timer stop 7")) << Timeline();
  EXPECT_TRUE(HasLine("170 timer stop 8")) << Timeline();
}

TEST_F(User32Timer, AnElapseBelowTenBecomesTen) {
  OnProgram([&] {
    SetTimer(hwnd, 3, 1, nullptr);
    SetTimer(hwnd, 4, 0, nullptr);
  });
  pc->Advance(25);
  EXPECT_EQ((std::vector<std::string>{"3@10", "4@10", "3@20", "4@20"}), fired);
  EXPECT_TRUE(HasLine("0 timer start 3 10")) << Timeline();
  EXPECT_TRUE(HasLine("0 timer start 4 10")) << Timeline();
}

TEST_F(User32Timer, ATimerProcedureIsCalledInsteadOfTheWindowProcedure) {
  OnProgram([&] { SetTimer(hwnd, 6, 100, RecordingTimerProc); });
  pc->Advance(200);
  EXPECT_EQ((std::vector<std::string>{"main WM_TIMER 6@100", "main WM_TIMER 6@200"}), g_procCalls);
  EXPECT_EQ(std::vector<std::string>{}, fired);
}

TEST_F(User32Timer, TimersGoWithTheirWindow) {
  bool destroyed = false;
  OnProgram([&] {
    HWND other = CreateLogged("other");
    SetTimer(other, 5, 100, nullptr);
    destroyed = DestroyWindow(other);
  });
  ASSERT_TRUE(destroyed);
  pc->Advance(300);
  EXPECT_EQ(std::vector<std::string>{}, fired);
}

TEST_F(User32Timer, AnotherProcessMayNotSetTimersOnTheWindow) {
  UINT_PTR id = 99;
  DWORD error = 0;
  Run(
      [&] {
        SetLastError(kUntouched);
        id = SetTimer(hwnd, 1, 100, nullptr);
        error = GetLastError();
        return 0;
      },
      "C:\\Other.exe");
  EXPECT_EQ(0u, id);
  EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), error);
  pc->Advance(200);
  EXPECT_EQ(std::vector<std::string>{}, fired);
}

}  // namespace
}  // namespace winsim_test
