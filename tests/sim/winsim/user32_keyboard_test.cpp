// VkKeyScanA on the US layout, the thread's and the system's view of the keys, and the
// keybd_event timeline lines.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/winsim/keyboard.h"
#include "sim/winsim/window_manager.h"
#include "sim_pc_fixture.h"

namespace winsim_test {
namespace {

class User32Keyboard : public SimPcTest {
 protected:
  static std::string Hex(SHORT value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", unsigned(uint16_t(value)));
    return text;
  }
  // Every character of `chars` with the scan it should give, and what VkKeyScanA gave where
  // they differ.
  template <class Expect>
  static std::string Mismatches(const std::string& chars, Expect expect) {
    std::string wrong;
    for (char c : chars) {
      SHORT expected = expect(c), got = VkKeyScanA(c);
      if (expected != got)
        wrong += std::string("\n  '") + c + "': expected " + Hex(expected) + ", got " + Hex(got);
    }
    return wrong;
  }
};

TEST_F(User32Keyboard, LettersAndDigitsScanToTheirKeysWithShiftForCapitals) {
  EXPECT_EQ("",
            Mismatches("abcdefghijklmnopqrstuvwxyz", [](char c) { return SHORT(c - 'a' + 'A'); }));
  EXPECT_EQ("", Mismatches("ABCDEFGHIJKLMNOPQRSTUVWXYZ", [](char c) { return SHORT(0x100 | c); }));
  EXPECT_EQ("", Mismatches("0123456789", [](char c) { return SHORT(c); }));
  // The US layout's shifted digit row, ')' on 0 up to '(' on 9.
  const std::string shifted = ")!@#$%^&*(";
  EXPECT_EQ("",
            Mismatches(shifted, [&](char c) { return SHORT(0x100 | ('0' + shifted.find(c))); }));
  EXPECT_EQ("0x0020", Hex(VkKeyScanA(' ')));
}

TEST_F(User32Keyboard, PunctuationScansToTheOemKeysOfTheUsLayout) {
  struct Key {
    char plain, shifted;
    SHORT vk;
  };
  const Key keys[] = {
      {';', ':', 0xBA},  {'=', '+', 0xBB}, {',', '<', 0xBC},  {'-', '_', 0xBD},
      {'.', '>', 0xBE},  {'/', '?', 0xBF}, {'`', '~', 0xC0},  {'[', '{', 0xDB},
      {'\\', '|', 0xDC}, {']', '}', 0xDD}, {'\'', '"', 0xDE},
  };
  std::string wrong;
  for (const Key& key : keys) {
    if (VkKeyScanA(key.plain) != key.vk)
      wrong += std::string("\n  '") + key.plain + "': expected " + Hex(key.vk) + ", got " +
               Hex(VkKeyScanA(key.plain));
    if (VkKeyScanA(key.shifted) != SHORT(0x100 | key.vk))
      wrong += std::string("\n  '") + key.shifted + "': expected " + Hex(SHORT(0x100 | key.vk)) +
               ", got " + Hex(VkKeyScanA(key.shifted));
  }
  EXPECT_EQ("", wrong);
}

TEST_F(User32Keyboard, CharactersNoKeyTypesGiveMinusOne) {
  // Above 0x7F nothing on the US layout types a character of the ANSI code page.
  for (int c : {0x80, 0xA3, 0xE9, 0xFF})
    EXPECT_EQ("0xFFFF", Hex(VkKeyScanA(CHAR(c)))) << "char 0x" << std::hex << c;
}

// A thread's view of the keys changes as it takes key messages from its queue; the system's
// (GetAsyncKeyState) as keys go down and up. Keys typed into another program's window never
// reach a thread's view.
TEST_F(User32Keyboard, AThreadSeesKeysAsItTakesTheirMessages) {
  HWND main = StartMainWindow();
  auto state = [](int vk) { return Hex(GetKeyState(vk)) + "/" + Hex(GetAsyncKeyState(vk)); };
  std::vector<std::string> seen;
  auto look = [&](const char* when, int vk) {
    OnProgram([&] { seen.push_back(std::string(when) + " " + state(vk)); });
  };
  // The user's own keys go to the window the user types into: here the main window.
  auto physical = [&](BYTE vk, bool down) { winsim::DeliverKeyEvent(vk, !down, true); };

  OnProgram([&] {
    SetForegroundWindow(main);
    keybd_event('X', 0, 0, 0);
    seen.push_back("queued " + state('X'));
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    seen.push_back("peeked " + state('X'));
  });
  look("taken", 'X');  // the message loop took it between the two calls
  OnProgram([&] {
    keybd_event('X', 0, KEYEVENTF_KEYUP, 0);
    seen.push_back("up queued " + state('X'));
  });
  look("up taken", 'X');
  OnProgram([&] {
    BYTE keys[256] = {};
    keys['Q'] = 0x80;
    SetKeyboardState(keys);
  });
  physical('C', true);
  pc->Settle();
  look("set", 'Q');
  look("held here", 'C');

  SHORT elsewhere = 1, elsewhereAsync = 0;
  Run([&] {
    elsewhere = GetKeyState('C');  // a program whose window the user does not type into
    elsewhereAsync = GetAsyncKeyState('C');
    return 0;
  });
  physical('C', false);
  pc->Settle();
  look("released", 'C');

  EXPECT_EQ((std::vector<std::string>{
                "queued 0x0000/0x8000",     // in the queue, not yet taken
                "peeked 0x0000/0x8000",     // looking without taking changes nothing
                "taken 0xFF81/0x8000",      // down, and toggled by the press
                "up queued 0xFF81/0x0000",  // the release waits in the queue
                "up taken 0x0001/0x0000",
                "set 0xFF80/0x0000",  // the thread's own table, until key messages change it
                "held here 0xFF81/0x8000",
                "released 0x0001/0x0000",
            }),
            seen);
  EXPECT_EQ("0x0000", Hex(elsewhere)) << "the other program never took the key's message";
  EXPECT_EQ("0x8000", Hex(elsewhereAsync));
  EXPECT_EQ(0, GetAsyncKeyState(-1));
  EXPECT_EQ(0, GetKeyState(256));
}

// The left and right Shift, Ctrl and Alt keys reach a window as the common key (VK_CONTROL for
// VK_LCONTROL): only the key-state functions tell the sides apart, and there both the side
// and the common key are down. Tavos closes the video recorder with VK_LCONTROL and 'X'.
TEST_F(User32Keyboard, SideKeysReachWindowsAsTheCommonKey) {
  constexpr BYTE kLeftShift = 0xA0, kRightShift = 0xA1, kLeftControl = 0xA2;  // VK_LSHIFT, ...
  std::string shift;
  HWND main = StartMainWindow();
  std::vector<std::string> seen;
  onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
    if (message == WM_KEYDOWN || message == WM_KEYUP)
      seen.push_back((message == WM_KEYDOWN ? "down " : "up ") + Hex(SHORT(wParam)) + " " +
                     Hex(GetKeyState(VK_CONTROL)) + " " + Hex(GetKeyState(kLeftControl)) + " " +
                     Hex(GetAsyncKeyState(VK_CONTROL)) + " " + Hex(GetAsyncKeyState(kLeftControl)));
    return -2;
  };
  OnProgram([&] {
    SetForegroundWindow(main);
    keybd_event(kLeftControl, 0, 0, 0);
  });
  OnProgram([&] { keybd_event(kLeftControl, 0, KEYEVENTF_KEYUP, 0); });
  OnProgram([&] {
    keybd_event(kRightShift, 0, 0, 0);
    shift = Hex(GetAsyncKeyState(VK_SHIFT)) + " " + Hex(GetAsyncKeyState(kRightShift)) + " " +
            Hex(GetAsyncKeyState(kLeftShift));
    keybd_event(kRightShift, 0, KEYEVENTF_KEYUP, 0);
  });
  EXPECT_EQ((std::vector<std::string>{
                "down 0x0011 0xFF81 0xFF81 0x8000 0x8000",
                "up 0x0011 0x0001 0x0001 0x0000 0x0000",
                "down 0x0010 0x0001 0x0001 0x0000 0x0000",
                "up 0x0010 0x0001 0x0001 0x0000 0x0000",
            }),
            seen);
  EXPECT_EQ("0x8000 0x8000 0x0000", shift);  // the common key and that side, not the other
}

// Which presses are system keys (WM_SYSKEYDOWN/UP, with the context bit): Alt without Ctrl,
// F10, and any key while Alt is down without Ctrl; Alt's release only when no key came since
// it went down (MSDN's WM_SYSKEYDOWN/UP; Wine's server decides the same in
// queue_keyboard_message). The user's own keys follow the same rule as synthesised ones.
TEST_F(User32Keyboard, AltAndF10MakeSystemKeysUnlessCtrlIsDown) {
  constexpr BYTE kLeftAlt = 0xA4;
  HWND main = StartMainWindow();
  std::string seen;
  onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    const char* name = message == WM_KEYDOWN      ? "down"
                       : message == WM_KEYUP      ? "up"
                       : message == WM_SYSKEYDOWN ? "SYSDOWN"
                       : message == WM_SYSKEYUP   ? "SYSUP"
                                                  : nullptr;
    if (name == nullptr) return -2;
    if (((lParam >> 29) & 1) != (name[0] == 'S')) seen += "!context";
    char text[24];
    std::snprintf(text, sizeof text, " %s %02X", name, unsigned(wParam));
    seen += text;
    return -2;
  };
  struct Step {
    BYTE vk;
    bool down;
  };
  auto keys = [&](std::initializer_list<Step> steps, bool physical = false) {
    seen.clear();
    OnProgram([&] {
      SetForegroundWindow(main);
      for (const Step& step : steps)
        if (physical) {
          winsim::DeliverKeyEvent(step.vk, !step.down, true);
        } else {
          keybd_event(step.vk, 0, step.down ? 0 : KEYEVENTF_KEYUP, 0);
        }
    });
    return seen;
  };
  EXPECT_EQ(" SYSDOWN 12 SYSUP 12", keys({{VK_MENU, true}, {VK_MENU, false}}));
  EXPECT_EQ(" SYSDOWN 12 SYSDOWN 58 SYSUP 58 up 12",
            keys({{kLeftAlt, true}, {'X', true}, {'X', false}, {kLeftAlt, false}}));
  EXPECT_EQ(" down 11 down 12 down 58 up 58 up 12 up 11", keys({{VK_CONTROL, true},
                                                                {VK_MENU, true},
                                                                {'X', true},
                                                                {'X', false},
                                                                {VK_MENU, false},
                                                                {VK_CONTROL, false}}));
  EXPECT_EQ(" SYSDOWN 12 down 11 SYSUP 11 up 12",
            keys({{VK_MENU, true}, {VK_CONTROL, true}, {VK_CONTROL, false}, {VK_MENU, false}}));
  EXPECT_EQ(" SYSDOWN 79 SYSUP 79 down 58 up 58",
            keys({{VK_F10, true}, {VK_F10, false}, {'X', true}, {'X', false}}));
  EXPECT_EQ(" SYSDOWN 12 SYSDOWN 46 SYSUP 46 up 12",
            keys({{VK_MENU, true}, {'F', true}, {'F', false}, {VK_MENU, false}}, true));
}

TEST_F(User32Keyboard, SynthesisedKeysShowOnTheTimeline) {
  Run([&] {
    keybd_event(VK_LWIN, 0, 0, 0);
    keybd_event(BYTE(VkKeyScanA('f')), 0, 0, 0);
    keybd_event(BYTE(VkKeyScanA('f')), 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
    return 0;
  });
  std::vector<std::string> keys;
  for (const std::string& line : pc->Events().Lines())
    if (line.find(" key ") != std::string::npos) keys.push_back(line);
  EXPECT_EQ((std::vector<std::string>{"0 key down 0x5B", "0 key down 0x46", "0 key up 0x46",
                                      "0 key up 0x5B"}),
            keys);
  EXPECT_GE(GetAsyncKeyState(VK_LWIN), 0);
}

}  // namespace
}  // namespace winsim_test
