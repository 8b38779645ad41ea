// Hex values for test messages, so a failure shows "0xFF" rather than a character or decimal.
#pragma once

#include <cstdint>
#include <iomanip>
#include <ostream>

namespace sim_test {

struct Hex {
  uint32_t value;
  int digits;
};

inline bool operator==(Hex a, Hex b) { return a.value == b.value; }

inline void PrintTo(const Hex& h, std::ostream* os) {
  *os << "0x" << std::hex << std::uppercase << std::setw(h.digits) << std::setfill('0') << h.value;
}

inline Hex H8(uint32_t v) { return {v, 2}; }
inline Hex H32(uint32_t v) { return {v, 8}; }

}  // namespace sim_test
