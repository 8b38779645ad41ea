// The one simulated PC a fuzz target keeps for all its runs (Windows XP, no hardware).
#pragma once

#include <cstdlib>

#include "sim/winsim/windows_pc.h"

inline winsim::WindowsPc& FuzzPc() {
  static winsim::WindowsPc* pc = [] {
    char pattern[] = "/tmp/tavos-fuzz-XXXXXX";
    winsim::OsProfile profile;
    winsim::ProfileByName("xp", &profile);
    return new winsim::WindowsPc(mkdtemp(pattern), profile, 1033, nullptr, nullptr);
  }();
  return *pc;
}
