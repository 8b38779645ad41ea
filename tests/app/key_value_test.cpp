// The [KEYS] value parser: every form a value can take, and every way one is refused, with the
// exact sentence the message box shows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/hot_keys.h"

namespace {

const tavos::KeyRow& Key(const char* name) {
  for (size_t i = 0; i < tavos::kKeyCount; ++i)
    if (std::string(tavos::kKeys[i].name) == name) return tavos::kKeys[i];
  ADD_FAILURE() << "no key " << name;
  return tavos::kKeys[0];
}

// What a value reads as: "words|target|arguments", "built-in|...", or "refused: why".
std::string Read(const std::string& value, const char* key = "MAIL") {
  tavos::KeyPress press;
  char why[256];
  std::memset(why, 0xCC, sizeof why);
  if (!tavos::ParseKeyValue(value.c_str(), Key(key), &press, why, sizeof why))
    return "refused: " + std::string(why);
  EXPECT_EQ(&Key(key), press.key);
  const char* words = press.action == Key(key).builtIn ? "built-in" : press.action->words;
  return std::string(words ? words : "(null)") + "|" + press.target + "|" + press.arguments;
}

TEST(KeyValue, ActionsTheirWordsAndArguments) {
  struct Case {
    const char* value;
    const char* reads;
  } cases[] = {
      {"", "built-in||"},
      {"   ", "built-in||"},
      {"default", "built-in||"},
      {"DeFault", "built-in||"},
      {"run \"C:\\Program Files\\Tools\\Edit.exe\" -n \"a b\"",
       "run|C:\\Program Files\\Tools\\Edit.exe|-n \"a b\""},
      {"RUN notepad.exe C:\\a.txt", "run|notepad.exe|C:\\a.txt"},
      {"run \"C:\\Tools\\Notes.exe\"", "run|C:\\Tools\\Notes.exe|"},
      {"run\t\"x.exe\"\t  1  2 ", "run|x.exe|1  2"},
      {"open http://example.com/a?b=c", "open|http://example.com/a?b=c|"},
      {"open \"C:\\My Documents\\Plan.txt\"", "open|C:\\My Documents\\Plan.txt|"},
      {"open C:\\My Documents\\Plan.txt", "open|C:\\My Documents\\Plan.txt|"},
      {"keys ^c{ENTER}", "keys|^c{ENTER}|"},
      {"keys   \"quoted\" ", "keys|\"quoted\"|"},
      {"mute", "mute||"},
      {" Mute ", "mute||"},
      {"volume up", "volume up||"},
      {"VOLUME    Down", "volume down||"},
      {"brightness up", "brightness up||"},
      {"brightness down", "brightness down||"},
      {"nothing", "nothing||"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.reads, Read(c.value)) << c.value;
}

TEST(KeyValue, ValuesTavosCannotUseAreRefusedWithWhy) {
  struct Case {
    std::string value;
    const char* reads;
  } cases[] = {
      {std::string(511, 'x'), "refused: The value is longer than 510 characters."},
      {"run \"C:\\" + std::string(300, 'a') + "\"",
       "refused: The name of the program is longer than 259 characters."},
      {"run \"C:\\Tools\\Notes.exe", "refused: The closing quote is missing."},
      {"open \"http://x", "refused: The closing quote is missing."},
      {"run \"\"", "refused: The name of the program is empty."},
      {"run \"a.exe\"-x", "refused: A blank must follow the closing quote."},
      {"run a\"b.exe", "refused: A quote may only open and close the name of the program."},
      {"open \"a.txt\" b.txt", "refused: Nothing may follow the closing quote."},
      {"run", "refused: \"run\" needs a program."},
      {"open  ", "refused: \"open\" needs a document or address."},
      {"keys", "refused: \"keys\" needs a key string."},
      {"mute now", "refused: Nothing may follow \"mute\"."},
      {"default please", "refused: Nothing may follow \"default\"."},
      {"volume", "refused: After \"volume\" comes up or down."},
      {"Brightness max", "refused: After \"Brightness\" comes up or down."},
      {"launch x.exe",
       "refused: \"launch\" is no action: a key takes run, open, keys, mute, volume up, volume "
       "down, brightness up, brightness down, nothing or default."},
      {"volumeup",
       "refused: \"volumeup\" is no action: a key takes run, open, keys, mute, volume "
       "up, volume down, brightness up, brightness down, nothing or default."},
      {std::string(40, 'z'),
       "refused: \"zzzzzzzzzzzzzzzzzzzzzzzz...\" is no action: a key takes "
       "run, open, keys, mute, volume up, volume down, brightness up, "
       "brightness down, nothing or default."},
      {"run a.exe \x07", "refused: The value holds the control character 0x07."},
      {"keys \x1B[A", "refused: The value holds the control character 0x1B."},
      {"mute\x7F", "refused: The value holds the control character 0x7F."},
  };
  for (const Case& c : cases) EXPECT_EQ(c.reads, Read(c.value)) << c.value;
}

TEST(KeyValue, TheLongestValueIsTakenAndAShortMessageBufferIsNotOverrun) {
  const std::string longest = "keys " + std::string(tavos::kMaxKeyValue - 5, 'a');
  EXPECT_EQ("keys|" + std::string(tavos::kMaxKeyValue - 5, 'a') + "|", Read(longest));
  tavos::KeyPress press;
  char why[16];
  std::memset(why, 0xCC, sizeof why);
  EXPECT_FALSE(tavos::ParseKeyValue("launch", tavos::kKeys[0], &press, why, 8));
  EXPECT_STREQ("\"launch", why);
  EXPECT_EQ(char(0xCC), why[8]) << "written past the size given";
}

TEST(KeyValue, EachKeyStartsFromItsOwnBuiltInAction) {
  for (size_t i = 0; i < tavos::kKeyCount; ++i) {
    tavos::KeyPress press;
    char why[64];
    ASSERT_TRUE(tavos::ParseKeyValue("", tavos::kKeys[i], &press, why, sizeof why));
    EXPECT_EQ(tavos::kKeys[i].builtIn, press.action) << tavos::kKeys[i].name;
    EXPECT_EQ(nullptr, press.action->words) << "a built-in action has no name in [KEYS]";
  }
}

}  // namespace
