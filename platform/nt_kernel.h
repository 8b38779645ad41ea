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
// ntifs.h: ntddk.h and the object-security services that set the device's DACL.
#include <ntifs.h>
// ntifs.h points this at the OEM code page's flag, for file systems; portio converts ANSI
// text, so it asks about the ANSI code page, as ntddk.h means it.
#undef NLS_MB_CODE_PAGE_TAG
#define NLS_MB_CODE_PAGE_TAG NlsMbCodePageTag
#else
#include "linux/ntddk_subset.h"
#endif
