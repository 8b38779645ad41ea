// The executive pool of the simulated kernel: tagged blocks, accounting and failures on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "sim/kernel/kernel_faults.h"

namespace sim {

class KernelPool {
 public:
  // New blocks are filled with this byte, as stale pool would be; freed ones with kFreedFill.
  static constexpr uint8_t kFreshFill = 0xCD;
  static constexpr uint8_t kFreedFill = 0xDD;

  explicit KernelPool(KernelFaults& faults) : faults_(faults) {}
  ~KernelPool();
  KernelPool(const KernelPool&) = delete;
  KernelPool& operator=(const KernelPool&) = delete;

  // `paged` blocks may only be allocated and freed below DISPATCH_LEVEL.
  void* Allocate(bool paged, size_t bytes, uint32_t tag, uint8_t irql);
  void Free(void* block, uint8_t irql);

  size_t OutstandingBlocks() const { return blocks_.size(); }
  size_t OutstandingBlocks(uint32_t tag) const;
  size_t OutstandingBytes(uint32_t tag) const;
  uint64_t Allocations() const { return allocations_; }  // successful ones, ever

  // Makes the `n`th allocation request from now (1 = the next one) fail; 0 cancels.
  void FailAllocationNumber(uint64_t n) { failAt_ = n == 0 ? 0 : requests_ + n; }
  void FailAllAllocations(bool fail) { failAll_ = fail; }

 private:
  struct Block {
    size_t bytes;
    uint32_t tag;
    bool paged;
  };
  KernelFaults& faults_;
  std::unordered_map<void*, Block> blocks_;
  uint64_t requests_ = 0;
  uint64_t allocations_ = 0;
  uint64_t failAt_ = 0;
  bool failAll_ = false;
};

}  // namespace sim
