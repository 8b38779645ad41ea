// The simulated processor's interrupt level and the spin locks it holds.
//
// One processor: a spin lock acquired twice would spin for ever, so it is a fault here.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/kernel/kernel_faults.h"

namespace sim {

class Processor {
 public:
  static constexpr uint8_t kPassiveLevel = 0;
  static constexpr uint8_t kDispatchLevel = 2;

  explicit Processor(KernelFaults& faults) : faults_(faults) {}

  uint8_t Irql() const { return irql_; }
  // KfAcquireSpinLock: raises to DISPATCH_LEVEL and returns the previous level.
  uint8_t AcquireSpinLock(uintptr_t* lock);
  // KfReleaseSpinLock: the lock must be held and the level DISPATCH_LEVEL.
  void ReleaseSpinLock(uintptr_t* lock, uint8_t newIrql);
  size_t LocksHeld() const { return held_.size(); }
  uint64_t Acquisitions() const { return acquisitions_; }

  // Checks made by the I/O manager around a call into a driver.
  void ExpectPassive(const char* where);

 private:
  KernelFaults& faults_;
  uint8_t irql_ = kPassiveLevel;
  std::vector<uintptr_t*> held_;
  uint64_t acquisitions_ = 0;
};

}  // namespace sim
