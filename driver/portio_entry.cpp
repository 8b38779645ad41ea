// portio's entry, unload and create/close routines: a legacy driver with one device.
#include "driver/port_requests.h"
#include "driver/portio_device.h"

namespace {

VOID NTAPI PortioUnload(PDRIVER_OBJECT driverObject) { DeletePortDevices(driverObject); }

// No per-handle state: every create and close simply succeeds.
NTSTATUS NTAPI PortioCreateClose(PDEVICE_OBJECT, PIRP irp) {
  irp->IoStatus.Status = STATUS_SUCCESS;
  irp->IoStatus.Information = 0;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return STATUS_SUCCESS;
}

}  // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING) {
  driverObject->DriverUnload = PortioUnload;
  driverObject->MajorFunction[IRP_MJ_CREATE] = PortioCreateClose;
  driverObject->MajorFunction[IRP_MJ_CLOSE] = PortioCreateClose;
  driverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = PortioDeviceControl;
  return CreatePortDevice(driverObject, 0);
}
