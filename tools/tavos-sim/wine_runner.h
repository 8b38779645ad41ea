// Scenarios on the real Tavos.exe and portio under Wine: the statements go to the scenario
// host inside a Wine session (tests/wine/wine-session.sh makes one), and what it reports comes
// back as timeline lines in the simulation's format, stamped with the poll tick they fell in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/tavos-sim/scenario_parser.h"
#include "tools/tavos-sim/scenario_runner.h"

namespace tavos_scenario {

// The kinds of timeline line a Wine run observes; a comparison with the simulation looks at
// these only. Each is the line's first word, or its first two.
extern const char* const kWineObservedKinds[];

// Whether the line is one of those kinds.
bool WineObserves(const std::string& timelineLine);

// The line as the comparison sees it: without the process id, which differs by nature, and
// with the Windows directory spelled one way, where Wine's spelling differs from Windows'.
std::string ComparableLine(const std::string& timelineLine);

// False, with the first statement a Wine run cannot do and why, when the scenario has one.
// Nothing runs then: a statement is refused, never skipped.
bool CheckWineStatements(const std::vector<Statement>& statements, ScenarioError* error);

// One event line of the scenario host ("@MS EVENT") into timeline lines. The controller's
// bytes are paired as the simulation pairs them: a command with the data byte after it, or
// alone once a later line or the end of a statement shows no data byte came.
class WineEventTranslator {
 public:
  // False when the line is not one the host writes; `*problem` then says what it was.
  bool Add(const std::string& hostLine, std::vector<std::string>* lines, std::string* problem);
  // The end of a statement: a command still waiting for its data byte is reported alone.
  void Flush(std::vector<std::string>* lines);

 private:
  bool pendingCommand_ = false;
  unsigned pendingByte_ = 0;
  std::string pendingStamp_;
};

// Runs the statements through the host started by `hostCommand` (argv), in the Wine session
// of the environment. Lines go to `onLines` as they come, as RunScenario does.
RunResult RunScenarioOnWine(
    const std::vector<Statement>& statements, const std::vector<std::string>& hostCommand,
    const std::function<void(const std::vector<std::string>&)>& onLines = nullptr);

}  // namespace tavos_scenario
