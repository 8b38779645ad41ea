// The scenario runner: what the machine refuses becomes a scenario error with its line, a
// run stops at it, and drive C: lives exactly as long as it should.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/machine/drive_folder.h"
#include "sim/winsim/keyboard.h"
#include "sim/winsim/sim_process.h"
#include "tools/tavos-sim/scenario_runner.h"

namespace tavos_scenario {
namespace {

namespace fs = std::filesystem;

std::vector<Statement> Parse(const std::string& text) {
  ParseResult result = ParseScenario(text);
  EXPECT_TRUE(result.ok) << result.error.ToString();
  return result.statements;
}

// Each test gets a fresh drive C:.
class ScenarioRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sandbox_.Create("", &error)) << error;
  }

  // Runs `text` and expects it to stop at `line` with `message`.
  RunResult RunExpectingError(const std::string& text, int line, const std::string& message) {
    RunResult run = RunScenario(Parse(text), sandbox_.Path());
    EXPECT_FALSE(run.ok) << text;
    EXPECT_EQ(line, run.error.line) << text;
    EXPECT_EQ(message, run.error.message) << text;
    EXPECT_EQ(std::vector<std::string>{}, run.problems);
    return run;
  }

  tavos_sim::DriveFolder sandbox_;
};

TEST_F(ScenarioRunnerTest, ExitWithNoTavosRunningIsAnError) {
  RunExpectingError("exit\n", 1, "exit: no Tavos is running");
  RunResult run = RunExpectingError("start\nexit\nexit\n", 3, "exit: no Tavos is running");
  EXPECT_EQ("0 process end \"Tavos.exe\" code=0", run.timeline.back())
      << "a refused exit leaves no line: only the first one reached Tavos";
}

TEST_F(ScenarioRunnerTest, ChooseNamesWhatIsOnScreen) {
  RunExpectingError("choose \"OK\"\n", 1, "choose: nothing on screen waits for a choice");
  // The user key with no program configured opens the options dialog.
  RunResult run = RunScenario(Parse("start\npress user\nwait 650\nchoose \"Maybe\"\n"), sandbox_.Path());
  EXPECT_FALSE(run.ok);
  EXPECT_EQ(4, run.error.line);
  EXPECT_EQ(0u, run.error.message.rfind("choose: the dialog on top offers no \"Maybe\" (it offers \"", 0))
      << run.error.message;
  EXPECT_NE(std::string::npos, run.error.message.find("\"Cancel\"")) << run.error.message;
  EXPECT_EQ("650 dialog open 102", run.timeline.back()) << "a refused choice changes nothing";
}

TEST_F(ScenarioRunnerTest, ARunStopsAtTheFailingStatement) {
  RunResult run = RunExpectingError("start\nexit\nexit\nstart\nwait 650\n", 3, "exit: no Tavos is running");
  for (const std::string& line : run.timeline)
    EXPECT_EQ(std::string::npos, line.find("pid=268")) << "the second start ran: " << line;
}

TEST_F(ScenarioRunnerTest, DriverCannotBeUnloadedWhileTavosHoldsIt) {
  RunExpectingError("start\nwait 650\ndriver absent\n", 3,
                    "driver absent: the kernel refused to unload portio (a running program holds it open)");
  RunResult run = RunScenario(Parse("start\nexit\ndriver absent\ndriver loaded\n"), sandbox_.Path());
  EXPECT_TRUE(run.ok) << run.error.ToString();
}

TEST_F(ScenarioRunnerTest, VirtualTimeIsBoundedPerRun) {
  RunResult run = RunScenario(Parse("wait 86400000\n"), sandbox_.Path());
  EXPECT_TRUE(run.ok) << run.error.ToString();
  RunExpectingError("wait 86000000\nwait 400000\nwait 1\n", 3,
                    "wait: a run lasts at most 86400000 ms of virtual time; it is at 86400000 ms");
}

TEST_F(ScenarioRunnerTest, StartsAreBounded) {
  std::string text;
  for (int i = 0; i <= kMaxStarts; ++i) text += "start\n";
  RunExpectingError(text, kMaxStarts + 1, "start: at most 64 copies of Tavos per run");
}

TEST_F(ScenarioRunnerTest, AFileThatCannotBeWrittenIsAnError) {
  const std::string because = " (not a file path on C:, or a folder or file stands in its way)";
  RunExpectingError("file \"D:\\\\a.txt\"  \"x\"\n", 1, "file: cannot write \"D:\\\\a.txt\"" + because);
  RunExpectingError("file \"C:\\\\WINDOWS\" \"x\"\n", 1, "file: cannot write \"C:\\\\WINDOWS\"" + because);
  RunExpectingError("file \"C:\\\\a\" \"x\"\nfile \"C:\\\\a\\\\b\" \"y\"\n", 2,
                    "file: cannot write \"C:\\\\a\\\\b\"" + because);
}

TEST_F(ScenarioRunnerTest, ProcessesAreBounded) {
  std::string text;
  for (int i = 0; i <= kMaxProcesses; ++i) text += "process \"P" + std::to_string(i) + ".exe\"\n";
  RunResult run = RunExpectingError(text, kMaxProcesses + 1, "process: at most 1024 processes per run");
  EXPECT_EQ("0 process start \"P1023.exe\" pid=" + std::to_string(260 + 4 * 1023), run.timeline.back());
}

// The icon belongs to a running Tavos: before it starts and after it ends there is none.
TEST_F(ScenarioRunnerTest, TrayClicksNeedTheIcon) {
  RunExpectingError("tray right\n", 1, "tray: there is no icon in the notification area");
  RunResult run = RunExpectingError("start\nexit\ntray left\n", 3,
                                    "tray: there is no icon in the notification area");
  EXPECT_EQ("0 process end \"Tavos.exe\" code=0", run.timeline.back());
}

TEST_F(ScenarioRunnerTest, ProcessStartsFromTheWindowsDirectoryOrItsPath) {
  ScenarioRunner runner(sandbox_.Path());
  ScenarioError error;
  for (const Statement& s : Parse("process \"MP3Player.exe\"\nprocess \"C:\\\\Apps\\\\PVCR.EXE\"\n"))
    ASSERT_TRUE(runner.Apply(s, &error)) << error.ToString();
  std::vector<std::string> paths;
  for (winsim::SimProcess* process : runner.Machine().Pc().Processes()) paths.push_back(process->exePath);
  // After the processes Windows itself runs.
  ASSERT_LE(2u, paths.size());
  EXPECT_EQ((std::vector<std::string>{"C:\\WINDOWS\\MP3Player.exe", "C:\\Apps\\PVCR.EXE"}),
            std::vector<std::string>(paths.end() - 2, paths.end()));
  EXPECT_EQ((std::vector<std::string>{"0 process start \"MP3Player.exe\" pid=260",
                                      "0 process start \"PVCR.EXE\" pid=264"}),
            runner.TakeNewLines());
}

TEST_F(ScenarioRunnerTest, OsAfterStartIsRefusedOneLineAtATime) {
  ScenarioRunner runner(sandbox_.Path());
  Statement statement;
  bool empty = false;
  ScenarioError error;
  ASSERT_TRUE(ParseLine("os 2000", 1, &statement, &empty, &error));
  EXPECT_TRUE(runner.Apply(statement, &error));
  ASSERT_TRUE(ParseLine("start", 2, &statement, &empty, &error));
  EXPECT_TRUE(runner.Apply(statement, &error));
  ASSERT_TRUE(ParseLine("os xp", 3, &statement, &empty, &error));
  EXPECT_FALSE(runner.Apply(statement, &error));
  EXPECT_EQ(3, error.line);
  EXPECT_EQ(kOsAfterStart, error.message);
  EXPECT_EQ("2000", runner.Machine().Pc().Profile().name);
}

// What no timeline line shows while no Tavos runs (latched keys, held keys, the machine's
// settings): checked on the machine itself.
TEST_F(ScenarioRunnerTest, StatementsReachTheMachine) {
  ScenarioRunner runner(sandbox_.Path());
  ScenarioError error;
  for (const Statement& s : Parse("os nt4\nlang 1031\ndriver absent\npress video mp3\npress internet\n"
                                  "media record stop\nhold LWIN\nhold F\nrelease F\n"))
    ASSERT_TRUE(runner.Apply(s, &error)) << error.ToString();
  tavos_sim::Machine& m = runner.Machine();
  EXPECT_EQ("nt4", m.Pc().Profile().name);
  EXPECT_EQ(1031, m.Pc().Language());
  EXPECT_FALSE(m.Kernel().Io().DriverLoaded());
  EXPECT_EQ(0x31, m.Notebook().HotKeys().Value());
  EXPECT_EQ(0x11, m.Notebook().MediaButtons().Value());
  EXPECT_TRUE(m.Pc().Keys().Held(0x5B));
  EXPECT_FALSE(m.Pc().Keys().Held(0x46));
  for (const Statement& s : Parse("driver loaded\n")) ASSERT_TRUE(runner.Apply(s, &error));
  EXPECT_TRUE(m.Kernel().Io().DriverLoaded());
}

TEST_F(ScenarioRunnerTest, NewLinesAreHandedOutOnce) {
  ScenarioRunner runner(sandbox_.Path());
  ScenarioError error;
  std::vector<Statement> statements = Parse("start\nwait 650\ndump \"C:\\\\none\"\n");
  ASSERT_TRUE(runner.Apply(statements[0], &error));
  std::vector<std::string> first = runner.TakeNewLines();
  ASSERT_EQ(3u, first.size());
  EXPECT_EQ("0 process start \"Tavos.exe\" pid=260", first[0]);
  EXPECT_EQ(std::vector<std::string>{}, runner.TakeNewLines());
  ASSERT_TRUE(runner.Apply(statements[1], &error));
  ASSERT_TRUE(runner.Apply(statements[2], &error));
  EXPECT_EQ((std::vector<std::string>{"650 ec 0xCF 0x81", "650 ec 0xC1 0x00", "650 dump \"C:\\\\none\" missing"}),
            runner.TakeNewLines());
}

TEST_F(ScenarioRunnerTest, ListFilesShowsSizesAndHiddenFiles) {
  ScenarioRunner runner(sandbox_.Path());
  ScenarioError error;
  for (const Statement& s : Parse("file \"C:\\\\data\\\\b.txt\" \"12345\"\nstart\n"))
    ASSERT_TRUE(runner.Apply(s, &error)) << error.ToString();
  std::vector<std::string> files = ListFiles(runner.Machine());
  auto has = [&](const std::string& line) {
    return std::find(files.begin(), files.end(), line) != files.end();
  };
  EXPECT_TRUE(has("C:\\data\\b.txt 5")) << ::testing::PrintToString(files);
  EXPECT_TRUE(has("C:\\WINDOWS\\SelectFile.ini 101 hidden")) << ::testing::PrintToString(files);
  EXPECT_TRUE(has("C:\\Program Files\\Tavos\\Tavos.exe 2")) << ::testing::PrintToString(files);
  for (const std::string& line : files) EXPECT_EQ(0u, line.rfind("C:\\", 0)) << line;
}

TEST(DriveFolder, ATemporaryDriveIsRemovedAndAKeptOneStays) {
  std::string error;
  std::string temporary;
  {
    tavos_sim::DriveFolder sandbox;
    ASSERT_TRUE(sandbox.Create("", &error)) << error;
    temporary = sandbox.Path();
    RunResult run = RunScenario(Parse("start\n"), sandbox.Path());
    EXPECT_TRUE(fs::exists(temporary + "/WINDOWS"));
  }
  EXPECT_FALSE(fs::exists(temporary));

  char pattern[] = "/tmp/tavos-keep-test-XXXXXX";
  ASSERT_NE(nullptr, mkdtemp(pattern));
  std::string keep = std::string(pattern) + "/drive";
  {
    tavos_sim::DriveFolder sandbox;
    ASSERT_TRUE(sandbox.Create(keep, &error)) << error;
    RunScenario(Parse("start\n"), sandbox.Path());
  }
  EXPECT_TRUE(fs::exists(keep + "/WINDOWS"));
  {
    tavos_sim::DriveFolder again;
    EXPECT_FALSE(again.Create(keep, &error)) << "a drive left by another run must not be reused";
    EXPECT_EQ("the folder " + keep + " is not empty (a kept drive C: must start empty)", error);
  }
  EXPECT_TRUE(fs::exists(keep + "/WINDOWS")) << "a refused folder is left alone";
  std::ofstream(std::string(pattern) + "/file") << "x";
  {
    tavos_sim::DriveFolder onFile;
    EXPECT_FALSE(onFile.Create(std::string(pattern) + "/file", &error));
  }
  fs::remove_all(pattern);
}

}  // namespace
}  // namespace tavos_scenario
