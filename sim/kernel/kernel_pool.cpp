// Tagged pool blocks on the host heap, checked like the kernel's own pool.
#include "sim/kernel/kernel_pool.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace sim {

namespace {
constexpr uint8_t kApcLevel = 1;
}

KernelPool::~KernelPool() {
  for (auto& [block, info] : blocks_) std::free(block);
}

void* KernelPool::Allocate(bool paged, size_t bytes, uint32_t tag, uint8_t irql) {
  ++requests_;
  if (paged && irql > kApcLevel) {
    faults_.Report("IRQL_NOT_LESS_OR_EQUAL", "paged pool allocated at IRQL " + std::to_string(irql));
    return nullptr;
  }
  if (bytes == 0) {
    faults_.Report("BAD_POOL_CALLER", "allocation of 0 bytes");
    return nullptr;
  }
  if (failAll_ || requests_ == failAt_) return nullptr;
  void* block = std::malloc(bytes);
  if (block == nullptr) return nullptr;
  std::memset(block, kFreshFill, bytes);
  blocks_[block] = Block{bytes, tag, paged};
  ++allocations_;
  return block;
}

void KernelPool::Free(void* block, uint8_t irql) {
  auto found = blocks_.find(block);
  if (found == blocks_.end()) {
    char text[64];
    std::snprintf(text, sizeof text, "free of %p, not an allocated block", block);
    faults_.Report("BAD_POOL_CALLER", text);
    return;
  }
  if (found->second.paged && irql > kApcLevel)
    faults_.Report("IRQL_NOT_LESS_OR_EQUAL", "paged pool freed at IRQL " + std::to_string(irql));
  std::memset(block, kFreedFill, found->second.bytes);
  std::free(block);
  blocks_.erase(found);
}

size_t KernelPool::OutstandingBlocks(uint32_t tag) const {
  size_t count = 0;
  for (auto& [block, info] : blocks_) count += info.tag == tag;
  return count;
}

size_t KernelPool::OutstandingBytes(uint32_t tag) const {
  size_t bytes = 0;
  for (auto& [block, info] : blocks_)
    if (info.tag == tag) bytes += info.bytes;
  return bytes;
}

}  // namespace sim
