// tavos-sim: runs Tavos on the simulated notebook from a scenario, at a prompt, or the demo.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "sim/machine/drive_folder.h"
#include "tavos_version.h"
#include "tools/tavos-sim/interactive.h"
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
    "usage: tavos-sim [--script FILE|-] [--keep DIR] | --demo | --wine FILE | --wine-compare "
    "FILE...\n"
    "  --script FILE  run the scenario in FILE and print its timeline (- reads standard input)\n"
    "  --demo         run the built-in demo scenario\n"
    "  --wine FILE    run it on the real Tavos.exe and portio under Wine instead, and print\n"
    "                 the timeline lines Wine lets us observe (docs/wine.md)\n"
    "  --wine-compare FILE...  run each on both and compare the lines both observe\n"
    "  --keep DIR     use DIR (created, must be empty) as drive C: and keep it afterwards\n"
    "  --version      print the version\n"
    "Without --script: a prompt when standard input and output are a terminal; else the\n"
    "scenario on standard input, or the demo when standard input is empty.\n"
    "Exit status: 0 ok, 1 the scenario is wrong, 2 usage, 3 problems found, 4 no Windows build\n"
    "for --wine (make windows). The scenario language: docs/scenarios.md.\n";

void PrintLine(const std::string& line) { std::printf("%s\n", line.c_str()); }

void PrintProblems(const std::vector<std::string>& problems) {
  for (const std::string& problem : problems)
    std::fprintf(stderr, "problem: %s\n", problem.c_str());
}

void PrintError(const std::string& source, const ScenarioError& error) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s:%d: %s\n", source.c_str(), error.line, error.message.c_str());
}

// "12 345" for 12345: long runs print long numbers.
std::string Grouped(uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
    out += digits[i];
  }
  return out;
}

// On a terminal, a line that a long run rewrites about once a second.
class Progress {
 public:
  Progress() : shown_(isatty(STDERR_FILENO)), last_(std::chrono::steady_clock::now()) {}
  void Update(size_t done, size_t total, uint64_t virtualMs) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::seconds(1)) return;
    last_ = now;
    drawn_ = true;
    std::fprintf(stderr, "\r[%zu of %zu statements, %s ms of virtual time] ", done, total,
                 Grouped(virtualMs).c_str());
  }
  void Clear() {
    if (drawn_) std::fprintf(stderr, "\r%60s\r", "");
  }

 private:
  bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_;
};

int RunText(const std::string& text, const std::string& source, const std::string& sandbox) {
  tavos_scenario::ParseResult parsed = tavos_scenario::ParseScenario(text);
  if (!parsed.ok) {
    PrintError(source, parsed.error);
    return kScenarioWrong;
  }
  Progress progress;
  tavos_scenario::RunResult run = tavos_scenario::RunScenario(
      parsed.statements, sandbox,
      [&progress](const std::string& line) {
        progress.Clear();
        PrintLine(line);
      },
      [&progress](size_t done, size_t total, uint64_t ms) { progress.Update(done, total, ms); });
  progress.Clear();
  std::fflush(stdout);
  if (!run.ok) PrintError(source, run.error);
  PrintProblems(run.problems);
  // The closing summary goes beside the timeline, not into it.
  std::fprintf(stderr,
               "tavos-sim: %s: %zu of %zu statements, %s ms of virtual time, %s timeline "
               "lines, %s\n",
               source.c_str(), run.statementsDone, parsed.statements.size(),
               Grouped(run.virtualMs).c_str(), Grouped(run.lines).c_str(),
               run.problems.empty() ? "no problems"
                                    : (std::to_string(run.problems.size()) + " problems").c_str());
  if (!run.ok) return kScenarioWrong;
  return run.problems.empty() ? kOk : kProblems;
}

// Reads at most kMaxScriptBytes from `in`; false when there is more.
bool ReadBounded(std::istream& in, const std::string& name, std::string* text) {
  std::vector<char> buffer(size_t(kMaxScriptBytes) + 1);
  in.read(buffer.data(), kMaxScriptBytes + 1);
  if (in.bad()) {
    std::fprintf(stderr, "tavos-sim: cannot read %s\n", name.c_str());
    return false;
  }
  if (in.gcount() > kMaxScriptBytes) {
    std::fprintf(stderr, "tavos-sim: %s is larger than %lld bytes\n", name.c_str(),
                 static_cast<long long>(kMaxScriptBytes));
    return false;
  }
  text->assign(buffer.data(), size_t(in.gcount()));
  return true;
}

// A scenario file, or standard input for "-".
bool ReadScript(const std::string& path, std::string* text) {
  if (path == "-") return ReadBounded(std::cin, "standard input", text);
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    std::fprintf(stderr, "tavos-sim: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    std::fprintf(stderr, "tavos-sim: cannot read %s: it is a folder, not a scenario file\n",
                 path.c_str());
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "tavos-sim: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  return ReadBounded(file, path, text);
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
  tavos_scenario::RunResult run = tavos_scenario::RunScenarioOnWine(
      parsed.statements, WineHost(loader), tavos_scenario::PrintLines);
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
    tavos_sim::DriveFolder sandbox;
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

// What the command line asks for.
struct Options {
  std::string script;  // "-" for standard input
  bool haveScript = false;
  bool demo = false;
  std::string keep;
};

// False with a message when the command line is wrong.
bool ParseArguments(int argc, char** argv, Options* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--script" || arg == "--keep") {
      if (i + 1 >= argc) {
        *error = arg == "--script" ? "--script needs a FILE (or - for standard input)"
                                   : "--keep needs a folder";
        return false;
      }
      if (arg == "--script" && options->haveScript) {
        *error = "one --script at a time (run tavos-sim once for each file)";
        return false;
      }
      (arg == "--script" ? options->script : options->keep) = argv[++i];
      if (arg == "--script") options->haveScript = true;
    } else if (arg == "--demo") {
      options->demo = true;
    } else {
      *error = "unexpected argument " + arg;
      return false;
    }
  }
  if (options->demo && options->haveScript) {
    *error = "--demo and --script exclude each other";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::printf("%s", kUsageText);
    return kOk;
  }
  if (argc >= 2 && std::string(argv[1]) == "--version") {
    std::printf("tavos-sim %s\n", TAVOS_VERSION_TEXT);
    return kOk;
  }
  if (argc >= 2 && (std::string(argv[1]) == "--wine" || std::string(argv[1]) == "--wine-compare")) {
    if (argc < 3) {
      std::fprintf(stderr, "tavos-sim: %s needs a scenario FILE\n%s", argv[1], kUsageText);
      return kUsage;
    }
    const char* loader = std::getenv("TAVOS_WINE_LOADER");
    if (loader == nullptr) return InWineSession(argc, argv);
    if (std::string(argv[1]) == "--wine-compare")
      return CompareWithWine(std::vector<std::string>(argv + 2, argv + argc), loader);
    if (argc == 3) return RunOnWine(argv[2], loader);
    std::fprintf(stderr, "tavos-sim: --wine runs one FILE (--wine-compare runs several)\n");
    return kUsage;
  }
  Options options;
  std::string error;
  if (!ParseArguments(argc, argv, &options, &error)) {
    std::fprintf(stderr, "tavos-sim: %s\n%s", error.c_str(), kUsageText);
    return kUsage;
  }

  std::string text;
  if (options.haveScript && !ReadScript(options.script, &text)) return kUsage;
  const bool terminal = isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
  // Piped or redirected input is a scenario; an empty one (such as /dev/null) gets the demo.
  if (!options.haveScript && !options.demo && !isatty(STDIN_FILENO)) {
    if (!ReadScript("-", &text)) return kUsage;
    options.haveScript = !text.empty();
    options.script = "-";
  }

  tavos_sim::DriveFolder sandbox;
  if (!sandbox.Create(options.keep, &error)) {
    std::fprintf(stderr, "tavos-sim: %s\n", error.c_str());
    return kUsage;
  }
  if (options.haveScript)
    return RunText(text, options.script == "-" ? "standard input" : options.script, sandbox.Path());
  if (terminal && !options.demo) return tavos_scenario::Interactive(sandbox.Path());
  return RunText(reinterpret_cast<const char*>(kDemoScenario), "demo.scn", sandbox.Path());
}
