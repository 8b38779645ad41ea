// The link to portio: the process-wide device handle and the single requests Tavos sends.
//
// Everything runs on the user-interface thread; the multi-request controller handshakes
// rely on that (the driver only serialises single requests).
#pragma once

#include "platform/win32.h"

// The device handle of the last open attempt (INVALID_HANDLE_VALUE when it failed) and
// whether that attempt succeeded. Opened once, closed only by the EXIT command.
extern PROCESS_WIDE HANDLE g_hDriver;
extern PROCESS_WIDE bool g_bDriverOpen;

namespace tavos {

// The device-interface class under which the driver's device is looked up.
extern const GUID kPortioInterfaceClass;

// The embedded controller's status bits.
constexpr BYTE kEcOutputFull = 0x01;
constexpr BYTE kEcInputFull = 0x02;
// How many status reads WaitEcInputEmpty makes before it calls the controller busy.
constexpr int kEcStatusReads = 801;

}  // namespace tavos

// 0 once the controller's input buffer reads empty, 0xFF when it stayed full for
// kEcStatusReads reads. A status read that fails returns 0xFF at once: the device cannot
// answer, and asking it 800 more times would only stall the tick.
BYTE WaitEcInputEmpty(HANDLE device);
void WriteEcCommand(HANDLE device, DWORD value);
void WriteEcData(HANDLE device, DWORD value);
// The controller handshake: the command, then the data byte unless it is 0xFF. Returns
// when every byte was taken or the attempts ran out (see tavos::kEcByteAttempts).
void SendEcCommand(HANDLE device, BYTE command, BYTE data);
// The same handshake, always with the data byte (0xFF included): the brightness level's form.
void SendEcCommandWithData(HANDLE device, BYTE command, BYTE data);

namespace tavos {
// Each byte is tried at most this many times: a stuck controller or an absent device ends
// the handshake silently, and the next poll (or the next press) tries again. Only a byte
// written and not taken costs a pause, and only when another try follows; so an absent
// device or a controller that never shows room returns at once.
constexpr int kEcByteAttempts = 3;
constexpr DWORD kEcRetryPauseMs = 100;
}  // namespace tavos

// The direct form's command and data bytes (0xFF data: none), set by the caller first.
extern PROCESS_WIDE BYTE g_byEcCommand;
extern PROCESS_WIDE BYTE g_byEcData;
