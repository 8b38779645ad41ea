// Message retrieval: sent before posted before WM_QUIT before WM_TIMER, PeekMessageA with and
// without PM_REMOVE, window and range filters, and SendMessageA from the owner's thread.
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

class User32Message : public SimPcTest {
 protected:
  // What a PeekMessageA call returned: "none", or the message and its window's label.
  static std::string Peek(HWND hwnd, UINT first, UINT last, UINT remove) {
    MSG msg;
    std::memset(&msg, 0x5A, sizeof msg);
    if (!PeekMessageA(&msg, hwnd, first, last, remove)) return "none";
    return (msg.hwnd ? LabelOf(msg.hwnd) : std::string("thread")) + " " + MessageName(msg.message) +
           " " + std::to_string(msg.wParam);
  }
};

TEST_F(User32Message, PostedMessagesComeFirstThenQuitThenTimers) {
  std::vector<std::string> got;
  Run([&] {
    RegisterLoggingClass();
    HWND hwnd = CreateLogged("main");
    SetTimer(hwnd, 1, 10, nullptr);
    Sleep(50);            // the timer is due
    PostQuitMessage(7);   // before the posted messages, yet retrieved after them
    PostMessageA(hwnd, WM_USER + 1, 11, 0);
    PostMessageA(nullptr, WM_USER + 2, 22, 0);
    for (std::string one; (one = Peek(nullptr, 0, 0, PM_REMOVE)) != "none";) got.push_back(one);
    DestroyWindow(hwnd);
    return 0;
  });
  EXPECT_EQ((std::vector<std::string>{"main WM_USER+1 11", "thread WM_USER+2 22", "thread WM_QUIT 7",
                                      "main WM_TIMER 1"}),
            got);
}

TEST_F(User32Message, GetMessageReturnsFalseForQuitWhichIsRemovedAndNeverFiltered) {
  BOOL first = -1, second = -1;
  MSG quit{};
  std::vector<std::string> after;
  Run([&] {
    RegisterLoggingClass();
    HWND hwnd = CreateLogged("main");
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    PostQuitMessage(3);
    MSG msg;
    first = GetMessageA(&msg, nullptr, 0, 0);
    second = GetMessageA(&quit, nullptr, 0, 0);
    after.push_back(Peek(nullptr, 0, 0, PM_REMOVE));
    // A filter for another window and range still gets WM_QUIT (as on Windows and Wine).
    PostQuitMessage(4);
    after.push_back(Peek(hwnd, WM_APP, WM_APP, PM_NOREMOVE));
    after.push_back(Peek(hwnd, WM_APP, WM_APP, PM_REMOVE));
    after.push_back(Peek(nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
    return 0;
  });
  EXPECT_EQ(TRUE, first);
  EXPECT_EQ(FALSE, second);
  EXPECT_EQ(UINT(WM_QUIT), quit.message);
  EXPECT_EQ(3u, quit.wParam);
  EXPECT_EQ(nullptr, quit.hwnd);
  EXPECT_EQ((std::vector<std::string>{"none", "thread WM_QUIT 4", "thread WM_QUIT 4", "none"}), after);
}

TEST_F(User32Message, PeekWithoutRemoveLeavesPostedAndTimerMessages) {
  std::vector<std::string> got;
  DWORD timerTime = 0;
  Run([&] {
    RegisterLoggingClass();
    HWND hwnd = CreateLogged("main");
    PostMessageA(hwnd, WM_USER + 5, 55, 0);
    got.push_back(Peek(nullptr, 0, 0, PM_NOREMOVE));
    got.push_back(Peek(nullptr, 0, 0, PM_NOREMOVE));
    got.push_back(Peek(nullptr, 0, 0, PM_REMOVE));
    got.push_back(Peek(nullptr, 0, 0, PM_REMOVE));
    SetTimer(hwnd, 9, 100, nullptr);
    Sleep(100);
    got.push_back(Peek(nullptr, 0, 0, PM_NOREMOVE));
    got.push_back(Peek(nullptr, 0, 0, PM_NOREMOVE));
    MSG msg{};
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    timerTime = msg.time;
    got.push_back(Peek(nullptr, 0, 0, PM_REMOVE));  // not due again before 200
    DestroyWindow(hwnd);
    return 0;
  });
  EXPECT_EQ((std::vector<std::string>{"main WM_USER+5 55", "main WM_USER+5 55", "main WM_USER+5 55",
                                      "none", "main WM_TIMER 9", "main WM_TIMER 9", "none"}),
            got);
  EXPECT_EQ(100u, timerTime);
}

TEST_F(User32Message, FiltersSelectByWindowAndByRange) {
  std::vector<std::string> got;
  Run([&] {
    RegisterLoggingClass();
    HWND a = CreateLogged("a");
    HWND b = CreateLogged("b");
    PostMessageA(a, WM_USER + 1, 1, 0);
    PostMessageA(b, WM_USER + 2, 2, 0);
    PostMessageA(nullptr, WM_USER + 3, 3, 0);
    SetTimer(a, 9, 10, nullptr);
    Sleep(10);
    got.push_back(Peek(b, 0, 0, PM_REMOVE));
    got.push_back(Peek(b, 0, 0, PM_REMOVE));  // a's timer and the thread message are not b's
    got.push_back(Peek(nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    got.push_back(Peek(a, WM_USER + 3, WM_USER + 9, PM_REMOVE));
    got.push_back(Peek(nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    got.push_back(Peek(nullptr, 0, 0, PM_REMOVE));
    got.push_back(Peek(nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(a);
    DestroyWindow(b);
    return 0;
  });
  EXPECT_EQ((std::vector<std::string>{"b WM_USER+2 2", "none", "a WM_TIMER 9", "none",
                                      "thread WM_USER+3 3", "a WM_USER+1 1", "none"}),
            got);
}

TEST_F(User32Message, GetMessageWithAFilterSleepsThroughOtherMessages) {
  std::vector<std::string> got;
  HWND hwnd = nullptr;
  Run([&] {
    RegisterLoggingClass();
    hwnd = CreateLogged("main");
    MSG msg;
    GetMessageA(&msg, nullptr, WM_APP, WM_APP);
    got.push_back(MessageName(msg.message));
    got.push_back(Peek(nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
    return 0;
  });
  ASSERT_TRUE(PostMessageA(hwnd, WM_USER + 1, 0, 0));
  pc->Settle();
  EXPECT_EQ(std::vector<std::string>{}, got) << "woken by a message outside its filter";
  ASSERT_TRUE(PostMessageA(hwnd, WM_APP, 0, 0));
  pc->Settle();
  EXPECT_EQ((std::vector<std::string>{"WM_APP", "main WM_USER+1 0"}), got);
}

TEST_F(User32Message, SendMessageFromTheOwnerRunsOnTheProgramsThreadBeforeItsPostedMessages) {
  static const Expected kOrder[] = {{"main", WM_USER + 7}, {"main", WM_USER + 1}};
  std::thread::id programThread, procThread;
  bool simulated = false;
  onMessage = [&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
    if (message != WM_USER + 7) return -2;
    procThread = std::this_thread::get_id();
    simulated = winsim::WindowsPc::OnSimulatedThread();
    return 0x1234;
  };
  HWND hwnd = StartMainWindow();
  OnProgram([&] { programThread = std::this_thread::get_id(); });
  g_logged.log.clear();

  ASSERT_TRUE(PostMessageA(hwnd, WM_USER + 1, 0, 0));  // queued; nothing runs yet
  EXPECT_TRUE(g_logged.log.empty());
  EXPECT_EQ(0x1234, SendMessageA(hwnd, WM_USER + 7, 0, 0));
  EXPECT_TRUE(SameSequence(kOrder, g_logged.log));
  EXPECT_EQ(programThread, procThread);
  EXPECT_NE(std::this_thread::get_id(), procThread);
  EXPECT_TRUE(simulated);
}

TEST_F(User32Message, MessagesToWindowsThatAreGoneAreRefused) {
  g_logged.quitOnDestroy = true;
  HWND hwnd = StartMainWindow();
  ASSERT_TRUE(PostMessageA(hwnd, WM_CLOSE, 0, 0));  // the program destroys it and quits
  pc->Settle();
  ASSERT_FALSE(MainProgram().running) << Timeline();
  EXPECT_FALSE(IsWindow(hwnd));

  SetLastError(kUntouched);
  EXPECT_EQ(0, SendMessageA(hwnd, WM_USER, 0, 0));
  EXPECT_EQ(DWORD(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
  SetLastError(kUntouched);
  EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
  EXPECT_EQ(DWORD(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
  SetLastError(kUntouched);
  EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
  EXPECT_EQ(DWORD(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

}  // namespace
}  // namespace winsim_test
