// The user key: mute routing, the user's program and the option dialog, all read from the
// settings file at the moment of the press.
#include <gtest/gtest.h>

#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

constexpr char kSettings[] = "C:\\WINDOWS\\SelectFile.ini";
constexpr uint8_t kUserKey = 0x04;

std::string MuteSettings(const char* check, const char* mute, const char* execute) {
  std::string text = "[ENABLEMUTE]\r\nCHECK=" + std::string(check) + "\r\nMUTE=" + mute + "\r\n";
  if (execute != nullptr) text += "[USERDEFINE]\r\nEXECUTE=" + std::string(execute) + "\r\n";
  return text;
}

TEST_F(TavosTest, MuteRoutingTogglesTheStoredStateAndDoesNothingElse) {
  Boot("xp");
  ASSERT_TRUE(M().WriteFile(kSettings, MuteSettings("ENABLE", "ENABLE", "NULL")));
  M().StartTavos();
  M().PressHotKeys(kUserKey);
  M().Wait(650);
  EXPECT_EQ(MuteSettings("ENABLE", "DISABLE", "NULL"), FileText(kSettings));
  M().PressHotKeys(kUserKey);
  M().Wait(650);
  EXPECT_EQ(MuteSettings("ENABLE", "ENABLE", "NULL"), FileText(kSettings));
  EXPECT_EQ((std::vector<std::string>{"650 mixer \"Master Mute\" 1", "1300 mixer \"Master Mute\" 0"}),
            Lines("mixer"));
  EXPECT_TRUE(Lines("dialog").empty());
  EXPECT_TRUE(Lines("shell").empty());
}

// Without a sound card the routing still keeps its state; the mute goes nowhere.
TEST_F(TavosTest, MuteRoutingWithoutASoundCardOnlyKeepsTheState) {
  Boot("xp");
  M().Pc().Sound().present = false;
  ASSERT_TRUE(M().WriteFile(kSettings, MuteSettings("ENABLE", "ENABLE", "NULL")));
  M().StartTavos();
  M().PressHotKeys(kUserKey);
  M().Wait(650);
  EXPECT_EQ(MuteSettings("ENABLE", "DISABLE", "NULL"), FileText(kSettings));
  EXPECT_TRUE(Lines("mixer").empty());
}

TEST_F(TavosTest, WithoutMuteRoutingEachPressTurnsTheSoundOnThenStartsTheProgram) {
  Boot("xp");
  ASSERT_TRUE(M().WriteFile("C:\\Tools\\Notes.exe", "MZ"));
  ASSERT_TRUE(M().WriteFile(kSettings, MuteSettings("DISABLE", "DISABLE", "C:\\Tools\\Notes.exe")));
  M().Pc().Sound().FindControl(2)->values = {1};  // the speakers are muted
  M().StartTavos();
  M().PressHotKeys(kUserKey);
  M().Wait(650);
  EXPECT_EQ(std::vector<std::string>{"650 mixer \"Master Mute\" 0"}, Lines("mixer"));
  EXPECT_EQ(MuteSettings("DISABLE", "ENABLE", "C:\\Tools\\Notes.exe"), FileText(kSettings));
  EXPECT_EQ((std::vector<std::string>{"650 shell open \"C:\\\\Tools\\\\Notes.exe\" dir \"\""}),
            Lines("shell"));
  EXPECT_EQ(1u, Lines("process start \"Notes.exe\"").size());
}

TEST_F(TavosTest, NullOpensTheOptionDialogWhileTicksGoOnInside) {
  Boot("xp");
  M().StartTavos();  // first start: EXECUTE=NULL
  M().PressHotKeys(kUserKey);
  M().Wait(1950);
  EXPECT_EQ((std::vector<std::string>{"650 dialog open 102"}), Lines("dialog"));
  EXPECT_EQ(3u, Lines("ec 0xCF").size()) << "the poll cycle keeps running in the dialog's loop";
  M().PressHotKeys(0x01);
  M().Wait(650);
  EXPECT_EQ(1u, Lines("shell open \"Iexplore.exe\"").size());
  ASSERT_TRUE(M().Choose("Cancel"));
  EXPECT_EQ((std::vector<std::string>{"650 dialog open 102", "2600 dialog close 102 result=2"}),
            Lines("dialog"));
  M().Wait(650);
  EXPECT_EQ(5u, Lines("ec 0xCF").size());
}

TEST_F(TavosTest, TheProgramPathIsCutTo79Characters) {
  Boot("xp");
  std::string longPath = "C:\\" + std::string(96, 'p') + ".exe";  // 103 characters
  ASSERT_TRUE(M().WriteFile(kSettings, MuteSettings("", "", longPath.c_str())));
  M().StartTavos();
  M().PressHotKeys(kUserKey);
  M().Wait(650);
  ASSERT_EQ(1u, Lines("shell").size());
  EXPECT_NE(std::string::npos, Lines("shell")[0].find("\"C:\\\\" + std::string(76, 'p') + "\" dir"));
}

TEST_F(TavosTest, AMissingProgramKeyStartsTheKeyNameAndAnEmptyOneNothing) {
  Boot("xp");
  ASSERT_TRUE(M().WriteFile(kSettings, "[ENABLEMUTE]\r\nCHECK=x\r\n"));
  M().StartTavos();
  M().PressHotKeys(kUserKey);
  M().Wait(650);
  EXPECT_EQ((std::vector<std::string>{"650 shell open \"EXECUTE\" dir \"\""}), Lines("shell"));
  EXPECT_TRUE(Lines("process start \"EXECUTE\"").empty()) << "no such program";

  ASSERT_TRUE(M().WriteFile(kSettings, "[USERDEFINE]\r\nEXECUTE=\r\n"));
  M().PressHotKeys(kUserKey);
  M().Wait(650);
  EXPECT_EQ(1u, Lines("shell").size());
  EXPECT_TRUE(Lines("dialog").empty()) << "an empty value is no \"NULL\"";
  EXPECT_FALSE(M().Screen()) << "nothing waits for the user";
  // The tick went through to its end: the next one sees the next key.
  M().PressHotKeys(0x01);
  M().Wait(650);
  EXPECT_EQ(2u, Lines("shell").size());
  EXPECT_EQ(1u, Lines("shell open \"Iexplore.exe\"").size());
}

}  // namespace
}  // namespace tavos_test
