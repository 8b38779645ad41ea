// The prompt of tavos-sim, with line editing and a history (editline).
#include "tools/tavos-sim/interactive.h"

#include <editline/readline.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "sim/winsim/scripted_user.h"
#include "tools/tavos-sim/scenario_runner.h"

namespace tavos_scenario {

namespace {

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
    "  press %s ...\n"
    "  media record|enter|next|prev|stop ...\n"
    "  hold KEY   release KEY   (F, 7, LWIN, SHIFT, 0x5B, ...)\n"
    "  system ctrl+esc|ctrl+alt+del [after N]   (cancels a key playback)\n"
    "  wait MS\n"
    "commands: help, timeline, files, quit\n";

void ShowNewProblems(tavos_sim::Machine& machine, size_t* shown) {
  std::vector<std::string> problems = machine.Problems();
  for (size_t i = *shown; i < problems.size(); ++i)
    std::fprintf(stderr, "problem: %s\n", problems[i].c_str());
  if (problems.size() > *shown) *shown = problems.size();
}

}  // namespace

std::string QuietAnswer(const Statement& statement, tavos_sim::Machine& machine) {
  const bool running = machine.TavosFrame() != nullptr;
  const bool dialogUp = !winsim::DescribeWaiting(machine.Pc()).empty();
  switch (statement.op) {
    case Op::Press:
    case Op::Media:
      return running ? "latched in the controller: Tavos reads it at its next tick (wait 650)"
                     : "latched in the controller, but Tavos is not running: type start (it "
                       "drops keys latched before it starts)";
    case Op::Tray:
      if (!running) return "no tray icon: Tavos is not running (type start)";
      return statement.text == "right" ? "the tray menu did not open"
                                       : "Tavos does nothing on a " + statement.text +
                                             " click: its menu opens with tray right";
    case Op::Choose:
    case Op::Type:
    case Op::Key:
    case Op::Close:
    case Op::Pick: {
      std::string now;
      for (const std::string& line : winsim::DescribeScreen(machine.Pc()))
        now += (now.empty() ? "" : "\n") + line;
      return now.empty() ? "done; nothing waits for you now" : "done; now on screen:\n" + now;
    }
    case Op::Wait:
      return running ? "nothing happened meanwhile"
                     : "time passed; Tavos is not running (type start)";
    case Op::Os:
    case Op::Lang:
    case Op::Driver:
    case Op::Ec:
    case Op::File:
    case Op::Hold:
    case Op::Release:
    case Op::Process:
      return running || dialogUp ? "done" : "done; type start to start Tavos";
    case Op::Start:
    case Op::Exit:
    case Op::Command:
    case Op::Dump:
    case Op::Screen:
    case Op::System:
      break;
  }
  return "done; nothing visible happened";
}

void PrintLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

int Interactive(const std::string& sandbox) {
  ScenarioRunner runner(sandbox);
  std::printf(
      "tavos-sim: Tavos on a simulated notebook (xp, language 1033, portio loaded).\n"
      "Type start to start Tavos, then press a key (press internet) and wait 650.\n"
      "help lists the statements, quit leaves; the arrow keys recall earlier lines.\n");
  size_t problemsShown = 0;
  for (int line = 1;; ++line) {
    char* read = readline("tavos> ");
    if (read == nullptr) {
      std::printf("\n");
      break;
    }
    const std::string input = read;
    std::free(read);
    if (input.find_first_not_of(" \t") != std::string::npos) add_history(input.c_str());
    std::string word;
    std::istringstream(input) >> word;
    if (word == "quit") break;
    if (word == "help") {
      std::printf(kHelpText, tavos_scenario::HotKeyNames("|", "|").c_str());
      continue;
    }
    if (word == "timeline") {
      PrintLines(runner.Machine().Timeline());
      continue;
    }
    if (word == "files") {
      PrintLines(ListFiles(runner.Machine()));
      continue;
    }
    Statement statement;
    bool empty = false;
    ScenarioError error;
    bool ok = ParseLine(input, line, &statement, &empty, &error);
    if (ok && empty) continue;
    if (ok) {
      ok = runner.Apply(statement, &error);
      const std::vector<std::string> lines = runner.TakeNewLines();
      PrintLines(lines);
      if (ok && lines.empty())
        std::printf("(%s)\n", QuietAnswer(statement, runner.Machine()).c_str());
    }
    if (!ok) std::fprintf(stderr, "input:%d: %s\n", line, error.message.c_str());
    ShowNewProblems(runner.Machine(), &problemsShown);
    // Whatever now waits for the user says so, with what it offers.
    const std::string waiting = winsim::DescribeWaiting(runner.Machine().Pc());
    if (!waiting.empty()) std::printf("(%s)\n", waiting.c_str());
    std::fflush(stdout);
  }
  runner.Machine().SwitchOff();
  ShowNewProblems(runner.Machine(), &problemsShown);
  // A mistyped line at the prompt was answered there; only the machine's problems fail.
  return problemsShown > 0 ? 3 : 0;
}

}  // namespace tavos_scenario
