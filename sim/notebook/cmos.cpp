// CMOS RAM and real-time clock registers.
#include "sim/notebook/cmos.h"

#include <stdexcept>
#include <string>

namespace sim {

namespace {

constexpr uint8_t kStatusC = 0x0C;
constexpr uint8_t kStatusD = 0x0D;

void CheckIndex(uint8_t index) {
  if (index >= Cmos::kSize) {
    throw std::out_of_range("Cmos: index " + std::to_string(index) + " is past 127");
  }
}

}  // namespace

Cmos::Cmos() {
  ram_[0x00] = 0x00;  // seconds
  ram_[0x02] = 0x00;  // minutes
  ram_[0x04] = 0x12;  // hours
  ram_[0x06] = 0x03;  // day of week, Sunday = 1
  ram_[0x07] = 0x15;  // day of month
  ram_[0x08] = 0x06;  // month
  ram_[0x09] = 0x99;  // year
  ram_[0x0A] = 0x26;  // 32.768 kHz time base, 1024 Hz periodic rate, no update in progress
  ram_[0x0B] = 0x02;  // 24-hour, BCD, no interrupts
  ram_[kStatusC] = 0x00;
  ram_[kStatusD] = 0x80;  // battery good
  ram_[0x32] = 0x19;      // century
}

uint8_t Cmos::Byte(uint8_t index) const {
  CheckIndex(index);
  return ram_[index];
}

void Cmos::SetByte(uint8_t index, uint8_t value) {
  CheckIndex(index);
  ram_[index] = value;
}

uint8_t Cmos::Index() const { return index_; }

bool Cmos::NmiDisabled() const { return nmiDisabled_; }

uint8_t Cmos::ReadByte(uint16_t port) { return port == kDataPort ? ram_[index_] : 0xFF; }

void Cmos::WriteByte(uint16_t port, uint8_t value) {
  if (port == kIndexPort) {
    nmiDisabled_ = (value & 0x80) != 0;
    index_ = value & 0x7F;
  } else if (port == kDataPort && index_ != kStatusC && index_ != kStatusD) {
    ram_[index_] = value;
  }
}

}  // namespace sim
