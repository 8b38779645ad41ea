// Device creation and deletion for portio.
#include "driver/portio_device.h"

#include <new>

#include "driver/device_access.h"
#include "driver/portio_protocol.h"

KSPIN_LOCK g_PortLock;

namespace {

void DestroyDevice(PDEVICE_OBJECT device) {
  static_cast<PortDeviceExtension*>(device->DeviceExtension)->~PortDeviceExtension();
  IoDeleteDevice(device);
}

}  // namespace

NTSTATUS CreatePortDevice(PDRIVER_OBJECT driverObject, ULONG deviceNumber) {
  OwnedUnicodeString deviceName{OwnedUnicodeString(portio::kDeviceNamePrefix),
                                OwnedUnicodeString(deviceNumber)};
  if (!deviceName.IsValid()) return STATUS_INSUFFICIENT_RESOURCES;

  PDEVICE_OBJECT device = nullptr;
  NTSTATUS status = IoCreateDevice(driverObject, sizeof(PortDeviceExtension), deviceName.Get(),
                                   FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, TRUE, &device);
  if (!NT_SUCCESS(status)) return status;

  device->Flags |= DO_BUFFERED_IO;
  auto* extension = new (device->DeviceExtension) PortDeviceExtension();
  extension->DeviceObject = device;
  extension->DeviceNumber = deviceNumber;
  extension->DeviceName = deviceName;

  OwnedUnicodeString linkName{OwnedUnicodeString(portio::kLinkNamePrefix),
                              OwnedUnicodeString(deviceNumber + 1)};
  extension->LinkName = linkName;
  if (!extension->DeviceName.IsValid() || !extension->LinkName.IsValid()) {
    DestroyDevice(device);
    return STATUS_INSUFFICIENT_RESOURCES;
  }

  // Locked down before it has a link, or the driver does not load: a device anyone could
  // open is worse than none.
  status = RestrictDeviceAccess(device);
  if (!NT_SUCCESS(status)) {
    DestroyDevice(device);
    return status;
  }

  status = IoCreateSymbolicLink(linkName.Get(), deviceName.Get());
  if (!NT_SUCCESS(status)) {
    DestroyDevice(device);
    return status;
  }
  return STATUS_SUCCESS;
}

void DeletePortDevices(PDRIVER_OBJECT driverObject) {
  PDEVICE_OBJECT device = driverObject->DeviceObject;
  while (device != nullptr) {
    PDEVICE_OBJECT next = device->NextDevice;
    auto* extension = static_cast<PortDeviceExtension*>(device->DeviceExtension);
    IoDeleteSymbolicLink(extension->LinkName.Get());
    DestroyDevice(device);
    device = next;
  }
}
