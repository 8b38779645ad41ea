// The HAL: spin locks, the interrupt level and port I/O routed to the notebook's bus.
#include <string>

#include "platform/nt_kernel.h"
#include "sim/kernel/sim_kernel.h"

using sim::PortAccess;
using sim::PortDirection;
using sim::PortWidth;
using sim::SimKernel;

namespace {

// x86 port numbers are 16-bit; a larger "address" is a driver bug.
uint16_t PortNumber(SimKernel& kernel, const void* address) {
  uintptr_t port = reinterpret_cast<uintptr_t>(address);
  if (port > 0xFFFF)
    kernel.Faults().Report("INVALID_IO_PORT", "port address " + std::to_string(port));
  return static_cast<uint16_t>(port);
}

}  // namespace

KIRQL FASTCALL KfAcquireSpinLock(PKSPIN_LOCK SpinLock) {
  return SimKernel::Current().Cpu().AcquireSpinLock(SpinLock);
}

VOID FASTCALL KfReleaseSpinLock(PKSPIN_LOCK SpinLock, KIRQL NewIrql) {
  SimKernel::Current().Cpu().ReleaseSpinLock(SpinLock, NewIrql);
}

KIRQL NTAPI KeGetCurrentIrql(void) { return SimKernel::Current().Cpu().Irql(); }

UCHAR NTAPI READ_PORT_UCHAR(PUCHAR Port) {
  SimKernel& kernel = SimKernel::Current();
  uint16_t port = PortNumber(kernel, Port);
  UCHAR value = kernel.Bus().InByte(port);
  kernel.LogPort(PortAccess{PortDirection::In, PortWidth::Byte, port, value});
  return value;
}

VOID NTAPI WRITE_PORT_UCHAR(PUCHAR Port, UCHAR Value) {
  SimKernel& kernel = SimKernel::Current();
  uint16_t port = PortNumber(kernel, Port);
  kernel.Bus().OutByte(port, Value);
  kernel.LogPort(PortAccess{PortDirection::Out, PortWidth::Byte, port, Value});
}

ULONG NTAPI READ_PORT_ULONG(PULONG Port) {
  SimKernel& kernel = SimKernel::Current();
  uint16_t port = PortNumber(kernel, Port);
  ULONG value = kernel.Bus().InDword(port);
  kernel.LogPort(PortAccess{PortDirection::In, PortWidth::Dword, port, value});
  return value;
}

VOID NTAPI WRITE_PORT_ULONG(PULONG Port, ULONG Value) {
  SimKernel& kernel = SimKernel::Current();
  uint16_t port = PortNumber(kernel, Port);
  kernel.Bus().OutDword(port, Value);
  kernel.LogPort(PortAccess{PortDirection::Out, PortWidth::Dword, port, Value});
}
