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
#ifdef _WIN64
// The x64 build exists only for Wine64, which runs drivers in user mode where IN and OUT
// fault. There the ports come from the HAL's exports, as they do on 32-bit Windows, instead
// of the DDK's inline instructions.
extern "C" {
__declspec(dllimport) UCHAR NTAPI HalReadPortUchar(PUCHAR Port) __asm__("READ_PORT_UCHAR");
__declspec(dllimport) ULONG NTAPI HalReadPortUlong(PULONG Port) __asm__("READ_PORT_ULONG");
__declspec(dllimport) VOID NTAPI
    HalWritePortUchar(PUCHAR Port, UCHAR Value) __asm__("WRITE_PORT_UCHAR");
__declspec(dllimport) VOID NTAPI
    HalWritePortUlong(PULONG Port, ULONG Value) __asm__("WRITE_PORT_ULONG");
}
#define READ_PORT_UCHAR HalReadPortUchar
#define READ_PORT_ULONG HalReadPortUlong
#define WRITE_PORT_UCHAR HalWritePortUchar
#define WRITE_PORT_ULONG HalWritePortUlong
#endif
#else
#include "linux/ntddk_subset.h"
#endif
