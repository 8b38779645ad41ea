// The embedded-controller handshake through portio.
#include "driver/portio_protocol.h"
#include "hw/device_link.h"

namespace {

// One byte: wait for room, write, wait until the controller took it; a byte it did not
// take is written again after a pause. `roomKnown` skips the first wait when the previous
// byte's acceptance has just shown the input buffer empty.
bool SendEcByte(HANDLE device, void (*write)(HANDLE, DWORD), BYTE value, bool roomKnown) {
  for (int attempt = 0; attempt < tavos::kEcByteAttempts; ++attempt) {
    if (!roomKnown && WaitEcInputEmpty(device) != 0) continue;  // retried at once
    roomKnown = false;
    write(device, value);
    if (WaitEcInputEmpty(device) == 0) return true;
    // The pause gives the controller time before the byte goes again; after the last try
    // nothing follows, so it would only delay the caller.
    if (attempt + 1 < tavos::kEcByteAttempts) Sleep(tavos::kEcRetryPauseMs);
  }
  return false;
}

void WriteEcPort(HANDLE device, DWORD code, DWORD value) {
  DWORD returned = 0;
  DeviceIoControl(device, code, &value, sizeof value, nullptr, 0, &returned, nullptr);
}

}  // namespace

BYTE WaitEcInputEmpty(HANDLE device) {
  for (int reads = 0; reads < tavos::kEcStatusReads; ++reads) {
    BYTE status = 0;
    DWORD returned = 0;
    if (!DeviceIoControl(device, portio::kEcStatusRead, nullptr, 0, &status, 1, &returned,
                         nullptr) ||
        returned < 1)
      return 0xFF;
    if (!(status & tavos::kEcInputFull)) return 0;
  }
  return 0xFF;
}

void WriteEcCommand(HANDLE device, DWORD value) { WriteEcPort(device, portio::kEcCommandWrite, value); }

void WriteEcData(HANDLE device, DWORD value) { WriteEcPort(device, portio::kEcDataWrite, value); }

void SendEcCommand(HANDLE device, BYTE command, BYTE data) {
  if (data == 0xFF) {
    SendEcByte(device, WriteEcCommand, command, false);
    return;
  }
  SendEcCommandWithData(device, command, data);
}

void SendEcCommandWithData(HANDLE device, BYTE command, BYTE data) {
  if (!SendEcByte(device, WriteEcCommand, command, false)) return;
  SendEcByte(device, WriteEcData, data, true);
}
