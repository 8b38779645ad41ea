// The kernel seam: the one header through which portio reaches the NT kernel and HAL.
// On Windows it is the DDK; on Linux it declares the same subset, implemented by the
// simulated kernel in sim/kernel. Driver code never tests the platform itself.
#pragma once

#ifdef _WIN32
// mingw's intrinsics header and ntddk.h both define these in C++ mode.
#ifndef __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#define __INTRINSIC_DEFINED_InterlockedBitTestAndComplement
#endif
// Without it ExAllocatePoolWithTag silently becomes the untagged ExAllocatePool.
#ifndef POOL_TAGGING
#define POOL_TAGGING 1
#endif
#include <ntddk.h>
#else
#include "linux/ntddk_subset.h"
#endif
