// The playback engine on the simulated PC: the events each key string becomes, system keys
// under Alt, the hook's end, the sync marker's message box, a second string while one plays,
// and the thread's cleaned key state.
#include "keys/playback_hook.h"

#include <string>
#include <vector>

#include "keys/key_string_parser.h"
#include "sim/winsim/keyboard.h"
#include "sim/winsim/window_manager.h"
#include "tests/procs/procs_fixture.h"

namespace procs_test {
namespace {

// A played event as (message, key), e.g. "sysdown 0x12".
std::string Describe(const EVENTMSG& event) {
  const char* kind = event.message == WM_KEYDOWN      ? "down"
                     : event.message == WM_KEYUP      ? "up"
                     : event.message == WM_SYSKEYDOWN ? "sysdown"
                     : event.message == WM_SYSKEYUP   ? "sysup"
                     : event.message == WM_QUEUESYNC  ? "queuesync"
                                                      : "other";
  char text[32];
  std::snprintf(text, sizeof text, "%s 0x%02X", kind, event.paramL & 0xFF);
  return text;
}

class PlaybackHookTest : public ProcsTest {
 protected:
  void SetUp() override { Boot("xp"); }

  // Plays `keys` in a program that then lets its message loop run; the events played.
  std::vector<std::string> Play(const std::string& keys) {
    size_t from = Pc().PlayedEvents().size();
    InProgram([&] {
      EXPECT_EQ(kKeysOk, StartKeyPlayback(nullptr, keys.c_str())) << keys;
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      EXPECT_EQ(nullptr, g_hPlaybackHook) << keys << ": the hook removed itself";
    });
    std::vector<std::string> played;
    for (size_t i = from; i < Pc().PlayedEvents().size(); ++i) played.push_back(Describe(Pc().PlayedEvents()[i].event));
    return played;
  }
};

using Events = std::vector<std::string>;

TEST_F(PlaybackHookTest, AltAloneMakesSystemKeysCtrlMakesOrdinaryOnes) {
  EXPECT_EQ((Events{"sysdown 0x12", "sysdown 0x46", "sysup 0x46", "up 0x12"}), Play("%f"));
  EXPECT_EQ((Events{"sysdown 0x12", "sysup 0x12"}), Play("%"));
  EXPECT_EQ((Events{"down 0x11", "down 0x12", "down 0x58", "up 0x58", "up 0x12", "up 0x11"}), Play("^%x"));
  EXPECT_EQ((Events{"down 0x10", "down 0x52", "up 0x52", "up 0x10"}), Play("{R}"));
  EXPECT_EQ((Events{"down 0x41", "up 0x41", "down 0x41", "up 0x41"}), Play("aa"));
  EXPECT_EQ((Events{"down 0x0D", "up 0x0D"}), Play("~"));
  EXPECT_EQ(Events{}, Play("")) << "nothing queued, no hook";
  EXPECT_EQ(std::vector<std::string>{}, expectedViolations_);
}

TEST_F(PlaybackHookTest, EventsCarryScanCodesTimeAndReachTheRecorder) {
  std::vector<UINT> received;
  InProgram([&] {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
      if (message == WM_KEYDOWN || message == WM_KEYUP) {
        auto* log = reinterpret_cast<std::vector<UINT>*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (log != nullptr) log->push_back(message);
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
    };
    windowClass.lpszClassName = "Recorder";
    RegisterClassA(&windowClass);
    g_hRecorderWnd = CreateWindowExA(0, "Recorder", "PowerVCR", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
    SetWindowLongPtrA(g_hRecorderWnd, GWLP_USERDATA, LONG_PTR(&received));
    Pc().Advance(1234);
    ASSERT_EQ(kKeysOk, StartKeyPlayback(nullptr, "r"));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    DestroyWindow(g_hRecorderWnd);
  });
  ASSERT_EQ(2u, Pc().PlayedEvents().size());
  const EVENTMSG& down = Pc().PlayedEvents()[0].event;
  EXPECT_EQ(0x13u, down.paramH) << "R's scan code alone";
  EXPECT_EQ(1234u, down.time);
  EXPECT_NE(nullptr, Pc().PlayedEvents()[0].foreground);
  EXPECT_EQ((std::vector<UINT>{WM_KEYDOWN, WM_KEYUP}), received);
  EXPECT_EQ(std::vector<std::string>({"1234 play key down 0x52", "1234 play key up 0x52"}),
            std::vector<std::string>(Pc().Events().Lines().end() - 3, Pc().Events().Lines().end() - 1));
}

TEST_F(PlaybackHookTest, BreakLeavesCtrlDownAndTheStateResetsOnTheNextPlayback) {
  EXPECT_EQ(Events{"down 0x11"}, Play("{BREAK}"));
  EXPECT_TRUE(Pc().Keys().Down(VK_CONTROL));
  EXPECT_EQ((Events{"down 0x41", "up 0x41"}), Play("a")) << "the generator starts with every modifier up";
}

TEST_F(PlaybackHookTest, TheSyncMarkerShowsItsBoxThenCarriesTheWindow) {
  HWND main = nullptr;
  winsim::SimProcess& program = Pc().StartProgram(kProgram, [&] {
    main = CreateWindowExA(0, "Static", "main", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(kKeysOk, StartKeyPlayback(main, "{QUEUESYNC}"));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    DestroyWindow(main);
    return 0;
  });
  ASSERT_TRUE(program.running) << "the box waits for the user";
  EXPECT_EQ("0 msgbox \"queusync\"", Pc().Events().Lines().back());
  EXPECT_TRUE(Pc().PlayedEvents().empty());
  ASSERT_NE(nullptr, Pc().Windows().TopSurface());
  ASSERT_TRUE(Pc().Windows().TopSurface()->choose("OK"));
  Pc().Settle();
  EXPECT_FALSE(program.running);
  ASSERT_EQ(1u, Pc().PlayedEvents().size());
  EXPECT_EQ(UINT(WM_QUEUESYNC), Pc().PlayedEvents()[0].event.message);
  EXPECT_EQ(UINT(reinterpret_cast<UINT_PTR>(main)), Pc().PlayedEvents()[0].event.paramL);
}

// Called by hand: a first call with HC_SKIP fetches the first event and skips it at once.
TEST_F(PlaybackHookTest, AFirstSkipPrimesAndSkipsTheFirstEvent) {
  InProgram([&] {
    ASSERT_EQ(kKeysOk, StartKeyPlayback(nullptr, "{R}"));
    JournalPlaybackProc(HC_SKIP, 0, 0);
    EVENTMSG event{};
    EXPECT_EQ(0, JournalPlaybackProc(HC_GETNEXT, 0, reinterpret_cast<LPARAM>(&event)));
    EXPECT_EQ("down 0x52", Describe(event));
    EXPECT_EQ(0, JournalPlaybackProc(3, 0, 0)) << "other codes change nothing";
    EXPECT_EQ(0, JournalPlaybackProc(HC_GETNEXT, 0, reinterpret_cast<LPARAM>(&event)));
    EXPECT_EQ("down 0x52", Describe(event)) << "a repeated fetch gives the same event";
    UnhookWindowsHookEx(g_hPlaybackHook);
    g_hPlaybackHook = nullptr;
    UnhookWindowsHookEx(g_hCancelWatchHook);  // the playback's own end would remove both
    g_hCancelWatchHook = nullptr;
  });
}

TEST_F(PlaybackHookTest, ASecondStringWaitsBehindTheFirst) {
  std::vector<int> results;
  InProgram([&] {
    results.push_back(StartKeyPlayback(nullptr, "a"));
    results.push_back(StartKeyPlayback(nullptr, "{BOGUS}"));
    results.push_back(StartKeyPlayback(nullptr, "b"));
    EXPECT_EQ(1u, Pc().JournalHooks().size());
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  });
  EXPECT_EQ((std::vector<int>{kKeysOk, kKeysInvalidKey, kKeysOk}), results);
  std::vector<std::string> played;
  for (const auto& event : Pc().PlayedEvents()) played.push_back(Describe(event.event));
  EXPECT_EQ((Events{"down 0x41", "up 0x41", "down 0x42", "up 0x42"}), played);
}

TEST_F(PlaybackHookTest, ErrorsInstallNothing) {
  InProgram([&] {
    EXPECT_EQ(kKeysMissingCloseBrace, StartKeyPlayback(nullptr, "{LEFT"));
    EXPECT_EQ(nullptr, g_hPlaybackHook);
    Pc().FailHookInstalls(1);
    EXPECT_EQ(kKeysCannotInstallHook, StartKeyPlayback(nullptr, "a"));
    EXPECT_EQ(nullptr, g_hPlaybackHook);
    EXPECT_TRUE(Pc().JournalHooks().empty());
    EXPECT_EQ(kKeysOk, StartKeyPlayback(nullptr, "a")) << "a later request installs again";
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  });
  EXPECT_EQ(2u, Pc().PlayedEvents().size());
}

// Held modifiers and lit lock keys would change what the played keys type: this thread's
// view starts clean, while the keyboard itself is untouched.
TEST_F(PlaybackHookTest, TheThreadsModifiersAndLockKeysStartUp) {
  Pc().Keys().Hold(VK_SHIFT);
  Pc().Keys().Synthesise(VK_CAPITAL, true);
  Pc().Keys().Synthesise(VK_CAPITAL, false);
  InProgram([&] {
    // The thread's own view, as if it had taken those keys' messages.
    BYTE keys[256] = {};
    keys[VK_SHIFT] = 0x80;
    keys[VK_CAPITAL] = 0x01;
    ASSERT_TRUE(SetKeyboardState(keys));
    EXPECT_EQ(1, GetKeyState(VK_CAPITAL) & 1);
    EXPECT_NE(0, GetKeyState(VK_SHIFT) & 0x8000);
    ASSERT_EQ(kKeysOk, StartKeyPlayback(nullptr, "a"));
    EXPECT_EQ(0, GetKeyState(VK_CAPITAL));
    EXPECT_EQ(0, GetKeyState(VK_SHIFT));
    UnhookWindowsHookEx(g_hPlaybackHook);
    g_hPlaybackHook = nullptr;
    UnhookWindowsHookEx(g_hCancelWatchHook);  // the playback's own end would remove both
    g_hCancelWatchHook = nullptr;
  });
  EXPECT_TRUE(Pc().Keys().Held(VK_SHIFT));
  EXPECT_TRUE(Pc().Keys().Toggled(VK_CAPITAL));
}

}  // namespace
}  // namespace procs_test
