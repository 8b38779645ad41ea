// The executive pool services, as ntoskrnl exports them.
#include "platform/nt_kernel.h"
#include "sim/kernel/sim_kernel.h"

using sim::SimKernel;

PVOID NTAPI ExAllocatePoolWithTag(POOL_TYPE PoolType, SIZE_T NumberOfBytes, ULONG Tag) {
  SimKernel& kernel = SimKernel::Current();
  return kernel.Pool().Allocate(PoolType == PagedPool, NumberOfBytes, Tag, kernel.Cpu().Irql());
}

VOID NTAPI ExFreePool(PVOID P) {
  SimKernel& kernel = SimKernel::Current();
  kernel.Pool().Free(P, kernel.Cpu().Irql());
}
