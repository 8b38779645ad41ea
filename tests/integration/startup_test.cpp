// Start-up on each Windows version: the files, the timer, the tray icon, the single
// instance, and the disabled state carried across restarts.
#include <gtest/gtest.h>

#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

constexpr char kSettings[] = "C:\\WINDOWS\\SelectFile.ini";
constexpr char kState[] = "C:\\Tavos.ini";

TEST_F(TavosTest, FirstStartOnXpCreatesTheHiddenSettingsFileAndPolls) {
  Boot("xp");
  M().StartTavos();
  EXPECT_EQ("[ENABLESTART]\r\nCHECK=DISABLE\r\n[ENABLEMUTE]\r\nCHECK=DISABLE\r\nMUTE=DISABLE\r\n"
            "[USERDEFINE]\r\nEXECUTE=NULL\r\n",
            FileText(kSettings));
  EXPECT_TRUE(M().Pc().Files().Attributes(kSettings) & FILE_ATTRIBUTE_HIDDEN);
  EXPECT_FALSE(M().Pc().Files().Exists(kState));
  M().Wait(1300);
  EXPECT_EQ((std::vector<std::string>{"0 timer start 1 650"}), Lines("timer"));
  EXPECT_EQ((std::vector<std::string>{"0 tray add icon=128 tip=\"TAVO\""}), Lines("tray"));
  EXPECT_EQ((std::vector<std::string>{"650 ec 0xCF 0x81", "1300 ec 0xCF 0x81"}), Lines("ec 0xCF"));
}

TEST_F(TavosTest, AnExistingSettingsFileIsNeitherRepairedNorRewritten) {
  Boot("xp");
  const std::string partial = "[USERDEFINE]\r\nEXECUTE=NULL\r\n";
  ASSERT_TRUE(M().WriteFile(kSettings, partial));
  M().StartTavos();
  EXPECT_EQ(partial, FileText(kSettings));
  EXPECT_FALSE(M().Pc().Files().Attributes(kSettings) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(TavosTest, StartsOnEveryWindowsWithATaskbar) {
  for (const char* os : {"95", "98", "me", "nt4", "2000", "xp"}) {
    SCOPED_TRACE(os);
    TearDown();
    Boot(os);
    M().StartTavos();
    M().Wait(650);
    EXPECT_EQ((std::vector<std::string>{"0 timer start 1 650"}), Lines("timer"));
    EXPECT_EQ(1u, Lines("tray add").size());
    EXPECT_EQ((std::vector<std::string>{"650 ec 0xCF 0x81"}), Lines("ec 0xCF"));
    EXPECT_TRUE(M().TavosFrame() != nullptr);
  }
}

TEST_F(TavosTest, WindowsNt351HasNoTaskbarSoTheProgramEnds) {
  Boot("nt351");
  M().StartTavos();
  EXPECT_EQ(nullptr, M().TavosFrame());
  EXPECT_TRUE(Lines("tray").empty());
  ASSERT_EQ(1u, Lines("process end").size());
  M().Wait(2000);
  EXPECT_TRUE(Lines("ec 0xCF").empty()) << "nothing may run after the failed start";
}

TEST_F(TavosTest, AVersionAfterXpRunsOnTheDriverPath) {
  Boot("xp");
  M().Pc().SetProfile(winsim::CustomProfile(5, 2, VER_PLATFORM_WIN32_NT));
  M().StartTavos();
  M().PressHotKeys(0x01);
  M().Wait(650);
  EXPECT_EQ(1u, Lines("shell open \"Iexplore.exe\"").size());
}

TEST_F(TavosTest, TwoFailedVersionQueriesEndTheProgramSilently) {
  Boot("xp");
  M().Pc().FailVersionQueries(2);
  M().StartTavos();
  EXPECT_EQ(nullptr, M().TavosFrame());
  EXPECT_TRUE(Lines("msgbox").empty());
  EXPECT_FALSE(M().Pc().Files().Exists(kSettings));
}

TEST_F(TavosTest, OneFailedVersionQueryIsRetried) {
  Boot("xp");
  M().Pc().FailVersionQueries(1);
  M().StartTavos();
  EXPECT_NE(nullptr, M().TavosFrame());
}

TEST_F(TavosTest, ASecondCopyEndsAtOnceAndTheFirstGoesOn) {
  Boot("xp");
  M().StartTavos();
  M().StartTavos();
  EXPECT_EQ(2u, Lines("process start \"Tavos.exe\"").size());
  EXPECT_EQ(1u, Lines("process end \"Tavos.exe\"").size());
  EXPECT_EQ(1u, Lines("tray add").size());
  M().Wait(650);
  EXPECT_EQ(1u, Lines("ec 0xCF").size());
}

struct StateCase {
  const char* name;
  std::string stateFile;  // empty: no file
  bool disabled;
};

// One reading of the second line decides everything: polling, the icon and the menu's first
// item. Line 1 holds at most 40 characters and line 2 at most 20 before the rest spills over.
TEST_F(TavosTest, TheStateFileDecidesPollingIconAndMenuAlike) {
  const std::string banner = "[ Tavo Buttons Config File ]\r\n";
  const StateCase cases[] = {
      {"missing", "", false},
      {"enabled", banner + "0\r\n", false},
      {"disabled", banner + "1\r\n", true},
      {"one written long", banner + "+1.000\r\n", true},
      {"one with an exponent", banner + "0.1e1\r\n", true},
      {"hexadecimal", banner + "0x1\r\n", false},
      {"two", banner + "2\r\n", false},
      {"infinite", banner + "inf\r\n", false},
      {"not a number", banner + "nan\r\n", false},
      {"a word", banner + "yes\r\n", false},
      {"banner only", banner, false},
      {"blanks before", banner + "   1\r\n", true},
      {"first line of 39", std::string(39, 'x') + "\r\n1\r\n", true},
      {"first line of 40", std::string(40, 'x') + "\r\n1\r\n", false},
      {"second line of 20", banner + std::string(19, '0') + "1\r\n", true},
      {"second line of 21", banner + std::string(20, '0') + "1\r\n", false},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    Boot("xp");
    if (!c.stateFile.empty()) {
      ASSERT_TRUE(M().WriteFile(kState, c.stateFile));
    }
    M().StartTavos();
    M().Wait(1300);
    EXPECT_EQ(1u, Lines(c.disabled ? "tray add icon=133" : "tray add icon=128").size());
    EXPECT_EQ(c.disabled ? 0u : 2u, Lines("ec 0xCF").size());
    std::vector<std::string> timer = {"0 timer start 1 650"};
    if (c.disabled) timer.push_back("0 timer stop 1");
    EXPECT_EQ(timer, Lines("timer"));
    ASSERT_TRUE(M().ClickTray("right"));
    EXPECT_EQ(1u, Lines(c.disabled ? "menu \"*Enable\"" : "menu \"Disable\"").size());
  }
}

TEST_F(TavosTest, ExitTellsTheControllerAndClosesTheDevice) {
  Boot("xp");
  M().StartTavos();
  M().Wait(650);
  size_t before = M().Timeline().size();
  ASSERT_TRUE(M().Exit());
  EXPECT_EQ((std::vector<std::string>{"650 exit", "650 timer stop 1", "650 ec 0xCF 0x80",
                                      "650 process end \"Tavos.exe\" code=0"}),
            Lines("", before));
  EXPECT_EQ(0u, M().Kernel().Io().OpenHandles());
  EXPECT_TRUE(M().Pc().Tray().Icons().empty());
  M().Wait(2000);
  EXPECT_EQ(before + 4, M().Timeline().size()) << "nothing runs after the exit";
}

}  // namespace
}  // namespace tavos_test
