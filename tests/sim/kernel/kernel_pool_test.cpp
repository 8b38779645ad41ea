// The executive pool through ExAllocatePoolWithTag and ExFreePool: accounting by tag, the fill
// of fresh blocks, bad frees, paged pool at raised IRQL, and failures on demand.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/sim/kernel/kernel_fixture.h"

namespace kernel_test {
namespace {

constexpr ULONG kTagA = 0x41747354;  // 'TstA' as it reads in a pool dump
constexpr ULONG kTagB = 0x42747354;

class KernelPoolTest : public KernelTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(0u, kernel.Pool().OutstandingBlocks()) << "the test leaked pool";
    KernelTest::TearDown();
  }

  // Where a block first differs from `fill`, or its size when it does not.
  static size_t FirstNot(const void* block, size_t bytes, UCHAR fill) {
    auto* begin = static_cast<const UCHAR*>(block);
    return size_t(std::find_if(begin, begin + bytes, [fill](UCHAR b) { return b != fill; }) - begin);
  }

  sim::KernelPool& pool() { return kernel.Pool(); }
};

TEST_F(KernelPoolTest, AccountsBlocksAndBytesByTag) {
  const uint64_t before = pool().Allocations();
  void* a1 = ExAllocatePoolWithTag(NonPagedPool, 10, kTagA);
  void* a2 = ExAllocatePoolWithTag(PagedPool, 20, kTagA);
  void* b1 = ExAllocatePoolWithTag(NonPagedPool, 7, kTagB);
  ASSERT_TRUE(a1 && a2 && b1);
  EXPECT_EQ(3u, pool().OutstandingBlocks());
  EXPECT_EQ(2u, pool().OutstandingBlocks(kTagA));
  EXPECT_EQ(30u, pool().OutstandingBytes(kTagA));
  EXPECT_EQ(1u, pool().OutstandingBlocks(kTagB));
  EXPECT_EQ(7u, pool().OutstandingBytes(kTagB));
  EXPECT_EQ(before + 3, pool().Allocations());

  ExFreePool(a1);
  EXPECT_EQ(1u, pool().OutstandingBlocks(kTagA));
  EXPECT_EQ(20u, pool().OutstandingBytes(kTagA));
  EXPECT_EQ(1u, pool().OutstandingBlocks(kTagB)) << "another tag is not touched";
  ExFreePool(b1);
  ExFreePool(a2);
  EXPECT_EQ(0u, pool().OutstandingBytes(kTagA));
  EXPECT_EQ(before + 3, pool().Allocations()) << "frees are not allocations";
}

TEST_F(KernelPoolTest, EveryNewBlockIsFilledWithTheStaleFill) {
  for (POOL_TYPE type : {NonPagedPool, PagedPool}) {
    for (size_t bytes : {1, 33, 4096}) {
      SCOPED_TRACE(testing::Message() << "type " << type << " bytes " << bytes);
      auto* block = static_cast<UCHAR*>(ExAllocatePoolWithTag(type, bytes, kTagA));
      ASSERT_NE(nullptr, block);
      EXPECT_EQ(bytes, FirstNot(block, bytes, sim::KernelPool::kFreshFill));
      std::fill(block, block + bytes, 0x00);  // what a reused block must not show
      ExFreePool(block);
      block = static_cast<UCHAR*>(ExAllocatePoolWithTag(type, bytes, kTagA));
      ASSERT_NE(nullptr, block);
      EXPECT_EQ(bytes, FirstNot(block, bytes, sim::KernelPool::kFreshFill)) << "second block";
      ExFreePool(block);
    }
  }
}

TEST_F(KernelPoolTest, FreeingAnUnknownOrFreedBlockIsBadPoolCaller) {
  int notPool = 0;
  ExFreePool(&notPool);
  std::vector<std::string> faults = TakeFaults({"BAD_POOL_CALLER"});
  EXPECT_TRUE(Contains(faults[0], "not an allocated block")) << faults[0];

  void* kept = ExAllocatePoolWithTag(NonPagedPool, 8, kTagB);
  void* block = ExAllocatePoolWithTag(NonPagedPool, 8, kTagA);
  ASSERT_TRUE(kept && block);
  ExFreePool(block);
  EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All()) << "the first free is fine";
  ExFreePool(block);
  TakeFaults({"BAD_POOL_CALLER"});
  EXPECT_EQ(1u, pool().OutstandingBlocks()) << "the bad free released nothing else";
  ExFreePool(kept);
}

TEST_F(KernelPoolTest, PagedPoolIsAFaultAtDispatchLevel) {
  void* paged = ExAllocatePoolWithTag(PagedPool, 16, kTagA);
  ASSERT_NE(nullptr, paged);
  KSPIN_LOCK lock = 0;
  KIRQL old = KfAcquireSpinLock(&lock);
  EXPECT_EQ(nullptr, ExAllocatePoolWithTag(PagedPool, 16, kTagA));
  std::vector<std::string> faults = TakeFaults({"IRQL_NOT_LESS_OR_EQUAL"});
  EXPECT_TRUE(Contains(faults[0], "paged pool allocated at IRQL 2")) << faults[0];

  void* nonPaged = ExAllocatePoolWithTag(NonPagedPool, 16, kTagA);
  EXPECT_NE(nullptr, nonPaged) << "non-paged pool is fine at DISPATCH_LEVEL";
  ExFreePool(nonPaged);
  EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All());
  ExFreePool(paged);
  faults = TakeFaults({"IRQL_NOT_LESS_OR_EQUAL"});
  EXPECT_TRUE(Contains(faults[0], "paged pool freed at IRQL 2")) << faults[0];
  KfReleaseSpinLock(&lock, old);
}

TEST_F(KernelPoolTest, FailAllocationNumberFailsExactlyThatRequest) {
  ExFreePool(ExAllocatePoolWithTag(NonPagedPool, 4, kTagA));  // "from now" is not from the start
  for (uint64_t n = 1; n <= 4; ++n) {
    SCOPED_TRACE(testing::Message() << "request " << n << " fails");
    pool().FailAllocationNumber(n);
    std::vector<bool> failed;
    for (uint64_t request = 1; request <= n + 2; ++request) {
      void* block = ExAllocatePoolWithTag(NonPagedPool, 4, kTagA);
      failed.push_back(block == nullptr);
      if (block) ExFreePool(block);
    }
    std::vector<bool> expected(n + 2, false);
    expected[n - 1] = true;
    EXPECT_EQ(expected, failed);
  }
  pool().FailAllocationNumber(1);
  pool().FailAllocationNumber(0);
  void* block = ExAllocatePoolWithTag(NonPagedPool, 4, kTagA);
  EXPECT_NE(nullptr, block) << "0 cancels";
  ExFreePool(block);
}

TEST_F(KernelPoolTest, FailAllAllocationsFailsUntilTurnedOff) {
  const uint64_t before = pool().Allocations();
  pool().FailAllAllocations(true);
  for (POOL_TYPE type : {NonPagedPool, PagedPool, NonPagedPool})
    EXPECT_EQ(nullptr, ExAllocatePoolWithTag(type, 8, kTagA));
  EXPECT_EQ(before, pool().Allocations());
  EXPECT_EQ(0u, pool().OutstandingBlocks());
  pool().FailAllAllocations(false);
  void* block = ExAllocatePoolWithTag(PagedPool, 8, kTagA);
  EXPECT_NE(nullptr, block);
  ExFreePool(block);
}

}  // namespace
}  // namespace kernel_test
