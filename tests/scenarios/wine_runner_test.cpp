// The Linux side of the Wine leg: the scenario host's events become timeline lines in the
// simulation's format, the controller's bytes paired as the simulation pairs them; what Wine
// cannot do is refused before anything runs; the comparison sees lines one way on both sides.
#include "tools/tavos-sim/wine_runner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/tavos-sim/wine_machine.h"

namespace tavos_scenario {
namespace {

TEST(WineRunnerTest, HostEventsBecomeTimelineLines) {
  // One whole run's worth, in the order the host writes it; "-" is the empty string.
  const std::vector<std::string> host = {
      "@0 process-start 5461766f732e657865 332",
      "@0 timer-start 1 650",
      "@0 tray-add 128 5441564f",
      "@650 ec-cmd CF",
      "@650 ec-data 81",
      "@650 ec-cmd C1",  // its data byte never comes: reported alone at the next line
      "@650 shell 6f70656e 49657870 433a5c -",
      "@650 shell 6f70656e 49657870 - 2d6e",
      "@650 key down 0x5B",
      "@650 journal-set",  // Wine's own lines about the playback hook and the recorder
      "@650 key up 0xA2 held",
      "@650 recorder-key down 0x58 506f776572564352204949",
      "@650 journal-removed",
      "@650 journal-refused 5",
      "@650 process-start 505643522e455845 344",
      "@650 process-end 4d5033506c617965722e657865 0",
      "@650 menu 44697361626c65 2d 2a456e61626c65",
      "@650 dialog-open 100",
      "@650 dialog-close 100 1",
      "@650 msgbox 4869",
      "@650 tray-modify 133 54564f 65602 32778 142",
      "@650 ec-data 7F",  // data without a command
      "@1300 dump 433a5c612e747874 0d0a hidden",
      "@1300 dump 433a5c622e747874 -",
      "@1300 dump 433a5c63 missing",
      "@1300 exit",
      "@1300 timer-stop 1",
      "@1300 ec-cmd CF",
      "@1300 ec-data 80",
      "@1300 process-end 5461766f732e657865 0",
      "@1300 ec-cmd 66",  // still waiting when the statement ends: flushed
  };
  const std::vector<std::string> expected = {
      "0 process start \"Tavos.exe\" pid=332",
      "0 timer start 1 650",
      "0 tray add icon=128 tip=\"TAVO\"",
      "650 ec 0xCF 0x81",
      "650 ec 0xC1",
      "650 shell open \"Iexp\" dir \"C:\\\\\"",
      "650 shell open \"Iexp\" dir \"\" args \"-n\"",
      "650 key down 0x5B",
      "650 journal set",
      "650 key up 0xA2 held",
      "650 recorder key down 0x58 \"PowerVCR II\"",
      "650 journal removed",
      "650 journal refused error=5",
      "650 process start \"PVCR.EXE\" pid=344",
      "650 process end \"MP3Player.exe\" code=0",
      "650 menu \"Disable\" \"-\" \"*Enable\"",
      "650 dialog open 100",
      "650 dialog close 100 result=1",
      "650 msgbox \"Hi\"",
      "650 tray modify icon=133 tip=\"TVO\"",
      "650 ec data 0x7F",
      "1300 dump \"C:\\\\a.txt\" \"\\r\\n\" hidden",
      "1300 dump \"C:\\\\b.txt\" \"\"",
      "1300 dump \"C:\\\\c\" missing",
      "1300 exit",
      "1300 timer stop 1",
      "1300 ec 0xCF 0x80",
      "1300 process end \"Tavos.exe\" code=0",
      "1300 ec 0x66",
  };
  WineEventTranslator translator;
  std::vector<std::string> lines;
  for (const std::string& line : host) {
    std::string problem;
    EXPECT_TRUE(translator.Add(line, &lines, &problem)) << line << ": " << problem;
  }
  translator.Flush(&lines);
  EXPECT_EQ(lines, expected);

  // What the notebook or the probe reports as wrong, and anything malformed, is a problem.
  for (const char* bad : {"@650 hal-fault KfReleaseSpinLock of a lock that is not held",
                          "@0 probe-error no import keybd_event", "@0 shell 6f7 - -", "no stamp",
                          "@5 dump 41", "@650 journal-called 1", "@650 key down 0x41 late",
                          "@650 stand-in-error the stand-in with pid 9 did not settle"}) {
    std::string problem;
    std::vector<std::string> none;
    EXPECT_FALSE(translator.Add(bad, &none, &problem)) << bad;
    EXPECT_FALSE(problem.empty()) << bad;
    EXPECT_TRUE(none.empty()) << bad;
  }
}

TEST(WineRunnerTest, SurfaceEventsBecomeTheSimulationsLines) {
  // What the probe reads of the surfaces, strings in hex: each form as the simulation writes it.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"@0 command 32775", "0 command 32775"},
      {"@0 menu-dismissed", "0 menu dismissed"},
      {"@0 fileopen filter 412031 2a2e61 - - name 2a2e65",
       R"(0 fileopen filter "A 1" "*.a" "" "" name "*.e")"},
      {"@0 fileopen filter name -", R"(0 fileopen filter name "")"},
      {"@0 fileopen pick 433a5c41", R"(0 fileopen pick "C:\\A")"},
      {"@0 fileopen cancel", "0 fileopen cancel"},
      {"@0 screen none", "0 screen none"},
      {"@0 screen menu", "0 screen menu"},
      {"@0 screen item 2a45", R"(0 screen item "*E")"},
      {"@0 screen dialog 102 5441564f", R"(0 screen dialog 102 "TAVO")"},
      {"@0 screen msgbox 5441", R"(0 screen msgbox "TA")"},
      {"@0 screen fileopen 4f70656e", R"(0 screen fileopen "Open")"},
      {"@0 screen filter 41 2a2e61", R"(0 screen filter "A" "*.a")"},
      {"@0 screen name 2a2e657865", R"(0 screen name "*.exe")"},
      {"@0 screen control 1002 button 4f4b focus default",
       R"(0 screen control 1002 button "OK" focus default)"},
      {"@0 screen control -1 static -", R"(0 screen control -1 static "")"},
      {"@0 screen control 1009 icon 42 icon=144 checked disabled",
       R"(0 screen control 1009 icon "B" icon=144 checked disabled)"},
  };
  for (const auto& [host, expected] : cases) {
    WineEventTranslator translator;
    std::vector<std::string> lines;
    std::string problem;
    EXPECT_TRUE(translator.Add(host, &lines, &problem)) << host << ": " << problem;
    EXPECT_EQ(lines, std::vector<std::string>{expected}) << host;
  }
  // A string that is not hex, or a form the probe never writes, is a problem of the run.
  for (const char* bad : {"@0 screen item OK", "@0 screen dialog 102", "@0 screen window 41",
                          "@0 fileopen filter 41 2a name", "@0 fileopen pick", "@0 command"}) {
    WineEventTranslator translator;
    std::vector<std::string> none;
    std::string problem;
    EXPECT_FALSE(translator.Add(bad, &none, &problem)) << bad;
    EXPECT_TRUE(none.empty()) << bad;
  }
}

TEST(WineRunnerTest, RefusesWhatWineCannotDoBeforeAnythingRuns) {
  struct Case {
    const char* scenario;
    int line;  // 0: accepted
    const char* reason;
  } const cases[] = {
      {"os xp\nos nt4\nos 2000\nlang 1033\nec busy 3\nec stuck\nec ready\nstart\npress internet "
       "mail "
       "user search\nwait 650\nfile \"C:\\\\a\" \"x\"\ndump \"C:\\\\a\"\nexit\n",
       0, ""},
      {"start\nos 98\n", 0, ""},  // an os after start is the parser's error, not ours
      {"os me\n", 1, "direct port instructions"},
      {"os nt351\n", 1, "NT 3.51"},
      // The language is the host's, fixed for the run: changed after start it cannot be had.
      {"lang 1031\nlang 0x0411\nstart\nlang 0x0411\nexit\n", 0, ""},
      {"start\nlang 1031\n", 2, "cannot change within a run"},
      {"lang 1031\nstart\nlang 1033\n", 3, "cannot change within a run"},
      {"lang 0x040A\n", 1, "no locale gives"},  // es_ES gives 0x0C0A
      {"lang 0\n", 1, "no locale gives"},
      // Wine's driver host would unload portio under Tavos's open handle.
      {"driver absent\nstart\ndriver loaded\nexit\ndriver absent\n", 0, ""},
      {"start\nwait 650\ndriver absent\n", 3, "open handle"},
      {"process \"MP3Player.exe\"\nstart\nexit\n", 0, ""},
      // The media programs have stand-ins; a journal playback never runs, so none is cancelled.
      {"start\npress internet mp3 video\nmedia record next stop\nwait 650\n", 0, ""},
      {"start\nsystem ctrl+esc after 1\n", 2, "journal-playback hook"},
      {"system ctrl+alt+del\n", 1, "no key cancels"},
      {"hold F\nstart\npress search\nwait 650\nrelease f\n", 0, ""},
      {"start\npress user\nwait 650\nchoose \"Cancel\"\ntray double\n", 0, ""},
      {"start\nwait 650\ntray right\nchoose \"Disable\"\ncommand 32775\ntype \"x\"\nkey enter\n"
       "command 32775\nchoose \"Select File\"\npick \"C:\\\\A.exe\"\nscreen\nclose\n",
       0, ""},
      // The tray menu closes by a choice, a key or a left click; a right click on the icon while
      // it is open is the one Wine answers differently.
      {"start\ntray right\ntray left\ntray right\nkey esc\ntray right\nchoose \"EXIT\"\n", 0, ""},
      {"start\ntray right\nwait 650\ntray right\n", 4, "TPM_RIGHTBUTTON"},
  };
  for (const Case& c : cases) {
    ParseResult parsed = ParseScenario(c.scenario);
    if (!parsed.ok) {
      EXPECT_EQ(c.line, 0) << c.scenario;
      continue;
    }
    ScenarioError error;
    const bool accepted = CheckWineStatements(parsed.statements, &error);
    EXPECT_EQ(accepted, c.line == 0) << c.scenario;
    if (c.line == 0) continue;
    EXPECT_EQ(error.line, c.line) << c.scenario;
    EXPECT_NE(error.message.find(c.reason), std::string::npos) << error.message;
  }
}

TEST(WineRunnerTest, RunLanguageIsTheOneInForceAtTheFirstStart) {
  struct Case {
    const char* scenario;
    unsigned language;
    const char* locale;
  } const cases[] = {
      {"start\n", 0x0409, "en_US"},
      {"lang 1031\nstart\n", 0x0407, "de_DE"},
      {"lang 1031\nlang 0x0411\nstart\nlang 1031\n", 0x0411, "ja_JP"},
      {"file \"C:\\\\a\" \"x\"\nlang 0x0C0A\n", 0x0C0A, "es_ES"},  // no start: the last
  };
  for (const Case& c : cases) {
    ParseResult parsed = ParseScenario(c.scenario);
    ASSERT_TRUE(parsed.ok) << c.scenario;
    EXPECT_EQ(WineRunLanguage(parsed.statements), c.language) << c.scenario;
    std::string why;
    EXPECT_EQ(WineLocaleFor(c.language, &why), c.locale) << c.scenario;
  }
}

TEST(WineRunnerTest, ComparisonSeesObservedLinesOneWay) {
  EXPECT_TRUE(WineObserves("650 ec 0xCF 0x81"));
  EXPECT_TRUE(WineObserves("0 process start \"Tavos.exe\" pid=260"));
  EXPECT_TRUE(WineObserves("1950 exit"));
  EXPECT_FALSE(WineObserves("650 process start \"Iexplore.exe\" pid=268"));
  EXPECT_FALSE(WineObserves("650 mixer \"Master Mute\" 1"));
  EXPECT_FALSE(WineObserves("650 play key down 0x41"));
  EXPECT_FALSE(WineObserves("650 journal cancelled"));
  EXPECT_FALSE(WineObserves("650 recorder key down 0x58"));  // the simulation has none
  EXPECT_TRUE(WineObserves("650 key down 0xA2 held"));
  EXPECT_TRUE(WineObserves("650 process start \"PVCR.EXE\" pid=272"));
  EXPECT_TRUE(WineObserves("650 process end \"MP3Player.exe\" code=0"));
  EXPECT_FALSE(WineObserves("650 process start \"MP3Player.exe.bak\" pid=272"));
  EXPECT_TRUE(WineObserves("650 dialog open 102"));
  EXPECT_TRUE(WineObserves("650 menu \"Disable\" \"-\""));
  EXPECT_TRUE(WineObserves("650 menu dismissed"));
  EXPECT_TRUE(WineObserves("0 screen control 1002 button \"OK\""));
  EXPECT_TRUE(WineObserves("0 fileopen cancel"));
  EXPECT_TRUE(WineObserves("0 command 32775"));
  EXPECT_FALSE(WineObserves("0 osd \"Volume 60%\""));  // the display's texts: see docs/wine.md
  EXPECT_FALSE(WineObserves("650 keyboard"));          // a kind is a whole word
  EXPECT_EQ(ComparableLine("0 process start \"Tavos.exe\" pid=260"),
            "0 process start \"Tavos.exe\"");
  EXPECT_EQ(ComparableLine("650 shell open \"C:\\\\windows\\\\MP3Player.exe\" dir \"\""),
            "650 shell open \"C:\\\\WINDOWS\\\\MP3Player.exe\" dir \"\"");
  EXPECT_EQ(ComparableLine("650 shell open \"C:\\\\windowsX\\\\a\" dir \"\""),
            "650 shell open \"C:\\\\windowsX\\\\a\" dir \"\"");
}

}  // namespace
}  // namespace tavos_scenario
