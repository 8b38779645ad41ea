// The prompt of tavos-sim: statements typed one at a time, each answered at once.
#pragma once

#include <string>
#include <vector>

#include "sim/machine/tavos_machine.h"
#include "tools/tavos-sim/scenario_parser.h"

namespace tavos_scenario {

// Timeline lines to standard output, at once (a pipe reader sees each batch as it comes).
void PrintLines(const std::vector<std::string>& lines);

// Runs the prompt on a machine with drive C: in `sandbox` until quit or end of input.
// 0, or 3 when the machine reported problems.
int Interactive(const std::string& sandbox);

// What the prompt says after a statement that added no timeline line, so that no statement
// passes without an answer: what happened, or why nothing did, and what to do next.
std::string QuietAnswer(const Statement& statement, tavos_sim::Machine& machine);

}  // namespace tavos_scenario
