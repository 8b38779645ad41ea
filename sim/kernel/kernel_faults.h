// Bug checks of the simulated kernel: every rule a driver breaks is recorded here.
//
// A real kernel would stop the machine; the simulation records the fault and carries on,
// so a test can name the rule that broke. Fuzzers set abort mode to stop at the first one.
#pragma once

#include <string>
#include <vector>

namespace sim {

class KernelFaults {
 public:
  // `check` is the bug-check name ("IRQL_NOT_LESS_OR_EQUAL"), `detail` says what happened.
  void Report(const std::string& check, const std::string& detail);
  const std::vector<std::string>& All() const { return faults_; }
  bool Any() const { return !faults_.empty(); }
  void Clear() { faults_.clear(); }
  void SetAbortOnFault(bool abort) { abort_ = abort; }

 private:
  std::vector<std::string> faults_;
  bool abort_ = false;
};

}  // namespace sim
