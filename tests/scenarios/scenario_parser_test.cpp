// The scenario parser: each statement's fields, strings and comments, and every kind of
// malformed line reported with its line number.
#include <gtest/gtest.h>

#include <string>

#include "sim/notebook/notebook_keys.h"
#include "tools/tavos-sim/scenario_parser.h"

namespace tavos_scenario {
namespace {

// The one statement of a one-line scenario; fails the test when it does not parse.
Statement One(const std::string& line) {
  ParseResult result = ParseScenario(line);
  EXPECT_TRUE(result.ok) << line << " -> " << result.error.ToString();
  EXPECT_EQ(1u, result.statements.size()) << line;
  return result.statements.empty() ? Statement() : result.statements[0];
}

// The error of a scenario that must not parse.
ScenarioError Error(const std::string& text) {
  ParseResult result = ParseScenario(text);
  EXPECT_FALSE(result.ok) << text;
  EXPECT_TRUE(result.statements.empty()) << "a failed parse hands out no statements";
  return result.error;
}

TEST(ScenarioParser, MachineStatements) {
  for (const char* os : {"95", "98", "me", "nt351", "nt4", "2000", "xp"}) {
    Statement s = One(std::string("os ") + os);
    EXPECT_EQ(Op::Os, s.op);
    EXPECT_EQ(os, s.os);
  }
  EXPECT_EQ(1031u, One("lang 1031").number);
  EXPECT_EQ(0x0407u, One("lang 0x0407").number);
  EXPECT_EQ(0u, One("lang 0").number);
  EXPECT_EQ(65535u, One("lang 65535").number);
  EXPECT_EQ(Op::Lang, One("lang 1").op);

  EXPECT_TRUE(One("driver loaded").driverLoaded);
  EXPECT_FALSE(One("driver absent").driverLoaded);
  EXPECT_EQ(Op::Driver, One("driver absent").op);

  EXPECT_EQ(EcMode::Ready, One("ec ready").ec);
  EXPECT_EQ(EcMode::Stuck, One("ec stuck").ec);
  Statement busy = One("ec busy 3");
  EXPECT_EQ(Op::Ec, busy.op);
  EXPECT_EQ(EcMode::Busy, busy.ec);
  EXPECT_EQ(3u, busy.number);
  EXPECT_EQ(1000000u, One("ec busy 1000000").number);
}

TEST(ScenarioParser, ProgramAndFileStatements) {
  EXPECT_EQ(Op::Start, One("start").op);
  EXPECT_EQ(Op::Exit, One("exit").op);

  Statement file = One(R"(file "C:\\WINDOWS\\SelectFile.ini" "[A]\r\n")");
  EXPECT_EQ(Op::File, file.op);
  EXPECT_EQ("C:\\WINDOWS\\SelectFile.ini", file.path);
  EXPECT_EQ("[A]\r\n", file.text);
  EXPECT_EQ("", One(R"(file "C:\\empty" "")").text);

  Statement dump = One(R"(dump "C:\\Tavos.ini")");
  EXPECT_EQ(Op::Dump, dump.op);
  EXPECT_EQ("C:\\Tavos.ini", dump.path);

  Statement choose = One(R"(choose "Cancel")");
  EXPECT_EQ(Op::Choose, choose.op);
  EXPECT_EQ("Cancel", choose.text);

  Statement tray = One("tray right");
  EXPECT_EQ(Op::Tray, tray.op);
  EXPECT_EQ("right", tray.text);
  EXPECT_EQ("left", One("tray left").text);
  EXPECT_EQ("double", One("tray double").text);

  Statement wait = One("wait 650");
  EXPECT_EQ(Op::Wait, wait.op);
  EXPECT_EQ(650u, wait.number);
  EXPECT_EQ(0u, One("wait 0").number);
  EXPECT_EQ(kMaxVirtualMs, One("wait 86400000").number);
}

// A bare name runs from the Windows directory; anything Windows could not start as a
// program file is refused before the run.
TEST(ScenarioParser, ProcessNamesBecomeFullPaths) {
  Statement bare = One(R"(process "MP3Player.exe")");
  EXPECT_EQ(Op::Process, bare.op);
  EXPECT_EQ("C:\\WINDOWS\\MP3Player.exe", bare.path);
  EXPECT_EQ("C:\\Program Files\\CyberLink\\PowerVCRII\\PVCR.EXE",
            One(R"(process "C:\\Program Files\\CyberLink\\PowerVCRII\\PVCR.EXE")").path);
  EXPECT_EQ("d:\\x", One(R"(process "d:\\x")").path);

  std::string longest(kMaxProcessPath - 3, 'a');
  EXPECT_EQ("C:\\" + longest, One("process \"C:\\\\" + longest + "\"").path);
  EXPECT_EQ("process: \"C:\\\\aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\"...: the path is longer than 259 characters",
            Error("process \"C:\\\\" + longest + "a\"").message);
  std::string bareLongest(kMaxProcessPath - 11, 'b');
  EXPECT_EQ(kMaxProcessPath, One("process \"" + bareLongest + "\"").path.size());
  EXPECT_NE("", Error("process \"" + bareLongest + "b\"").message);

  struct Case {
    const char* line;
    const char* message;
  };
  // Messages quote the name as the timeline does, so a backslash shows doubled.
  const Case cases[] = {
      {R"(process "")", R"(process: "": an empty name)"},
      {R"(process "Program Files\\x.exe")",
       R"(process: "Program Files\\x.exe": a path starts with a drive, such as C:\)"},
      {R"(process "C:x.exe")", R"(process: "C:x.exe": no file name holds ":")"},
      {R"(process "C:\\a\\")", R"(process: "C:\\a\\": a folder, not a program)"},
      {R"(process "C:\\")", R"(process: "C:\\": a folder, not a program)"},
      {R"(process "C:\\a\\\\b.exe")", R"(process: "C:\\a\\\\b.exe": an empty folder name)"},
      {R"(process "a/b.exe")", R"(process: "a/b.exe": no file name holds "/")"},
      {R"(process "a?.exe")", R"(process: "a?.exe": no file name holds "?")"},
      {R"(process "a\".exe")", R"(process: "a\".exe": no file name holds "\"")"},
      {R"(process "a\n.exe")", R"(process: "a\n.exe": no file name holds "\n")"},
      {R"(process "a\000.exe")", R"(process: "a\000.exe": no file name holds "\000")"},
      {R"(process x.exe)", R"(process: expected the program's name or path in double quotes)"},
      {R"(process)", R"(process: missing argument)"},
      {R"(process "a" "b")", R"(process: too many arguments)"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.message, Error(c.line).message) << c.line;
}

TEST(ScenarioParser, HotKeysAndMediaButtonsAreLatchBits) {
  EXPECT_EQ(Op::Press, One("press internet").op);
  EXPECT_EQ(sim::kHotKeyInternet, One("press internet").number);
  EXPECT_EQ(sim::kHotKeyEmail, One("press mail").number);
  EXPECT_EQ(sim::kHotKeyUser, One("press user").number);
  EXPECT_EQ(sim::kHotKeySearch, One("press search").number);
  EXPECT_EQ(sim::kHotKeyVideoRecorder, One("press video").number);
  EXPECT_EQ(sim::kHotKeyMp3, One("press mp3").number);
  EXPECT_EQ(0x3Fu, One("press internet mail user search video mp3").number);
  EXPECT_EQ(0x01u, One("press internet internet").number);

  EXPECT_EQ(Op::Media, One("media stop").op);
  EXPECT_EQ(sim::kMediaRecord, One("media record").number);
  EXPECT_EQ(sim::kMediaEnter, One("media enter").number);
  EXPECT_EQ(sim::kMediaNext, One("media next").number);
  EXPECT_EQ(sim::kMediaPrev, One("media prev").number);
  EXPECT_EQ(sim::kMediaStop, One("media stop").number);
  EXPECT_EQ(0x1Fu, One("media record enter next prev stop").number);
}

TEST(ScenarioParser, KeysAreVirtualKeyCodes) {
  Statement hold = One("hold F");
  EXPECT_EQ(Op::Hold, hold.op);
  EXPECT_EQ(0x46u, hold.number);
  EXPECT_EQ(Op::Release, One("release F").op);
  EXPECT_EQ(0x46u, One("release f").number) << "a letter is its upper-case code in either case";
  EXPECT_EQ(0x37u, One("hold 7").number);
  EXPECT_EQ(0x5Bu, One("hold LWIN").number);
  EXPECT_EQ(0x5Bu, One("hold lwin").number);
  EXPECT_EQ(0x10u, One("hold SHIFT").number);
  EXPECT_EQ(0x11u, One("hold CONTROL").number);
  EXPECT_EQ(0x70u, One("hold F1").number) << "F1 is a function key, not the letter F";
  EXPECT_EQ(0x5Bu, One("hold 0x5B").number);
  EXPECT_EQ(0x01u, One("hold 0x1").number);
  EXPECT_EQ(0xFEu, One("hold 0xfe").number);
}

TEST(ScenarioParser, StringEscapes) {
  EXPECT_EQ("a\\b", One(R"(choose "a\\b")").text);
  EXPECT_EQ("say \"hi\"", One(R"(choose "say \"hi\"")").text);
  EXPECT_EQ("\r\n\t", One(R"(choose "\r\n\t")").text);
  EXPECT_EQ(std::string("\x00\x41\xff", 3), One(R"(choose "\x00\x41\xFF")").text);
  EXPECT_EQ("\x01" "23", One(R"(choose "\x0123")").text) << "\\x takes exactly two digits";
  EXPECT_EQ(std::string("\0", 1) + "\x07" "\xff", One(R"(choose "\0\7\377")").text);
  EXPECT_EQ("\x01" "8", One(R"(choose "\18")").text) << "8 is no octal digit";
  EXPECT_EQ("\x0a" "1", One(R"(choose "\0121")").text) << "octal takes at most three digits";
  EXPECT_EQ("  spaces  ", One(R"(choose "  spaces  ")").text);
}

TEST(ScenarioParser, CommentsAndBlankLines) {
  ParseResult result = ParseScenario(
      "# a scenario\n"
      "\n"
      "   \t\n"
      "start   # starts Tavos\n"
      "choose \"# not a comment\" # a comment\n"
      "wait 650#glued\n"
      "  # indented comment\n"
      "exit\r\n"
      "dump \"C:\\\\x\"");  // no newline at the end
  ASSERT_TRUE(result.ok) << result.error.ToString();
  ASSERT_EQ(5u, result.statements.size());
  EXPECT_EQ(Op::Start, result.statements[0].op);
  EXPECT_EQ(4, result.statements[0].line) << "blank and comment lines count";
  EXPECT_EQ("# not a comment", result.statements[1].text);
  EXPECT_EQ(5, result.statements[1].line);
  EXPECT_EQ(650u, result.statements[2].number);
  EXPECT_EQ(Op::Exit, result.statements[3].op) << "a CR before the newline is blank";
  EXPECT_EQ("C:\\x", result.statements[4].path);
  EXPECT_EQ(9, result.statements[4].line);

  EXPECT_TRUE(ParseScenario("").ok);
  EXPECT_TRUE(ParseScenario("# only\n\n").statements.empty());
}

TEST(ScenarioParser, ParseLineReportsEmptyLines) {
  Statement statement;
  bool empty = false;
  ScenarioError error;
  ASSERT_TRUE(ParseLine("   # nothing", 3, &statement, &empty, &error));
  EXPECT_TRUE(empty);
  ASSERT_TRUE(ParseLine("wait 5", 4, &statement, &empty, &error));
  EXPECT_FALSE(empty);
  EXPECT_EQ(4, statement.line);
  EXPECT_FALSE(ParseLine("wait x", 7, &statement, &empty, &error));
  EXPECT_EQ(7, error.line);
}

TEST(ScenarioParser, MalformedStringsAndTokens) {
  struct Case {
    std::string line;
    const char* message;
  };
  const Case cases[] = {
      {R"(choose "open)", "unterminated string"},
      {R"(choose "ends in a backslash\)", "unterminated string"},
      {R"(choose "\q")", R"(unknown escape \q (write a backslash as \\, as in "C:\\Tools"))"},
      {"choose \"\\\x01\"", "unknown escape: \\ followed by byte 0x01"},
      {std::string("choose \"\\\0\"", 11), "unknown escape: \\ followed by byte 0x00"},
      {"choose \"\\ \"", "unknown escape: \\ followed by byte 0x20"},
      {R"(choose "\x4")", "\\x needs two hex digits"},
      {R"(choose "\xG0")", "\\x needs two hex digits"},
      {R"(choose "\400")", "octal escape above \\377"},
      {R"(choose "a"b)", "expected a space after the closing quote"},
      {R"(choose "a""b")", "expected a space after the closing quote"},
      {R"(choose x"a")", "expected a space before the opening quote"},
      {R"("start")", "a statement starts with a keyword, not a string"},
  };
  for (const Case& c : cases) {
    ScenarioError error = Error(std::string("start\n") + c.line + "\nexit\n");
    EXPECT_EQ(2, error.line) << c.line;
    EXPECT_EQ(c.message, error.message) << c.line;
  }
}

TEST(ScenarioParser, MalformedStatements) {
  struct Case {
    const char* line;
    const char* message;
  };
  const Case cases[] = {
      {"launch", "unknown statement \"launch\""},
      {"Start", "unknown statement \"Start\" (keywords are lower case: start)"},
      {"Wibble", "unknown statement \"Wibble\""},
      {"os", "os: missing argument"},
      {"os xp 98", "os: too many arguments"},
      {"os vista", "os: unknown Windows version \"vista\" (95, 98, me, nt351, nt4, 2000 or xp)"},
      {"os \"xp\"", "os: expected a Windows version, found a string"},
      {"lang 65536", "lang: \"65536\" is out of range (0 to 65535)"},
      {"lang 0x10000", "lang: \"0x10000\" is out of range (0 to 65535)"},
      {"lang -1", "lang: expected a language id, found \"-1\""},
      {"lang 10a", "lang: expected a language id, found \"10a\""},
      {"lang 0x", "lang: expected a language id, found \"0x\""},
      {"driver on", "driver: expected loaded or absent, found \"on\""},
      {"ec", "ec: missing argument"},
      {"ec busy", "ec: busy needs the number of status reads"},
      {"ec busy 1000001", "ec: \"1000001\" is out of range (0 to 1000000)"},
      {"ec busy 2 3", "ec: too many arguments"},
      {"ec ready 2", "ec: too many arguments"},
      {"ec slow", "ec: expected ready, busy N or stuck, found \"slow\""},
      {"file \"C:\\\\a\"", "file: missing arguments"},
      {"file C:\\a \"x\"", "file: expected the path in double quotes"},
      {"file \"C:\\\\a\" x", "file: expected the bytes in double quotes"},
      {"start now", "start: too many arguments"},
      {"exit 0", "exit: too many arguments"},
      {"press", "press: missing argument"},
      {"press internet phone",
       "press: unknown hot key \"phone\" (internet, mail, user, search, video or mp3)"},
      {"press Internet", "press: unknown hot key \"Internet\" (internet, mail, user, search, video or mp3)"},
      {"media play", "media: unknown media button \"play\" (record, enter, next, prev or stop)"},
      {"media \"stop\"", "media: expected a key name, found a string"},
      {"hold", "hold: missing argument"},
      {"hold F G", "hold: too many arguments"},
      {"release FN",
       "release: unknown key \"FN\" (a letter, a digit, a name such as LWIN, or 0x01 to 0xFE)"},
      {"hold 0x00", "hold: unknown key \"0x00\" (a letter, a digit, a name such as LWIN, or 0x01 to 0xFE)"},
      {"hold 0xFF", "hold: unknown key \"0xFF\" (a letter, a digit, a name such as LWIN, or 0x01 to 0xFE)"},
      {"hold 0x100", "hold: unknown key \"0x100\" (a letter, a digit, a name such as LWIN, or 0x01 to 0xFE)"},
      {"wait", "wait: missing argument"},
      {"wait 86400001", "wait: \"86400001\" is out of range (0 to 86400000)"},
      {"wait 99999999999999999999999", "wait: \"99999999999999999999999\" is out of range (0 to 86400000)"},
      {"wait 123456789012345678901234567890123456789012345",
       "wait: \"1234567890123456789012345678901234567890\"... is out of range (0 to 86400000)"},
      {"bad\x1b[2J", "unknown statement \"bad\\033[2J\""},
      {"wait 1.5", "wait: expected milliseconds, found \"1.5\""},
      {"dump C:\\x", "dump: expected the path in double quotes"},
      {"choose OK", "choose: expected the choice in double quotes"},
      {"tray", "tray: missing argument"},
      {"tray middle", "tray: expected right, left or double, found \"middle\""},
      {"tray Right", "tray: expected right, left or double, found \"Right\""},
      {"tray \"right\"", "tray: expected right, left or double, found a string"},
      {"tray right left", "tray: too many arguments"},
      {"type C:\\a", "type: expected the text in double quotes"},
      {"type \"a\\nb\"", "type: a one-line edit box takes no control characters"},
      {"key return", "key: expected enter or esc, found \"return\""},
      {"close now", "close: too many arguments"},
      {"pick later", "pick: expected \"PATH\" or cancel, found \"later\""},
      {"pick \"a.exe\"", "pick: \"a.exe\": the file dialog answers with a full path, such as C:\\Tools\\A.EXE"},
      {"pick \"C:\\\\T\\\\\"", "pick: \"C:\\\\T\\\\\": a folder, not a program"},
      {"command 65536", "command: \"65536\" is out of range (0 to 65535)"},
      {"screen 1", "screen: too many arguments"},
      {"choose \"OK\" \"Cancel\"", "choose: too many arguments"},
  };
  for (const Case& c : cases) {
    ScenarioError error = Error(std::string("# header\n\n") + c.line);
    EXPECT_EQ(3, error.line) << c.line;
    EXPECT_EQ(c.message, error.message) << c.line;
  }
}

TEST(ScenarioParser, OsAfterStartIsAnError) {
  EXPECT_TRUE(ParseScenario("os 98\nlang 1031\nos 2000\nstart\nlang 1033\n").ok)
      << "os may change until the first start; lang may change later";
  ScenarioError error = Error("os 98\nstart\nexit\n# later\nos xp\n");
  EXPECT_EQ(5, error.line);
  EXPECT_EQ(kOsAfterStart, error.message);
}

TEST(ScenarioParser, TheFirstErrorWins) {
  ScenarioError error = Error("start\nwait x\nbogus\n");
  EXPECT_EQ(2, error.line);
  EXPECT_EQ("line 2: wait: expected milliseconds, found \"x\"", error.ToString());
}

}  // namespace
}  // namespace tavos_scenario
