// PCI configuration space reached through configuration mechanism #1 (ports 0xCF8-0xCFF).
#pragma once

#include <array>
#include <cstdint>
#include <map>

#include "sim/notebook/port_bus.h"

namespace sim {

// A dword write to 0xCF8 sets the address (bit 31 enable, bus 23-16, device 15-11, function
// 10-8, register 7-2); a dword read returns the last value written. Byte accesses to
// 0xCF8-0xCFB are not the address mechanism: they read 0xFF and drop writes. 0xCFC+k is byte k
// of the addressed dword. With bit 31 clear, or no such function, data reads are all ones and
// writes are dropped. Vendor and device IDs are read-only; every other byte is writable.
class PciConfig : public PortDevice {
 public:
  static constexpr uint16_t kAddressPort = 0xCF8;
  static constexpr uint16_t kDataPort = 0xCFC;
  static constexpr uint32_t kEnable = 0x80000000u;

  // Adds a function with its IDs and its 24-bit class code (class, subclass, interface) at
  // offsets 9-11; the rest of its space is zero. A device > 31, a function > 7 or a function
  // that already exists throws std::logic_error. Function 0 of a device with several functions
  // is marked multi-function in its header type (offset 0x0E, bit 7).
  void AddFunction(uint8_t bus, uint8_t dev, uint8_t fn, uint16_t vendor, uint16_t device,
                   uint32_t classCode);
  bool HasFunction(uint8_t bus, uint8_t dev, uint8_t fn) const;
  // The dword containing `offset`; all ones for a missing function.
  uint32_t ReadConfig(uint8_t bus, uint8_t dev, uint8_t fn, uint8_t offset) const;
  // Firmware's view: writes any byte, IDs included. A missing function throws std::logic_error.
  void SetConfigByte(uint8_t bus, uint8_t dev, uint8_t fn, uint8_t offset, uint8_t value);
  uint32_t Address() const;

  uint8_t ReadByte(uint16_t port) override;
  void WriteByte(uint16_t port, uint8_t value) override;
  uint32_t ReadDword(uint16_t port) override;
  void WriteDword(uint16_t port, uint32_t value) override;

 private:
  using Space = std::array<uint8_t, 256>;

  static uint32_t Key(uint8_t bus, uint8_t dev, uint8_t fn);
  Space* Addressed();  // nullptr when disabled or missing

  uint32_t address_ = 0;
  std::map<uint32_t, Space> functions_;
};

}  // namespace sim
