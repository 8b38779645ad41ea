// A hot-key latch port.
#include "sim/notebook/hotkey_latch.h"

namespace sim {

HotKeyLatch::HotKeyLatch(uint16_t port) : port_(port) {}

uint16_t HotKeyLatch::Port() const { return port_; }

void HotKeyLatch::Press(uint8_t bits) { value_ |= bits; }

uint8_t HotKeyLatch::Value() const { return value_; }

const std::vector<uint8_t>& HotKeyLatch::Acknowledgements() const {
  return acknowledgements_.Entries();
}

uint8_t HotKeyLatch::ReadByte(uint16_t port) { return port == port_ ? value_ : 0xFF; }

void HotKeyLatch::WriteByte(uint16_t port, uint8_t value) {
  if (port != port_) return;
  acknowledgements_.Add(value);
  value_ = 0;
}

}  // namespace sim
