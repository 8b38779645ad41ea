// The simulated x86 I/O port space: routes IN/OUT to the devices that claim each port.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/notebook/bounded_log.h"

namespace sim {

enum class PortWidth : uint8_t { Byte = 1, Dword = 4 };
enum class PortDirection : uint8_t { In, Out };

// One IN or OUT as the processor issued it; `value` is what was read or written.
struct PortAccess {
  PortDirection direction;
  PortWidth width;
  uint16_t port;
  uint32_t value;
};

bool operator==(const PortAccess& a, const PortAccess& b);
bool operator!=(const PortAccess& a, const PortAccess& b);

// One piece of hardware answering on some ports.
class PortDevice {
 public:
  virtual ~PortDevice() = default;
  virtual uint8_t ReadByte(uint16_t port) = 0;
  virtual void WriteByte(uint16_t port, uint8_t value) = 0;
  // Bytes port..port+3 through ReadByte, little-endian. The bus calls this only when the device
  // owns all four ports.
  virtual uint32_t ReadDword(uint16_t port);
  // Four WriteByte calls, low byte first.
  virtual void WriteDword(uint16_t port, uint32_t value);
};

// The 64 KiB port space of one machine. Not thread-safe: one thread drives the machine at a
// time, as on a single-processor notebook. Devices must outlive the bus's use of them.
//
// A dword access goes to the device's ReadDword/WriteDword only when one device owns all of
// port..port+3. Otherwise (owners split, some bytes unclaimed, or the range runs past 0xFFFF) it
// is done byte by byte in ascending order through each owner's ReadByte/WriteByte: unclaimed
// bytes, and bytes beyond 0xFFFF, read 0xFF and drop writes. The port number never wraps.
class PortBus {
 public:
  PortBus();
  PortBus(const PortBus&) = delete;
  PortBus& operator=(const PortBus&) = delete;

  // Claims [first, first+count) for device. A null device, an empty or out-of-range span, or a
  // port that is already claimed is a programming error of the simulation: std::logic_error,
  // and nothing is claimed.
  void Claim(uint16_t first, uint16_t count, PortDevice* device);
  PortDevice* Owner(uint16_t port) const;  // nullptr when unclaimed

  uint8_t InByte(uint16_t port);               // unclaimed: 0xFF
  void OutByte(uint16_t port, uint8_t value);  // unclaimed: ignored
  uint32_t InDword(uint16_t port);             // unclaimed: 0xFFFFFFFF
  void OutDword(uint16_t port, uint32_t value);

  // The In/Out above, one entry each, in order: the newest of them (see BoundedLog), and how
  // many there were in all.
  const std::vector<PortAccess>& Log() const;
  uint64_t AccessCount() const { return log_.Total(); }
  void ClearLog();

 private:
  static constexpr uint32_t kPortCount = 0x10000;

  bool OneOwnerForDword(uint16_t port) const;
  PortDevice* OwnerOrNull(uint32_t port) const;

  std::vector<PortDevice*> owners_;  // indexed by port
  BoundedLog<PortAccess> log_;
};

}  // namespace sim
