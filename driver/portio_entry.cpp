// portio's entry, unload and create/close routines: a legacy driver with one device.
#include "driver/port_requests.h"
#include "driver/portio_device.h"

namespace {

VOID NTAPI PortioUnload(PDRIVER_OBJECT driverObject) { DeletePortDevices(driverObject); }

// No per-handle state: every close and every create of the device itself succeeds. The
// device has no names beneath it ("\\.\DRV1\x"); refusing them here holds also where the
// system ignores FILE_DEVICE_SECURE_OPEN and would let anyone reach this routine so.
NTSTATUS NTAPI PortioCreateClose(PDEVICE_OBJECT, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  NTSTATUS status = STATUS_SUCCESS;
  if (stack->MajorFunction == IRP_MJ_CREATE && stack->FileObject != nullptr &&
      stack->FileObject->FileName.Length != 0)
    status = STATUS_ACCESS_DENIED;
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

}  // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING) {
  driverObject->DriverUnload = PortioUnload;
  driverObject->MajorFunction[IRP_MJ_CREATE] = PortioCreateClose;
  driverObject->MajorFunction[IRP_MJ_CLOSE] = PortioCreateClose;
  driverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = PortioDeviceControl;
  return CreatePortDevice(driverObject, 0);
}
