// IRQL and spin-lock rules of a uniprocessor NT kernel.
#include "sim/kernel/processor.h"

#include <algorithm>
#include <string>

namespace sim {

uint8_t Processor::AcquireSpinLock(uintptr_t* lock) {
  if (irql_ > kDispatchLevel)
    faults_.Report("IRQL_NOT_LESS_OR_EQUAL", "spin lock acquired at IRQL " + std::to_string(irql_));
  if (std::find(held_.begin(), held_.end(), lock) != held_.end()) {
    faults_.Report("SPIN_LOCK_ALREADY_OWNED", "spin lock acquired twice");
  } else if (*lock != 0) {
    faults_.Report("SPIN_LOCK_NOT_OWNED", "spin lock word is busy but nobody holds it");
  }
  *lock = 1;
  held_.push_back(lock);
  ++acquisitions_;
  uint8_t previous = irql_;
  irql_ = kDispatchLevel;
  return previous;
}

void Processor::ReleaseSpinLock(uintptr_t* lock, uint8_t newIrql) {
  auto found = std::find(held_.begin(), held_.end(), lock);
  if (found == held_.end()) {
    faults_.Report("SPIN_LOCK_NOT_OWNED", "release of a spin lock that is not held");
    return;
  }
  if (irql_ != kDispatchLevel)
    faults_.Report("IRQL_NOT_DISPATCH_LEVEL", "spin lock released at IRQL " + std::to_string(irql_));
  if (newIrql > irql_)
    faults_.Report("IRQL_NOT_LESS_OR_EQUAL", "release raises IRQL to " + std::to_string(newIrql));
  held_.erase(found);
  *lock = 0;
  irql_ = newIrql;
}

void Processor::ExpectPassive(const char* where) {
  if (irql_ != kPassiveLevel)
    faults_.Report("IRQL_GT_ZERO_AT_SYSTEM_SERVICE",
                   std::string(where) + " at IRQL " + std::to_string(irql_));
  if (!held_.empty())
    faults_.Report("SPIN_LOCK_ALREADY_OWNED", std::string(where) + " with a spin lock held");
}

}  // namespace sim
