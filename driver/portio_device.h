// portio's device: its extension, its creation at load and the driver-wide port lock.
#pragma once

#include "driver/owned_unicode_string.h"
#include "platform/nt_kernel.h"

struct PortDeviceExtension {
  PDEVICE_OBJECT DeviceObject;
  ULONG DeviceNumber;
  OwnedUnicodeString DeviceName;
  OwnedUnicodeString LinkName;
  // Port of the most recent indexed read; the write-back writes to it.
  ULONG RememberedPort;
  // Whether an indexed read has happened: before it there is no port to write back to.
  BOOLEAN PortRemembered;
};

// One lock for every request of every device; zero-initialised static storage is a free lock.
extern KSPIN_LOCK g_PortLock;

// Creates \Device\DRIVER<n> with its link \DosDevices\DRV<n+1>. On failure nothing of it
// is left behind: no device, no link, no pool.
NTSTATUS CreatePortDevice(PDRIVER_OBJECT driverObject, ULONG deviceNumber);

// Deletes every device of the driver with its link and names.
void DeletePortDevices(PDRIVER_OBJECT driverObject);
