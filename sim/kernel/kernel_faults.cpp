// Recording (or, for fuzzers, aborting on) the simulated kernel's bug checks.
#include "sim/kernel/kernel_faults.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

void KernelFaults::Report(const std::string& check, const std::string& detail) {
  faults_.push_back(check + ": " + detail);
  if (abort_) {
    std::fprintf(stderr, "bug check %s\n", faults_.back().c_str());
    std::abort();
  }
}

}  // namespace sim
