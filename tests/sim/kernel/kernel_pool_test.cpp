// The executive pool through ExAllocatePoolWithTag and ExFreePool: accounting by tag, the fill
// of fresh blocks, bad frees, paged pool at raised IRQL, and failures on demand.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/sim/kernel/kernel_fixture.h"

namespace kernel_test {
namespace {

constexpr ULONG kTagA = 0x41747354;  // 'TstA' as a pool dump shows it
constexpr ULONG kTagB = 0x42747354;

class KernelPoolTest : public KernelTest {
 protected:
  void TearDown() override {
    EXPECT_EQ(0u, pool().OutstandingBlocks()) << "the test leaked pool";
    KernelTest::TearDown();
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

  ExFreePool(a1);
  EXPECT_EQ(1u, pool().OutstandingBlocks(kTagA));
  EXPECT_EQ(20u, pool().OutstandingBytes(kTagA));
  EXPECT_EQ(7u, pool().OutstandingBytes(kTagB)) << "another tag is not touched";
  ExFreePool(b1);
  ExFreePool(a2);
  EXPECT_EQ(before + 3, pool().Allocations());
}

TEST_F(KernelPoolTest, EveryNewBlockHoldsTheStaleFill) {
  for (POOL_TYPE type : {NonPagedPool, PagedPool}) {
    for (size_t bytes : {1, 33, 4096}) {
      SCOPED_TRACE(testing::Message() << "type " << type << ", " << bytes << " bytes");
      for (int round = 0; round < 2; ++round) {  // the second block may reuse the first's memory
        auto* block = static_cast<UCHAR*>(ExAllocatePoolWithTag(type, bytes, kTagA));
        ASSERT_NE(nullptr, block);
        UCHAR* other = std::find_if(block, block + bytes,
                                    [](UCHAR b) { return b != sim::KernelPool::kFreshFill; });
        EXPECT_EQ(bytes, size_t(other - block)) << "first byte that is not the fill";
        std::fill(block, block + bytes, 0x00);
        ExFreePool(block);
      }
    }
  }
}

TEST_F(KernelPoolTest, FreeingAnUnknownOrFreedBlockIsBadPoolCaller) {
  void* kept = ExAllocatePoolWithTag(NonPagedPool, 8, kTagB);
  void* block = ExAllocatePoolWithTag(NonPagedPool, 8, kTagA);
  int notPool = 0;
  ExFreePool(&notPool);
  std::vector<std::string> faults = TakeFaults({"BAD_POOL_CALLER"});
  EXPECT_TRUE(Contains(faults[0], "not an allocated block")) << faults[0];
  ExFreePool(block);
  EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All()) << "the first free is fine";
  ExFreePool(block);
  TakeFaults({"BAD_POOL_CALLER"});
  EXPECT_EQ(1u, pool().OutstandingBlocks(kTagB)) << "the bad frees released nothing else";
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
  EXPECT_NE(nullptr, nonPaged);
  ExFreePool(nonPaged);
  EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All()) << "non-paged pool is fine";
  ExFreePool(paged);
  faults = TakeFaults({"IRQL_NOT_LESS_OR_EQUAL"});
  EXPECT_TRUE(Contains(faults[0], "paged pool freed at IRQL 2")) << faults[0];
  KfReleaseSpinLock(&lock, old);
}

TEST_F(KernelPoolTest, FailAllocationNumberFailsExactlyThatRequestFromNow) {
  ExFreePool(ExAllocatePoolWithTag(NonPagedPool, 4, kTagA));  // so that "now" is not the start
  for (uint64_t n = 1; n <= 4; ++n) {
    pool().FailAllocationNumber(n);
    std::vector<bool> failed;
    for (uint64_t request = 1; request <= n + 2; ++request) {
      void* block = ExAllocatePoolWithTag(request % 2 ? NonPagedPool : PagedPool, 4, kTagA);
      failed.push_back(block == nullptr);
      if (block) ExFreePool(block);
    }
    std::vector<bool> expected(n + 2, false);
    expected[n - 1] = true;
    EXPECT_EQ(expected, failed) << "request " << n << " should fail";
  }
  pool().FailAllocationNumber(1);
  pool().FailAllocationNumber(0);
  void* block = ExAllocatePoolWithTag(NonPagedPool, 4, kTagA);
  EXPECT_NE(nullptr, block) << "0 cancels";
  ExFreePool(block);

  const uint64_t before = pool().Allocations();
  pool().FailAllAllocations(true);
  for (POOL_TYPE type : {NonPagedPool, PagedPool, NonPagedPool})
    EXPECT_EQ(nullptr, ExAllocatePoolWithTag(type, 8, kTagA));
  EXPECT_EQ(before, pool().Allocations());
  pool().FailAllAllocations(false);
  block = ExAllocatePoolWithTag(PagedPool, 8, kTagA);
  EXPECT_NE(nullptr, block) << "until turned off";
  ExFreePool(block);
}

}  // namespace
}  // namespace kernel_test
