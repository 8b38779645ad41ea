// Statements applied to a simulated notebook running Tavos; what happened is its timeline.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/machine/tavos_machine.h"
#include "tools/tavos-sim/scenario_parser.h"

namespace tavos_scenario {

// Copies of Tavos one run may start: each is a thread of the host.
constexpr int kMaxStarts = 64;
// Enough for a process list longer than any buffer Tavos sizes for it (256 entries).
constexpr int kMaxProcesses = 1024;

// One machine with the defaults (xp, 1033, portio loaded, controller ready), driven one
// statement at a time: the interactive prompt and whole scripts share it.
class ScenarioRunner {
 public:
  explicit ScenarioRunner(const std::string& sandbox);
  ~ScenarioRunner();
  ScenarioRunner(const ScenarioRunner&) = delete;
  ScenarioRunner& operator=(const ScenarioRunner&) = delete;

  // False with `*error` when the machine cannot do what the statement asks.
  bool Apply(const Statement& statement, ScenarioError* error);
  // The timeline lines added since the last call.
  std::vector<std::string> TakeNewLines();
  tavos_sim::Machine& Machine() { return *machine_; }

 private:
  std::unique_ptr<tavos_sim::Machine> machine_;
  int starts_ = 0;
  int processes_ = 0;
  size_t taken_ = 0;
};

struct RunResult {
  bool ok = true;
  ScenarioError error;                // why the run stopped early, when !ok
  std::vector<std::string> timeline;  // when no `onLine` took the lines as they came
  std::vector<std::string> problems;  // Machine::Problems once the machine is switched off
  uint64_t virtualMs = 0;             // the machine's clock when the last statement was done
  size_t lines = 0;                   // timeline lines, whether kept or handed on
  size_t statementsDone = 0;
};

// Called after each statement: how many are done, of how many, at which virtual time.
using ProgressFn = std::function<void(size_t done, size_t total, uint64_t virtualMs)>;

// Runs the statements on a fresh machine with drive C: in `sandbox`, stopping at the first
// one that fails. `onLine` (optional) gets each timeline line as the machine adds it; the run
// then keeps none of them, so a day-long scenario's memory does not grow with its timeline.
RunResult RunScenario(const std::vector<Statement>& statements, const std::string& sandbox,
                      const std::function<void(const std::string&)>& onLine = nullptr,
                      const ProgressFn& onProgress = nullptr);

// Every file under C:\ with its size, one a line: "C:\WINDOWS\SelectFile.ini 94 hidden".
std::vector<std::string> ListFiles(tavos_sim::Machine& machine);

}  // namespace tavos_scenario
