// The key-string parser: what each element queues, every error code with where parsing
// stops, the queue's bound, and double-byte names on a Japanese system.
#include "keys/key_string_parser.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "sim/winsim/os_profile.h"
#include "sim/winsim/windows_pc.h"

namespace {

constexpr SHORT kShift = VK_SHIFT;
constexpr SHORT kCtrl = VK_CONTROL;
constexpr SHORT kAlt = VK_MENU;

// A US-English PC (or another language) for the layout and code page the parser asks.
class KeyStringParser : public ::testing::Test {
 protected:
  void SetUp() override { Boot(0x0409); }
  void TearDown() override {
    pc_.reset();
    std::filesystem::remove_all(sandbox_);
  }
  void Boot(LANGID language) {
    pc_.reset();
    if (sandbox_.empty()) {
      char pattern[] = "/tmp/keys-test-XXXXXX";
      ASSERT_NE(nullptr, mkdtemp(pattern));
      sandbox_ = pattern;
    }
    winsim::OsProfile profile{};
    ASSERT_TRUE(winsim::ProfileByName("xp", &profile));
    pc_ = std::make_unique<winsim::WindowsPc>(sandbox_, profile, language, nullptr, nullptr);
  }

  // The queue a successful parse leaves.
  static std::vector<SHORT> Queue(const std::string& keys) {
    int result = ParseKeyString(keys.c_str());
    EXPECT_EQ(kKeysOk, result) << keys << ": " << g_keyStringErrors[result];
    return Queued();
  }
  static std::vector<SHORT> Queued() { return std::vector<SHORT>(g_keyQueue, g_keyQueue + g_nQueued); }

  std::string sandbox_;
  std::unique_ptr<winsim::WindowsPc> pc_;
};

using Keys = std::vector<SHORT>;

TEST_F(KeyStringParser, BracedNamesAndTheirCounts) {
  for (const char* enter : {"{ENTER}", "{Enter}", "{enter}", "~"}) EXPECT_EQ(Keys{0x0D}, Queue(enter)) << enter;
  EXPECT_EQ((Keys{kShift, 'R', kShift}), Queue("{R}")) << "the US layout types R with Shift";
  EXPECT_EQ(Keys{'R'}, Queue("{r}"));
  EXPECT_EQ((Keys{kShift, 0xDD, kShift}), Queue("{}}")) << "the closing brace itself";
  EXPECT_EQ((Keys{kShift, 0xDB, kShift}), Queue("{{}"));
  EXPECT_EQ((Keys{0x25, 0x25, 0x25}), Queue("{LEFT 3}"));
  EXPECT_EQ((Keys{0x25, 0x25, 0x25}), Queue("{LEFT 3x}")) << "text after the count is ignored";
  EXPECT_EQ((Keys{0x25, 0x25}), Queue("{LEFT    2}")) << "blanks before the count are skipped";
  EXPECT_EQ((Keys{kShift, 'A', 'A', kShift}), Queue("{A 2}")) << "one Shift pair around the run";
  EXPECT_EQ(Keys{kQueueSync}, Queue("{QUEUESYNC 5}"));
  EXPECT_EQ(Keys{0x11}, Queue("{BREAK}")) << "a Ctrl toggle, not VK_CANCEL";
  EXPECT_EQ((Keys{0x7F, 0x70, 0x14, 0x91, 0x2C}), Queue("{F16}{f1}{CAPSLOCK}{SCROLLOCK}{PRTSC}"));
  for (const char* name : {"BS", "BKSP", "BACKSPACE"}) EXPECT_EQ(LookupKeyName(name), 0x08) << name;
  EXPECT_EQ(0, LookupKeyName("F17"));
  EXPECT_EQ(0, LookupKeyName(""));
}

TEST_F(KeyStringParser, ModifiersWrapOneElementAndGroupsSeveral) {
  EXPECT_EQ((Keys{kShift, kCtrl, 'A', kCtrl, kShift}), Queue("+^a"));
  EXPECT_EQ((Keys{kShift, 'A', 'B', 'C', kShift}), Queue("+(abc)"));
  EXPECT_EQ((Keys{kAlt, kShift, 0x25, 0x25, kShift, kAlt, 'X'}), Queue("%(+{LEFT 2})x"));
  EXPECT_EQ((Keys{'A', 'B', 'C', kShift, kShift}), Queue("abc+")) << "nothing between the halves";
  EXPECT_EQ((Keys{kShift, '0', kShift}), Queue(")")) << "outside a group, typed as a character";
  EXPECT_EQ((Keys{0x20, kShift, 0xDD, kShift}), Queue(" }"));
  EXPECT_EQ(Keys{}, Queue("()"));
  EXPECT_EQ(Keys{}, Queue("")) << "the empty string queues nothing and is no error";
  EXPECT_EQ(kKeysOk, ParseKeyString(nullptr));
  EXPECT_EQ(0, g_nQueued);
}

TEST_F(KeyStringParser, ErrorsStopTheParseAndKeepWhatCameBefore) {
  struct Case {
    const char* keys;
    int error;
    Keys queued;
  };
  const Case cases[] = {
      {"{LEFT 0}", kKeysInvalidCount, {}},
      {"{LEFT x}", kKeysInvalidCount, {}},
      {"{LEFT -2}", kKeysInvalidCount, {}},
      {"{ENTER }", kKeysInvalidCount, {}},
      {"a{LEFT", kKeysMissingCloseBrace, {'A'}},
      {"{LEFT 3", kKeysMissingCloseBrace, {}},
      {"{}", kKeysMissingCloseBrace, {}},
      {"{BOGUS}b", kKeysInvalidKey, {}},
      {"{ ENTER}", kKeysInvalidKey, {}},
      {"{ABCDEFGHIJKLMNO}", kKeysInvalidKey, {}},      // 15 characters: looked up, unknown
      {"{ABCDEFGHIJKLMNOP}", kKeysInvalidKey, {}},     // 16: longer than any name can be
      {"x\x80", kKeysInvalidKey, {'X'}},               // no US key types 0x80
      {"{\x80}", kKeysInvalidKey, {}},
      {"(abc", kKeysMissingCloseParenthesis, {'A', 'B', 'C'}},
      {"(a{", kKeysMissingCloseParenthesis, {'A'}},  // an inner error at the end: 3 wins
      {"(a{BOGUS}", kKeysInvalidKey, {'A'}},         // the cursor stopped inside the braces
      {"(a{BOGUS}b)c", kKeysInvalidKey, {'A'}},
      {"+{BOGUS}", kKeysInvalidKey, {kShift}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.error, ParseKeyString(c.keys)) << c.keys;
    EXPECT_EQ(c.queued, Queued()) << c.keys;
  }
  EXPECT_STREQ("No error", g_keyStringErrors[kKeysOk]);
  EXPECT_STREQ("Missing close parenthesis", g_keyStringErrors[kKeysMissingCloseParenthesis]);
  EXPECT_STREQ("Can't install hook", g_keyStringErrors[kKeysCannotInstallHook]);
  // A new parse starts from an empty queue at the start of playback.
  g_nPlayed = 5;
  EXPECT_EQ(Keys{'Z'}, Queue("z"));
  EXPECT_EQ(0, g_nPlayed);
}

TEST_F(KeyStringParser, AppendingKeepsWhatIsStillToPlayAndDropsWhatWasPlayed) {
  ASSERT_EQ(kKeysOk, ParseKeyString("abc"));
  g_nPlayed = 2;  // A and B were played
  EXPECT_EQ(kKeysOk, AppendKeyString("{LEFT}"));
  EXPECT_EQ((Keys{'C', 0x25}), Queued());
  EXPECT_EQ(0, g_nPlayed);
  EXPECT_EQ(kKeysInvalidKey, AppendKeyString("d{BOGUS}"));
  EXPECT_EQ((Keys{'C', 0x25}), Queued()) << "nothing of a wrong string stays";
  // A long session of appends never runs out of room while each one is played.
  for (int i = 0; i < 3 * kKeyQueueSize; ++i) {
    ASSERT_EQ(kKeysOk, AppendKeyString("x")) << i;
    g_nPlayed = g_nQueued;
  }
}

TEST_F(KeyStringParser, TheQueueHolds2048Entries) {
  std::string letters(kKeyQueueSize, 'a');
  EXPECT_EQ(kKeysOk, ParseKeyString(letters.c_str()));
  EXPECT_EQ(kKeyQueueSize, g_nQueued);
  letters += 'a';
  EXPECT_EQ(kKeysTooLong, ParseKeyString(letters.c_str()));
  EXPECT_EQ(kKeyQueueSize, g_nQueued);

  EXPECT_EQ(kKeysTooLong, ParseKeyString("{LEFT 99999999999999999999}"));
  EXPECT_EQ(kKeyQueueSize, g_nQueued) << "a huge count fills the queue and stops";
  EXPECT_EQ(kKeysOk, ParseKeyString("{LEFT 2048}"));
  EXPECT_EQ(kKeysTooLong, ParseKeyString("{A 2047}")) << "the closing Shift has no room";
  EXPECT_EQ(kKeysOk, ParseKeyString("{A 2046}"));

  // Deep nesting is bounded, not a stack overflow.
  EXPECT_EQ(kKeysTooLong, ParseKeyString(std::string(100000, '+').c_str()));
  EXPECT_EQ(kKeysTooLong, ParseKeyString((std::string(100000, '(') + std::string(100000, ')')).c_str()));
  EXPECT_EQ(kKeysOk, ParseKeyString((std::string(1000, '(') + "a" + std::string(1000, ')')).c_str()));
  EXPECT_EQ(Keys{'A'}, Queued());
}

// On a double-byte code page a trail byte that looks like "}" or a blank belongs to its
// character and never ends a name.
TEST_F(KeyStringParser, DoubleByteCharactersAreNeverSplit) {
  const std::string keys = "{ENTER\x81}";
  EXPECT_EQ(kKeysInvalidKey, ParseKeyString(keys.c_str())) << "single-byte: the name is ENTER\\x81";
  Boot(0x0411);
  EXPECT_EQ(kKeysMissingCloseBrace, ParseKeyString(keys.c_str())) << "Japanese: \\x81} is one character";
  EXPECT_EQ(kKeysMissingCloseBrace, ParseKeyString("{\x81 2")) << "\\x81 and the blank are one character";
  EXPECT_EQ(Keys{0x0D}, Queue("{ENTER}"));
}

}  // namespace
