// The I/O manager's services, as ntoskrnl exports them.
#include "platform/nt_kernel.h"
#include "sim/kernel/sim_kernel.h"

using sim::SimKernel;

NTSTATUS NTAPI IoCreateDevice(PDRIVER_OBJECT DriverObject, ULONG DeviceExtensionSize,
                              PUNICODE_STRING DeviceName, DEVICE_TYPE DeviceType,
                              ULONG DeviceCharacteristics, BOOLEAN Exclusive,
                              PDEVICE_OBJECT* DeviceObject) {
  return SimKernel::Current().Io().CreateDevice(DriverObject, DeviceExtensionSize, DeviceName,
                                                DeviceType, DeviceCharacteristics, Exclusive,
                                                DeviceObject);
}

VOID NTAPI IoDeleteDevice(PDEVICE_OBJECT DeviceObject) {
  SimKernel::Current().Io().DeleteDevice(DeviceObject);
}

NTSTATUS NTAPI IoCreateSymbolicLink(PUNICODE_STRING SymbolicLinkName, PUNICODE_STRING DeviceName) {
  return SimKernel::Current().Io().CreateSymbolicLink(SymbolicLinkName, DeviceName);
}

NTSTATUS NTAPI IoDeleteSymbolicLink(PUNICODE_STRING SymbolicLinkName) {
  return SimKernel::Current().Io().DeleteSymbolicLink(SymbolicLinkName);
}

VOID FASTCALL IofCompleteRequest(PIRP Irp, CCHAR PriorityBoost) {
  SimKernel::Current().Io().CompleteRequest(Irp, PriorityBoost);
}
