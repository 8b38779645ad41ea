// Spin locks and the interrupt level through KfAcquireSpinLock, KfReleaseSpinLock and
// KeGetCurrentIrql, and the faults of a uniprocessor that would otherwise hang.
#include <gtest/gtest.h>

#include "tests/sim/kernel/kernel_fixture.h"

namespace kernel_test {
namespace {

using ProcessorTest = KernelTest;

TEST_F(ProcessorTest, AcquireRaisesToDispatchLevelAndReleaseRestoresTheOldLevel) {
  KSPIN_LOCK outer = 0;
  KSPIN_LOCK inner = 0;
  ASSERT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());
  KIRQL outerOld = KfAcquireSpinLock(&outer);
  EXPECT_EQ(PASSIVE_LEVEL, outerOld);
  EXPECT_EQ(DISPATCH_LEVEL, KeGetCurrentIrql());
  EXPECT_EQ(1u, kernel.Cpu().LocksHeld());

  KIRQL innerOld = KfAcquireSpinLock(&inner);
  EXPECT_EQ(DISPATCH_LEVEL, innerOld);
  EXPECT_EQ(DISPATCH_LEVEL, KeGetCurrentIrql());
  EXPECT_EQ(2u, kernel.Cpu().LocksHeld());

  KfReleaseSpinLock(&inner, innerOld);
  EXPECT_EQ(DISPATCH_LEVEL, KeGetCurrentIrql()) << "the outer lock is still held";
  EXPECT_EQ(1u, kernel.Cpu().LocksHeld());
  KfReleaseSpinLock(&outer, outerOld);
  EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());
  EXPECT_EQ(0u, kernel.Cpu().LocksHeld());

  // A released lock can be taken again.
  KfReleaseSpinLock(&outer, KfAcquireSpinLock(&outer));
  EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());
}

TEST_F(ProcessorTest, AcquiringAHeldLockIsAFault) {
  KSPIN_LOCK lock = 0;
  KIRQL first = KfAcquireSpinLock(&lock);
  KfAcquireSpinLock(&lock);
  std::vector<std::string> faults = TakeFaults({"SPIN_LOCK_ALREADY_OWNED"});
  EXPECT_TRUE(Contains(faults[0], "acquired twice")) << faults[0];
  // Unwind whatever the double acquisition recorded, then the first one.
  for (int i = 0; i < 4 && kernel.Cpu().LocksHeld() > 1; ++i)
    KfReleaseSpinLock(&lock, DISPATCH_LEVEL);
  KfReleaseSpinLock(&lock, first);
}

TEST_F(ProcessorTest, ReleasingALockThatIsNotHeldIsAFault) {
  KSPIN_LOCK held = 0;
  KSPIN_LOCK other = 0;
  KfReleaseSpinLock(&other, PASSIVE_LEVEL);
  TakeFaults({"SPIN_LOCK_NOT_OWNED"});
  EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());

  KIRQL old = KfAcquireSpinLock(&held);
  KfReleaseSpinLock(&other, old);
  std::vector<std::string> faults = TakeFaults({"SPIN_LOCK_NOT_OWNED"});
  EXPECT_TRUE(Contains(faults[0], "not held")) << faults[0];
  EXPECT_EQ(DISPATCH_LEVEL, KeGetCurrentIrql()) << "the wrong release changed nothing";
  EXPECT_EQ(1u, kernel.Cpu().LocksHeld());
  KfReleaseSpinLock(&held, old);
}

TEST_F(ProcessorTest, ABusyLockWordThatNobodyHoldsIsAFault) {
  KSPIN_LOCK neverInitialized = 1;
  KIRQL old = KfAcquireSpinLock(&neverInitialized);
  std::vector<std::string> faults = TakeFaults({"SPIN_LOCK_NOT_OWNED"});
  EXPECT_TRUE(Contains(faults[0], "busy but nobody holds it")) << faults[0];
  EXPECT_EQ(DISPATCH_LEVEL, KeGetCurrentIrql());
  KfReleaseSpinLock(&neverInitialized, old);
}

}  // namespace
}  // namespace kernel_test
