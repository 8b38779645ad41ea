// The tray icon's popup menu: what it shows, Disable/Enable across the poll cycle, the state
// file and restarts, the about box and EXIT.
#include <gtest/gtest.h>

#include <functional>

#include "tests/integration/tavos_fixture.h"

namespace tavos_test {
namespace {

constexpr char kState[] = "C:\\Tavos.ini";
const std::string kBanner = "[ Tavo Buttons Config File ]\r\n";

TEST_F(TavosTest, RightClickShowsDisableAboutSeparatorExit) {
  Boot("xp");
  M().StartTavos();
  M().Wait(100);
  ASSERT_TRUE(M().ClickTray("right"));
  EXPECT_EQ((std::vector<std::string>{"100 menu \"Disable\" \"About.....\" \"-\" \"EXIT\""}), Lines("menu"));
  EXPECT_EQ(M().TavosFrame(), M().Pc().Windows().Foreground()) << "the owner comes forward first";
  // The poll cycle goes on while the menu is open.
  M().Wait(650);
  EXPECT_EQ(1u, Lines("ec 0xCF").size());
  EXPECT_FALSE(M().Choose("Option")) << "removed before the menu shows";
  EXPECT_FALSE(M().Choose("Brightness"));
}

TEST_F(TavosTest, LeftAndDoubleClicksDoNothing) {
  Boot("xp");
  M().StartTavos();
  ASSERT_TRUE(M().ClickTray("left"));
  ASSERT_TRUE(M().ClickTray("double"));
  EXPECT_TRUE(Lines("menu").empty());
  EXPECT_EQ(nullptr, M().Pc().Windows().TopSurface());
}

TEST_F(TavosTest, DisableStopsPollingAndEnableResumesWithoutStaleKeys) {
  Boot("xp");
  M().StartTavos();
  M().Wait(650);
  ASSERT_TRUE(M().ClickTray("right"));
  ASSERT_TRUE(M().Choose("Disable"));
  EXPECT_EQ(kBanner + "1\r\n", FileText(kState));
  EXPECT_EQ((std::vector<std::string>{"0 tray add icon=128 tip=\"TAVO\"",
                                      "650 tray modify icon=133 tip=\"TVO\""}),
            Lines("tray"));
  EXPECT_EQ("650 timer stop 1", Lines("timer").back());

  M().PressHotKeys(0x01);
  M().Wait(1950);
  EXPECT_EQ(1u, Lines("ec 0xCF").size()) << "nothing is read or sent while disabled";
  EXPECT_TRUE(Lines("shell").empty());

  ASSERT_TRUE(M().ClickTray("right"));
  EXPECT_EQ("2600 menu \"*Enable\" \"About.....\" \"-\" \"EXIT\"", Lines("menu").back());
  ASSERT_TRUE(M().Choose("Enable"));
  EXPECT_EQ(kBanner + "0\r\n", FileText(kState));
  EXPECT_EQ("2600 tray modify icon=128 tip=\"TVO\"", Lines("tray").back());
  EXPECT_EQ("2600 timer start 1 650", Lines("timer").back());
  M().Wait(650);
  EXPECT_TRUE(Lines("shell").empty()) << "the key pressed while disabled was discarded";
  EXPECT_EQ(2u, Lines("ec 0xCF").size());
}

TEST_F(TavosTest, TheDisabledStateSurvivesARestart) {
  Boot("xp");
  M().StartTavos();
  ASSERT_TRUE(M().ClickTray("right"));
  ASSERT_TRUE(M().Choose("Disable"));
  ASSERT_TRUE(M().ClickTray("right"));
  ASSERT_TRUE(M().Choose("EXIT"));
  EXPECT_EQ(1u, Lines("process end \"Tavos.exe\"").size());
  size_t before = M().Timeline().size();
  M().StartTavos();
  M().Wait(1300);
  EXPECT_EQ((std::vector<std::string>{"0 timer start 1 650", "0 timer stop 1"}), Lines("timer", before));
  EXPECT_EQ(1u, Lines("tray add icon=133").size());
  EXPECT_TRUE(Lines("ec", before).empty());
}

TEST_F(TavosTest, DisableAndEnableWithoutADriverOnlyToggleTimerAndIcon) {
  Boot("xp", 1033, /*driverLoaded=*/false);
  M().StartTavos();
  ASSERT_TRUE(M().ClickTray("right"));
  ASSERT_TRUE(M().Choose("Disable"));
  ASSERT_TRUE(M().ClickTray("right"));
  ASSERT_TRUE(M().Choose("Enable"));
  EXPECT_EQ(kBanner + "0\r\n", FileText(kState));
  EXPECT_EQ(3u, Lines("tray").size());
  EXPECT_EQ(0u, M().Kernel().Io().RequestCount());
}

TEST_F(TavosTest, AboutShowsTheBoxAndItsExitClosesOnlyTheBox) {
  for (bool disabled : {false, true}) {
    SCOPED_TRACE(disabled ? "disabled" : "enabled");
    TearDown();
    Boot("xp");
    if (disabled) {
      ASSERT_TRUE(M().WriteFile(kState, kBanner + "1\r\n"));
    }
    M().StartTavos();
    ASSERT_TRUE(M().ClickTray("right"));
    ASSERT_TRUE(M().Choose("About....."));
    EXPECT_EQ((std::vector<std::string>{"0 dialog open 100"}), Lines("dialog"));
    ASSERT_TRUE(M().Choose("EXIT"));
    EXPECT_EQ((std::vector<std::string>{"0 dialog open 100", "0 dialog close 100 result=1"}),
              Lines("dialog"));
    EXPECT_NE(nullptr, M().TavosFrame()) << "the program goes on";
    EXPECT_TRUE(Lines("process end").empty());
  }
}

TEST_F(TavosTest, ExitFromTheMenuEndsTheProgram) {
  Boot("xp");
  M().StartTavos();
  ASSERT_TRUE(M().ClickTray("right"));
  ASSERT_TRUE(M().Choose("EXIT"));
  EXPECT_EQ((std::vector<std::string>{"0 ec 0xCF 0x80"}), Lines("ec 0xCF"));
  EXPECT_EQ(1u, Lines("process end \"Tavos.exe\" code=0").size());
  EXPECT_EQ(0u, M().Pc().Menus().Count()) << "every loaded menu was destroyed";
}

// EXIT ends Tavos cleanly from inside every modal loop a poll tick can open, chosen in the
// tray menu or sent as the command: "Off" is the controller's last word, the tick that opened
// the loop stops without touching the destroyed frame, and nothing runs afterwards.
TEST_F(TavosTest, ExitInsideAModalLoopOfATickEndsCleanly) {
  struct Opener {
    const char* name;
    std::function<void(tavos_sim::Machine&)> open;
    const char* shown;
  };
  const Opener openers[] = {
      {"option dialog", [](tavos_sim::Machine& m) { m.PressHotKeys(0x04); }, "dialog open 102"},
      {"player without a window",
       [](tavos_sim::Machine& m) {
         m.PressHotKeys(0x20);
         m.Wait(650);
         m.Pc().Windows().Remove(FindWindowA(nullptr, "MP3Player"));
         m.PressHotKeys(0x20);
       },
       "msgbox \"Can't found MP3Player\""},
      {"key-string error",
       [](tavos_sim::Machine& m) {
         m.PressHotKeys(0x10);
         m.Wait(1300);
         m.Pc().FailHookInstalls(1);
         m.PressMediaButtons(0x01);
       },
       "msgbox \"Can't install hook\""},
      // The same loops in a tick with work left after them: a later key, more media buttons.
      {"player without a window, the Internet key too",
       [](tavos_sim::Machine& m) {
         m.PressHotKeys(0x20);
         m.Wait(650);
         m.Pc().Windows().Remove(FindWindowA(nullptr, "MP3Player"));
         m.PressHotKeys(0x20 | 0x01);
       },
       "msgbox \"Can't found MP3Player\""},
      {"key-string error, more media buttons",
       [](tavos_sim::Machine& m) {
         m.PressHotKeys(0x10);
         m.Wait(1300);
         m.Pc().FailHookInstalls(1);
         m.PressMediaButtons(0x01 | 0x02 | 0x04);
       },
       "msgbox \"Can't install hook\""},
  };
  for (const Opener& opener : openers) {
    for (bool byMenu : {true, false}) {
      SCOPED_TRACE(std::string(opener.name) + (byMenu ? ", EXIT in the menu" : ", the command"));
      TearDown();
      Boot("xp");
      M().StartTavos();
      opener.open(M());
      M().Wait(650);
      ASSERT_EQ(1u, Lines(opener.shown).size());
      const size_t shown = M().Timeline().size();
      if (byMenu) {
        ASSERT_TRUE(M().ClickTray("right"));
        ASSERT_TRUE(M().Choose("EXIT"));
      } else {
        ASSERT_TRUE(M().Exit());
      }
      EXPECT_EQ(1u, Lines("process end \"Tavos.exe\" code=0").size());
      EXPECT_EQ("ec 0xCF 0x80", Lines("ec").back().substr(Lines("ec").back().find(' ') + 1));
      for (const char* action : {"shell", "play", "msgbox", "key", "dialog open"})
        EXPECT_TRUE(Lines(action, shown).empty()) << "the tick's work left after EXIT: " << action;
      const size_t ended = M().Timeline().size();
      M().Wait(1300);
      EXPECT_TRUE(Lines("", ended).empty());
      EXPECT_TRUE(M().Problems().empty());
    }
  }
}

}  // namespace
}  // namespace tavos_test
