// The machine under a Wine run: which Linux locale gives Wine the scenario's language, and what
// Wine cannot change within a run (docs/wine.md).
#pragma once

#include <string>
#include <vector>

#include "tools/tavos-sim/scenario_parser.h"

namespace tavos_scenario {

// The Linux locale (such as "de_DE") under which Wine reports `languageId` as the system
// language; empty with `*why` for an id no locale gives.
std::string WineLocaleFor(unsigned languageId, std::string* why);

// The language of a Wine run: the one in force at the first start (or at the end, without one).
unsigned WineRunLanguage(const std::vector<Statement>& statements);

// False, with the statement and why, when the scenario changes what Wine fixes for a run: the
// language once Tavos has started, or portio's loading while a Tavos holds it open.
bool CheckWineMachine(const std::vector<Statement>& statements, ScenarioError* error);

// The environment entry ("LC_ALL=de_DE.UTF-8") that starts the scenario host, and so every
// program it starts, with the locale; the locale is built into $LOCPATH first when it is
// missing there. Empty with `*why` when it cannot be had.
std::string PrepareWineLocale(const std::string& locale, std::string* why);

}  // namespace tavos_scenario
