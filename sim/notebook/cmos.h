// The 128-byte battery-backed CMOS RAM with its real-time clock, behind ports 0x70/0x71.
#pragma once

#include <array>
#include <cstdint>

#include "sim/notebook/port_bus.h"

namespace sim {

// Index port 0x70 (write-only; bit 7 of the value is the NMI-disable bit, not index), data port
// 0x71. The clock stands still at Tuesday 1999-06-15 12:00:00 (BCD, 24-hour) so runs repeat
// exactly. Status registers C and D are read-only through the ports, as on the real part.
class Cmos : public PortDevice {
 public:
  static constexpr uint16_t kIndexPort = 0x70;
  static constexpr uint16_t kDataPort = 0x71;
  static constexpr uint8_t kSize = 128;

  Cmos();

  // Direct access for tests; an index of 128 or more throws std::out_of_range.
  uint8_t Byte(uint8_t index) const;
  void SetByte(uint8_t index, uint8_t value);
  uint8_t Index() const;     // the selected index
  bool NmiDisabled() const;  // bit 7 of the last value written to the index port

  uint8_t ReadByte(uint16_t port) override;
  void WriteByte(uint16_t port, uint8_t value) override;

 private:
  std::array<uint8_t, kSize> ram_{};
  uint8_t index_ = 0;
  bool nmiDisabled_ = false;
};

}  // namespace sim
