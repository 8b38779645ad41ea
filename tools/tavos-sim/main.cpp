// tavos-sim: runs Tavos on the simulated notebook from a scenario, at a prompt, or the demo.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/winsim/scripted_user.h"
#include "tools/tavos-sim/scenario_parser.h"
#include "tools/tavos-sim/scenario_runner.h"
#include "tools/tavos-sim/wine_runner.h"

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
    "usage: tavos-sim [--script FILE] [--keep DIR] | --wine FILE | --wine-compare FILE...\n"
    "  --script FILE  run the scenario in FILE and print its timeline\n"
    "  --wine FILE    run it on the real Tavos.exe and portio under Wine instead, and print\n"
    "                 the timeline lines Wine lets us observe (docs/wine.md)\n"
    "  --wine-compare FILE...  run each on both and compare the lines both observe\n"
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
    "  system ctrl+esc|ctrl+alt+del [after N]   (cancels a key playback)\n"
    "  wait MS\n"
    "commands: help, timeline, files, quit\n";

void PrintLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void PrintLine(const std::string& line) { std::printf("%s\n", line.c_str()); }

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
      tavos_scenario::RunScenario(parsed.statements, sandbox, PrintLine);
  std::fflush(stdout);
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

// The Wine leg: inside a Wine session (tests/wine/wine-session.sh sets TAVOS_WINE_LOADER), the
// scenario host runs the statements; outside one, the script makes a session and calls back.
// Outside a Wine session: runs the same command line again inside one.
int InWineSession(int argc, char** argv) {
  const char* session = TAVOS_WINE_SESSION_SCRIPT;
  std::vector<char*> args{const_cast<char*>(session)};
  args.insert(args.end(), argv, argv + argc);
  args.push_back(nullptr);
  execv(session, args.data());
  std::fprintf(stderr, "tavos-sim: cannot run %s\n", session);
  return kUsage;
}

std::vector<std::string> WineHost(const char* loader) {
  return {loader, "C:\\tavos-wine\\scenario_host.exe"};
}

int RunOnWine(const std::string& script, const char* loader) {
  std::string text;
  if (!ReadScript(script, &text)) return kUsage;
  tavos_scenario::ParseResult parsed = tavos_scenario::ParseScenario(text);
  if (!parsed.ok) {
    PrintError(script, parsed.error);
    return kScenarioWrong;
  }
  tavos_scenario::RunResult run =
      tavos_scenario::RunScenarioOnWine(parsed.statements, WineHost(loader), PrintLines);
  if (!run.ok) PrintError(script, run.error);
  PrintProblems(run.problems);
  if (!run.ok) return kScenarioWrong;
  return run.problems.empty() ? kOk : kProblems;
}

// The timeline lines a Wine run also observes, as the comparison sees them.
std::vector<std::string> Comparable(const std::vector<std::string>& timeline) {
  std::vector<std::string> lines;
  for (const std::string& line : timeline) {
    if (tavos_scenario::WineObserves(line)) lines.push_back(tavos_scenario::ComparableLine(line));
  }
  return lines;
}

// Runs each scenario on the simulation and on Wine and compares the lines both observe.
// A scenario with a statement Wine cannot do is left out, and says why.
int CompareWithWine(const std::vector<std::string>& scripts, const char* loader) {
  int ran = 0, differing = 0, failed = 0;
  size_t compared = 0;
  for (const std::string& script : scripts) {
    std::string text;
    if (!ReadScript(script, &text)) return kUsage;
    tavos_scenario::ParseResult parsed = tavos_scenario::ParseScenario(text);
    ScenarioError why;
    if (!parsed.ok || !tavos_scenario::CheckWineStatements(parsed.statements, &why)) {
      std::printf("%s: not on Wine: line %d: %s\n", script.c_str(),
                  parsed.ok ? why.line : parsed.error.line,
                  (parsed.ok ? why : parsed.error).message.c_str());
      continue;
    }
    ++ran;
    tavos_scenario::Sandbox sandbox;
    std::string error;
    if (!sandbox.Create("", &error)) return kUsage;
    tavos_scenario::RunResult sim = tavos_scenario::RunScenario(parsed.statements, sandbox.Path());
    const auto wineStart = std::chrono::steady_clock::now();
    tavos_scenario::RunResult wine =
        tavos_scenario::RunScenarioOnWine(parsed.statements, WineHost(loader));
    const double wineSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wineStart).count();
    for (const auto* run : {&sim, &wine}) {
      const char* where = run == &sim ? "simulation" : "wine";
      if (!run->ok)
        std::printf("%s: %s stopped at line %d: %s\n", script.c_str(), where, run->error.line,
                    run->error.message.c_str());
      for (const std::string& problem : run->problems)
        std::printf("%s: %s problem: %s\n", script.c_str(), where, problem.c_str());
      if (!run->ok || !run->problems.empty()) ++failed;
    }
    const std::vector<std::string> a = Comparable(sim.timeline), b = Comparable(wine.timeline);
    size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
    if (n == a.size() && n == b.size()) {
      compared += n;
      std::printf("%s: %zu lines compared, the same (%.1f s on Wine)\n", script.c_str(), n,
                  wineSeconds);
      std::fflush(stdout);
      continue;
    }
    ++differing;
    std::printf("%s: line %zu of the compared lines differs\n  simulation: %s\n  wine:       %s\n",
                script.c_str(), n + 1, n < a.size() ? a[n].c_str() : "(end of timeline)",
                n < b.size() ? b[n].c_str() : "(end of timeline)");
  }
  std::printf(
      "%d of %zu scenario files ran on both machines; %zu lines compared; %d differ; %d runs had "
      "problems\n",
      ran, scripts.size(), compared, differing, failed);
  std::fflush(stdout);
  return differing == 0 && failed == 0 ? kOk : kScenarioWrong;
}

}  // namespace

int main(int argc, char** argv) {
  std::string script;
  std::string keep;
  bool haveScript = false;
  if (argc >= 3 && (std::string(argv[1]) == "--wine" || std::string(argv[1]) == "--wine-compare")) {
    const char* loader = std::getenv("TAVOS_WINE_LOADER");
    if (loader == nullptr) return InWineSession(argc, argv);
    if (std::string(argv[1]) == "--wine-compare")
      return CompareWithWine(std::vector<std::string>(argv + 2, argv + argc), loader);
    if (argc == 3) return RunOnWine(argv[2], loader);
  }
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
