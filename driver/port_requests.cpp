// The request table of portio and the control routine that serves it.
#include "driver/port_requests.h"

#include "driver/portio_protocol.h"

namespace {

enum class PortOperation : UCHAR {
  Reject,
  InByte,
  InDword,
  OutByte,
  OutDword,
  IndexedInByte,        // port from the request value, remembered for the write-back
  WriteBack,            // byte to the remembered port
  OutDwordThenInDword,  // index then data, both under the one lock hold
  OutByteThenInByte,
};

struct RequestEntry {
  PortOperation operation;
  USHORT port;
  USHORT dataPort;  // second port of the two-step operations
};

// Indexed by (code - kFirstCode) / 4.
constexpr RequestEntry kRequestTable[] = {
    {PortOperation::IndexedInByte, 0, 0},  // 0x222018
    {PortOperation::WriteBack, 0, 0},      // 0x22201C
    {PortOperation::OutDwordThenInDword, 0xCF8, 0xCFC},
    {PortOperation::InDword, 0xCFC, 0},
    {PortOperation::InByte, 0x60, 0},
    {PortOperation::InByte, 0x62, 0},
    {PortOperation::InByte, 0x64, 0},
    {PortOperation::InByte, 0x66, 0},
    {PortOperation::Reject, 0, 0},  // 0x222038
    {PortOperation::OutDword, 0xCF8, 0},
    {PortOperation::OutDword, 0xCFC, 0},
    {PortOperation::OutByte, 0x64, 0},  // the controller writes run in function
    {PortOperation::OutByte, 0x60, 0},  // order, not port order
    {PortOperation::OutByte, 0x66, 0},
    {PortOperation::OutByte, 0x62, 0},
    {PortOperation::OutByteThenInByte, 0x70, 0x71},  // 0x222054
    {PortOperation::OutByte, 0x70, 0},
    {PortOperation::OutByte, 0x71, 0},
    {PortOperation::InByte, 0x71, 0},  // 0x222060
};
static_assert(sizeof(kRequestTable) / sizeof(kRequestTable[0]) ==
                  (portio::kLastCode - portio::kFirstCode) / 4 + 1,
              "one entry per code");

// Input bytes an operation needs to form its request value.
ULONG ValueBytesNeeded(PortOperation operation) {
  switch (operation) {
    case PortOperation::IndexedInByte:
      return 2;  // a 16-bit port number
    case PortOperation::OutDword:
    case PortOperation::OutDwordThenInDword:
      return 4;
    case PortOperation::OutByte:
    case PortOperation::WriteBack:
    case PortOperation::OutByteThenInByte:
      return 1;
    default:
      return 0;
  }
}

// Output bytes an operation needs for its result.
ULONG OutputBytesNeeded(PortOperation operation) {
  switch (operation) {
    case PortOperation::InByte:
    case PortOperation::IndexedInByte:
    case PortOperation::OutByteThenInByte:
      return 1;
    case PortOperation::InDword:
    case PortOperation::OutDwordThenInDword:
      return 4;
    default:
      return 0;
  }
}

const RequestEntry* FindRequest(ULONG code) {
  if (code < portio::kFirstCode || code > portio::kLastCode || (code - portio::kFirstCode) % 4)
    return nullptr;
  const RequestEntry* entry = &kRequestTable[(code - portio::kFirstCode) / 4];
  return entry->operation == PortOperation::Reject ? nullptr : entry;
}

// The little-endian request word, from no more than the input the caller gave.
ULONG RequestValue(const UCHAR* buffer, ULONG inputLength) {
  ULONG value = 0;
  for (ULONG i = 0; i < inputLength && i < 4; ++i) value |= ULONG(buffer[i]) << (8 * i);
  return value;
}

PUCHAR BytePort(ULONG port) { return reinterpret_cast<PUCHAR>(ULONG_PTR(port & 0xFFFF)); }
PULONG DwordPort(ULONG port) { return reinterpret_cast<PULONG>(ULONG_PTR(port & 0xFFFF)); }

// Byte 0 gets the port's byte; bytes 1 to 3 keep the caller's input, and those the input did
// not reach are zeroed so that no stale pool content is reported.
ULONG StoreByteResult(PUCHAR buffer, ULONG inputLength, ULONG outputLength, UCHAR byte) {
  ULONG reported =
      outputLength < portio::kReadReportBytes ? outputLength : portio::kReadReportBytes;
  buffer[0] = byte;
  for (ULONG i = inputLength < 1 ? 1 : inputLength; i < reported; ++i) buffer[i] = 0;
  return reported;
}

ULONG StoreDwordResult(PUCHAR buffer, ULONG value) {
  for (int i = 0; i < 4; ++i) buffer[i] = UCHAR(value >> (8 * i));
  return portio::kReadReportBytes;
}

}  // namespace

PortRequestResult ServePortRequest(PortDeviceExtension* extension, ULONG code, PUCHAR buffer,
                                   ULONG inputLength, ULONG outputLength) {
  const RequestEntry* entry = FindRequest(code);
  if (entry == nullptr) return {STATUS_INVALID_DEVICE_REQUEST, 0};
  if (buffer == nullptr) inputLength = outputLength = 0;
  if (inputLength < ValueBytesNeeded(entry->operation)) return {STATUS_INVALID_PARAMETER, 0};
  if (outputLength < OutputBytesNeeded(entry->operation)) return {STATUS_BUFFER_TOO_SMALL, 0};

  const ULONG value = RequestValue(buffer, inputLength);
  switch (entry->operation) {
    case PortOperation::InByte:
      return {STATUS_SUCCESS, StoreByteResult(buffer, inputLength, outputLength,
                                              READ_PORT_UCHAR(BytePort(entry->port)))};
    case PortOperation::InDword:
      return {STATUS_SUCCESS, StoreDwordResult(buffer, READ_PORT_ULONG(DwordPort(entry->port)))};
    case PortOperation::OutByte:
      WRITE_PORT_UCHAR(BytePort(entry->port), UCHAR(value));
      return {STATUS_SUCCESS, 0};
    case PortOperation::OutDword:
      WRITE_PORT_ULONG(DwordPort(entry->port), value);
      return {STATUS_SUCCESS, 0};
    case PortOperation::IndexedInByte:
      if (!portio::IsIndexedReadPort(value & 0xFFFF)) return {STATUS_ACCESS_DENIED, 0};
      extension->RememberedPort = value & 0xFFFF;
      extension->PortRemembered = TRUE;
      return {STATUS_SUCCESS,
              StoreByteResult(buffer, inputLength, outputLength,
                              READ_PORT_UCHAR(BytePort(extension->RememberedPort)))};
    case PortOperation::WriteBack:
      if (!extension->PortRemembered) return {STATUS_INVALID_DEVICE_STATE, 0};
      WRITE_PORT_UCHAR(BytePort(extension->RememberedPort), UCHAR(value));
      return {STATUS_SUCCESS, 0};
    case PortOperation::OutDwordThenInDword:
      WRITE_PORT_ULONG(DwordPort(entry->port), value);
      return {STATUS_SUCCESS,
              StoreDwordResult(buffer, READ_PORT_ULONG(DwordPort(entry->dataPort)))};
    case PortOperation::OutByteThenInByte:
      WRITE_PORT_UCHAR(BytePort(entry->port), UCHAR(value));
      return {STATUS_SUCCESS, StoreByteResult(buffer, inputLength, outputLength,
                                              READ_PORT_UCHAR(BytePort(entry->dataPort)))};
    case PortOperation::Reject:
      break;
  }
  return {STATUS_INVALID_DEVICE_REQUEST, 0};
}

NTSTATUS NTAPI PortioDeviceControl(PDEVICE_OBJECT deviceObject, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  auto* extension = static_cast<PortDeviceExtension*>(deviceObject->DeviceExtension);

  KIRQL oldIrql = KfAcquireSpinLock(&g_PortLock);
  PortRequestResult result =
      ServePortRequest(extension, stack->Parameters.DeviceIoControl.IoControlCode,
                       static_cast<PUCHAR>(irp->AssociatedIrp.SystemBuffer),
                       stack->Parameters.DeviceIoControl.InputBufferLength,
                       stack->Parameters.DeviceIoControl.OutputBufferLength);
  KfReleaseSpinLock(&g_PortLock, oldIrql);

  irp->IoStatus.Status = result.Status;
  irp->IoStatus.Information = result.Information;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return result.Status;
}
