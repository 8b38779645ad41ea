// The I/O control protocol of portio: one request, served under the driver-wide lock.
#pragma once

#include "driver/portio_device.h"

struct PortRequestResult {
  NTSTATUS Status;
  ULONG Information;
};

// Serves one METHOD_BUFFERED request on `buffer` (max(input, output) bytes, may be null
// when both lengths are 0). The caller holds g_PortLock. Reads at most `inputLength` bytes
// of input and reports at most `outputLength` bytes.
PortRequestResult ServePortRequest(PortDeviceExtension* extension, ULONG code, PUCHAR buffer,
                                   ULONG inputLength, ULONG outputLength);

// IRP_MJ_DEVICE_CONTROL: takes the lock, serves the request, completes it.
NTSTATUS NTAPI PortioDeviceControl(PDEVICE_OBJECT deviceObject, PIRP irp);
