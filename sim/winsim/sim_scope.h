// Marks the simulation's own work on a program's thread, so a benchmark can tell the
// program's heap allocations from the simulated system's.
#pragma once

namespace winsim {

class SimScope {
 public:
  SimScope() { ++depth_; }
  ~SimScope() { --depth_; }
  SimScope(const SimScope&) = delete;
  SimScope& operator=(const SimScope&) = delete;
  static bool Inside() { return depth_ > 0; }

 private:
  static thread_local int depth_;
};

}  // namespace winsim
