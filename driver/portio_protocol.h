// The contract between Tavos and portio: device names, request codes and buffer rules.
//
// Both sides include this header; it depends on nothing but the compiler.
//
// Call order: open "\\.\DRV1" (the device is exclusive: one handle at a time), then send
// METHOD_BUFFERED requests with DeviceIoControl. Input and output share one system buffer.
// The request value is the buffer's first 32-bit little-endian word; when the input is
// shorter than 4 bytes only the given bytes count and the rest are taken as zero.
//
// Buffer rules served by portio (each request needs the input and output it names):
//   - requests that take a value need at least `kValueBytes` of input: 2 for the indexed read
//     (a 16-bit port number), 4 for the 32-bit PCI writes and the PCI configuration read,
//     1 for every byte write and the CMOS read;
//   - a byte read needs at least 1 byte of output and reports min(4, output length) bytes:
//     byte 0 holds the port's byte, bytes 1 to 3 hold the caller's input bytes, zero where
//     the input did not reach;
//   - a 32-bit read needs 4 bytes of output and reports 4;
//   - writes report 0 bytes.
// A request that breaks a rule completes with STATUS_INVALID_PARAMETER (too little input,
// or no buffer at all) or STATUS_BUFFER_TOO_SMALL (too little output) and touches no port.
//
// The write-back (kWriteBack) writes to the port of the most recent indexed read on the
// device, whoever sent it; so an indexed read followed by a write-back is a pair only if
// no other indexed read comes between them. Before the first indexed read there is no such
// port and the write-back fails with STATUS_INVALID_DEVICE_STATE.
//
// The indexed read reaches only the ports of kIndexedReadPorts. Any other port fails with
// STATUS_ACCESS_DENIED, is not touched and is not remembered, so the write-back keeps going
// to the port remembered before. The value's upper 16 bits never select another port.
#pragma once

#include <cstdint>

namespace portio {

constexpr const char kDevicePath[] = "\\\\.\\DRV1";  // user mode: \\.\DRV1
constexpr const char kDeviceNamePrefix[] = "\\Device\\DRIVER";
constexpr const char kLinkNamePrefix[] = "\\DosDevices\\DRV";
constexpr uint32_t kPoolTag = 0x00000661;  // bytes 'a', 0x06, 0x00, 0x00 in memory

constexpr uint32_t kDeviceTypeUnknown = 0x22;
constexpr uint32_t ControlCode(uint32_t function) {
  return (kDeviceTypeUnknown << 16) | (function << 2);  // METHOD_BUFFERED, FILE_ANY_ACCESS
}

enum : uint32_t {
  kIndexedRead = ControlCode(0x806),           // port = value (low 16 bits); remembered
  kWriteBack = ControlCode(0x807),             // low byte to the remembered port
  kPciConfigRead = ControlCode(0x808),         // value -> 0xCF8, then 32-bit read of 0xCFC
  kPciDataRead = ControlCode(0x809),           // 32-bit read of 0xCFC
  kKeyboardDataRead = ControlCode(0x80A),      // 0x60
  kEcDataRead = ControlCode(0x80B),            // 0x62
  kKeyboardStatusRead = ControlCode(0x80C),    // 0x64
  kEcStatusRead = ControlCode(0x80D),          // 0x66
  kUnassigned = ControlCode(0x80E),            // always rejected
  kPciAddressWrite = ControlCode(0x80F),       // 32-bit write of 0xCF8
  kPciDataWrite = ControlCode(0x810),          // 32-bit write of 0xCFC
  kKeyboardCommandWrite = ControlCode(0x811),  // 0x64
  kKeyboardDataWrite = ControlCode(0x812),     // 0x60
  kEcCommandWrite = ControlCode(0x813),        // 0x66
  kEcDataWrite = ControlCode(0x814),           // 0x62
  kCmosRead = ControlCode(0x815),              // low byte -> 0x70, then read 0x71
  kCmosIndexWrite = ControlCode(0x816),        // 0x70
  kCmosDataWrite = ControlCode(0x817),         // 0x71
  kCmosDataRead = ControlCode(0x818),          // 0x71
};

constexpr uint32_t kFirstCode = kIndexedRead;
constexpr uint32_t kLastCode = kCmosDataRead;

// What a read reports: the 4-byte request word, cut to the caller's output buffer.
constexpr uint32_t kReadReportBytes = 4;

// The ports the indexed read (and so the write-back) may reach: the latches Tavos polls and
// acknowledges, and the ports the fixed requests already serve. Nothing else: not the DMA
// controllers, the disks, the reset control port 0xCF9 or the rest of the machine.
constexpr uint16_t kIndexedReadPorts[] = {
    0x040E, 0x040F,  // hot-key latches
    0x0C12,          // media-button latch
    0x0060, 0x0064,  // keyboard controller data, status/command
    0x0062, 0x0066,  // embedded controller data, status/command
    0x0070, 0x0071,  // CMOS index, data
    0x0CF8, 0x0CFC,  // PCI configuration address, data
};

constexpr bool IsIndexedReadPort(uint32_t port) {
  for (uint16_t allowed : kIndexedReadPorts)
    if (port == allowed) return true;
  return false;
}

}  // namespace portio
