// tavos-sim: runs Tavos on the simulated notebook from a scenario, at a prompt, or the demo.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/winsim/scripted_user.h"
#include "tools/tavos-sim/scenario_parser.h"
#include "tools/tavos-sim/scenario_runner.h"

extern const unsigned char kDemoScenario[];  // demo.scn, with a terminating zero

namespace {

using tavos_scenario::ScenarioError;

// A script is text a person wrote; anything larger is a mistake, not a scenario.
constexpr std::streamsize kMaxScriptBytes = 1 << 20;

// Exit statuses.
constexpr int kOk = 0;
constexpr int kScenarioWrong = 1;
constexpr int kUsage = 2;
constexpr int kProblems = 3;

constexpr char kUsageText[] =
    "usage: tavos-sim [--script FILE] [--keep DIR]\n"
    "  --script FILE  run the scenario in FILE and print its timeline\n"
    "  --keep DIR     use DIR (created, must be empty) as drive C: and keep it afterwards\n"
    "Without --script: a prompt when stdin and stdout are a terminal, else the demo.\n"
    "The scenario language: docs/scenarios.md.\n";

constexpr char kHelpText[] =
    "statements (one a line, # starts a comment):\n"
    "  os 95|98|me|nt351|nt4|2000|xp   (before the first start)\n"
    "  lang N   (any time: Tavos sees the new language when it next asks)\n"
    "  driver loaded|absent   ec ready|busy N|stuck\n"
    "  file \"PATH\" \"BYTES\"   dump \"PATH\"\n"
    "  start   exit   command N   process \"NAME\"   (a bare name runs from C:\\WINDOWS)\n"
    "  tray right|left|double\n"
    "  choose \"TEXT\"   (a menu item, a button or check box of the dialog on top)\n"
    "  type \"TEXT\"   key enter|esc   close   pick \"PATH\"|cancel   screen\n"
    "  press internet|mail|user|search|video|mp3 ...\n"
    "  media record|enter|next|prev|stop ...\n"
    "  hold KEY   release KEY   (F, 7, LWIN, SHIFT, 0x5B, ...)\n"
    "  wait MS\n"
    "commands: help, timeline, files, quit\n";

void PrintLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void PrintProblems(const std::vector<std::string>& problems) {
  for (const std::string& problem : problems)
    std::fprintf(stderr, "problem: %s\n", problem.c_str());
}

void PrintError(const std::string& source, const ScenarioError& error) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s:%d: %s\n", source.c_str(), error.line, error.message.c_str());
}

int RunText(const std::string& text, const std::string& source, const std::string& sandbox) {
  tavos_scenario::ParseResult parsed = tavos_scenario::ParseScenario(text);
  if (!parsed.ok) {
    PrintError(source, parsed.error);
    return kScenarioWrong;
  }
  tavos_scenario::RunResult run =
      tavos_scenario::RunScenario(parsed.statements, sandbox, PrintLines);
  if (!run.ok) PrintError(source, run.error);
  PrintProblems(run.problems);
  if (!run.ok) return kScenarioWrong;
  return run.problems.empty() ? kOk : kProblems;
}

bool ReadScript(const std::string& path, std::string* text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "tavos-sim: cannot read %s\n", path.c_str());
    return false;
  }
  std::vector<char> buffer(size_t(kMaxScriptBytes) + 1);
  file.read(buffer.data(), kMaxScriptBytes + 1);
  if (file.bad()) {
    std::fprintf(stderr, "tavos-sim: cannot read %s\n", path.c_str());
    return false;
  }
  if (file.gcount() > kMaxScriptBytes) {
    std::fprintf(stderr, "tavos-sim: %s is larger than %lld bytes\n", path.c_str(),
                 static_cast<long long>(kMaxScriptBytes));
    return false;
  }
  text->assign(buffer.data(), size_t(file.gcount()));
  return true;
}

void ShowNewProblems(tavos_sim::Machine& machine, size_t* shown) {
  std::vector<std::string> problems = machine.Problems();
  if (problems.size() <= *shown) return;
  PrintProblems(std::vector<std::string>(problems.begin() + long(*shown), problems.end()));
  *shown = problems.size();
}

int Interactive(const std::string& sandbox) {
  tavos_scenario::ScenarioRunner runner(sandbox);
  std::printf(
      "tavos-sim: Tavos on a simulated notebook (xp, language 1033, portio loaded).\n"
      "Type help for the statements, quit to leave.\n");
  size_t problemsShown = 0;
  std::string input;
  for (int line = 1;; ++line) {
    std::printf("tavos> ");
    std::fflush(stdout);
    if (!std::getline(std::cin, input)) {
      std::printf("\n");
      break;
    }
    std::string word;
    std::istringstream(input) >> word;
    if (word == "quit") break;
    if (word == "help") {
      std::printf("%s", kHelpText);
      continue;
    }
    if (word == "timeline") {
      PrintLines(runner.Machine().Timeline());
      continue;
    }
    if (word == "files") {
      PrintLines(tavos_scenario::ListFiles(runner.Machine()));
      continue;
    }
    tavos_scenario::Statement statement;
    bool empty = false;
    ScenarioError error;
    bool ok = tavos_scenario::ParseLine(input, line, &statement, &empty, &error);
    if (ok && empty) continue;
    if (ok) {
      ok = runner.Apply(statement, &error);
      PrintLines(runner.TakeNewLines());
    }
    if (!ok) PrintError("input", error);
    ShowNewProblems(runner.Machine(), &problemsShown);
    // Whatever now waits for the user says so, with what it offers.
    std::string waiting = winsim::DescribeWaiting(runner.Machine().Pc());
    if (!waiting.empty()) std::printf("(%s)\n", waiting.c_str());
  }
  runner.Machine().SwitchOff();
  ShowNewProblems(runner.Machine(), &problemsShown);
  // A mistyped line at the prompt was answered there; only the machine's problems fail.
  return problemsShown > 0 ? kProblems : kOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::string script;
  std::string keep;
  bool haveScript = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if ((arg == "--script" || arg == "--keep") && i + 1 < argc) {
      (arg == "--script" ? script : keep) = argv[++i];
      if (arg == "--script") haveScript = true;
    } else if (arg == "--help" || arg == "-h") {
      std::printf("%s", kUsageText);
      return kOk;
    } else {
      std::fprintf(stderr, "tavos-sim: unexpected argument %s\n%s", arg.c_str(), kUsageText);
      return kUsage;
    }
  }

  std::string text;
  if (haveScript && !ReadScript(script, &text)) return kUsage;

  tavos_scenario::Sandbox sandbox;
  std::string error;
  if (!sandbox.Create(keep, &error)) {
    std::fprintf(stderr, "tavos-sim: %s\n", error.c_str());
    return kUsage;
  }
  if (haveScript) return RunText(text, script, sandbox.Path());
  if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) return Interactive(sandbox.Path());
  return RunText(reinterpret_cast<const char*>(kDemoScenario), "demo.scn", sandbox.Path());
}
