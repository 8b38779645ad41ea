// VkKeyScanA on the US layout, GetKeyState for held and synthesised keys, and the keybd_event
// timeline lines.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/winsim/keyboard.h"
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
      if (expected != got) wrong += std::string("\n  '") + c + "': expected " + Hex(expected) + ", got " + Hex(got);
    }
    return wrong;
  }
};

TEST_F(User32Keyboard, LettersAndDigitsScanToTheirKeysWithShiftForCapitals) {
  EXPECT_EQ("", Mismatches("abcdefghijklmnopqrstuvwxyz", [](char c) { return SHORT(c - 'a' + 'A'); }));
  EXPECT_EQ("", Mismatches("ABCDEFGHIJKLMNOPQRSTUVWXYZ", [](char c) { return SHORT(0x100 | c); }));
  EXPECT_EQ("", Mismatches("0123456789", [](char c) { return SHORT(c); }));
  // The US layout's shifted digit row, ')' on 0 up to '(' on 9.
  const std::string shifted = ")!@#$%^&*(";
  EXPECT_EQ("", Mismatches(shifted, [&](char c) { return SHORT(0x100 | ('0' + shifted.find(c))); }));
  EXPECT_EQ("0x0020", Hex(VkKeyScanA(' ')));
}

TEST_F(User32Keyboard, PunctuationScansToTheOemKeysOfTheUsLayout) {
  struct Key {
    char plain, shifted;
    SHORT vk;
  };
  const Key keys[] = {
      {';', ':', 0xBA}, {'=', '+', 0xBB}, {',', '<', 0xBC}, {'-', '_', 0xBD}, {'.', '>', 0xBE}, {'/', '?', 0xBF},
      {'`', '~', 0xC0}, {'[', '{', 0xDB}, {'\\', '|', 0xDC}, {']', '}', 0xDD}, {'\'', '"', 0xDE},
  };
  std::string wrong;
  for (const Key& key : keys) {
    if (VkKeyScanA(key.plain) != key.vk)
      wrong += std::string("\n  '") + key.plain + "': expected " + Hex(key.vk) + ", got " + Hex(VkKeyScanA(key.plain));
    if (VkKeyScanA(key.shifted) != SHORT(0x100 | key.vk))
      wrong += std::string("\n  '") + key.shifted + "': expected " + Hex(SHORT(0x100 | key.vk)) + ", got " +
               Hex(VkKeyScanA(key.shifted));
  }
  EXPECT_EQ("", wrong);
}

TEST_F(User32Keyboard, CharactersNoKeyTypesGiveMinusOne) {
  // Above 0x7F nothing on the US layout types a character of the ANSI code page.
  for (int c : {0x80, 0xA3, 0xE9, 0xFF}) EXPECT_EQ("0xFFFF", Hex(VkKeyScanA(CHAR(c)))) << "char 0x" << std::hex << c;
}

TEST_F(User32Keyboard, KeyStateFollowsHeldAndSynthesisedKeys) {
  const int shift = VK_SHIFT, control = VK_CONTROL;
  EXPECT_EQ("0x0000", Hex(GetKeyState(shift)));
  pc->Keys().Hold(VK_SHIFT);
  EXPECT_LT(GetKeyState(shift), 0) << Hex(GetKeyState(shift));
  pc->Keys().Release(VK_SHIFT);
  EXPECT_GE(GetKeyState(shift), 0) << Hex(GetKeyState(shift));

  // Each synthesised press toggles the low bit; the high bit shows while the key is down.
  keybd_event(VK_CONTROL, 0, 0, 0);
  EXPECT_EQ("0xFF81", Hex(GetKeyState(control)));
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_EQ("0x0001", Hex(GetKeyState(control)));
  keybd_event(VK_CONTROL, 0, 0, 0);
  EXPECT_EQ("0xFF80", Hex(GetKeyState(control)));
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_EQ("0x0000", Hex(GetKeyState(control)));

  EXPECT_EQ(0, GetKeyState(-1));
  EXPECT_EQ(0, GetKeyState(256));
}

// Our simplification: GetKeyState reads the one keyboard of the PC at once, on any thread,
// where Windows gives each thread the state as of the input messages it has retrieved.
TEST_F(User32Keyboard, SynthesisedKeysShowOnTheTimelineAndToPrograms) {
  SHORT seenByProgram = 0;
  Run([&] {
    keybd_event(VK_LWIN, 0, 0, 0);
    keybd_event(BYTE(VkKeyScanA('f')), 0, 0, 0);
    seenByProgram = GetKeyState(VK_LWIN);
    keybd_event(BYTE(VkKeyScanA('f')), 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
    return 0;
  });
  EXPECT_LT(seenByProgram, 0);
  std::vector<std::string> keys;
  for (const std::string& line : pc->Events().Lines())
    if (line.find(" key ") != std::string::npos) keys.push_back(line);
  EXPECT_EQ((std::vector<std::string>{"0 key down 0x5B", "0 key down 0x46", "0 key up 0x46", "0 key up 0x5B"}),
            keys);
  EXPECT_GE(GetKeyState(VK_LWIN), 0);
}

}  // namespace
}  // namespace winsim_test
