// A one-byte latch that collects key presses until the host acknowledges them.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/notebook/bounded_log.h"
#include "sim/notebook/port_bus.h"

namespace sim {

// The notebook's keyboard firmware sets a bit per key pressed; a read shows the collected bits,
// and any write acknowledges by clearing them all. Other ports read 0xFF and ignore writes.
class HotKeyLatch : public PortDevice {
 public:
  explicit HotKeyLatch(uint16_t port);

  uint16_t Port() const;
  void Press(uint8_t bits);  // ORs bits into the latch
  uint8_t Value() const;     // the latch, without a bus access
  // Values written, oldest first (the newest of them, see BoundedLog).
  const std::vector<uint8_t>& Acknowledgements() const;

  uint8_t ReadByte(uint16_t port) override;
  void WriteByte(uint16_t port, uint8_t value) override;

 private:
  uint16_t port_;
  uint8_t value_ = 0;
  BoundedLog<uint8_t> acknowledgements_;
};

}  // namespace sim
