// PCI configuration mechanism #1.
#include "sim/notebook/pci_config.h"

#include <stdexcept>

namespace sim {

namespace {

constexpr uint8_t kHeaderType = 0x0E;
constexpr uint8_t kMultiFunction = 0x80;
constexpr uint8_t kFirstWritable = 4;  // bytes 0-3 are the vendor and device IDs

}  // namespace

uint32_t PciConfig::Key(uint8_t bus, uint8_t dev, uint8_t fn) {
  return uint32_t{bus} << 8 | uint32_t(dev & 0x1F) << 3 | (fn & 0x07);
}

void PciConfig::AddFunction(uint8_t bus, uint8_t dev, uint8_t fn, uint16_t vendor, uint16_t device,
                            uint32_t classCode) {
  if (dev > 31 || fn > 7)
    throw std::logic_error("PciConfig::AddFunction: device or function out of range");
  if (HasFunction(bus, dev, fn)) throw std::logic_error("PciConfig::AddFunction: function exists");
  Space space{};
  space[0] = static_cast<uint8_t>(vendor);
  space[1] = static_cast<uint8_t>(vendor >> 8);
  space[2] = static_cast<uint8_t>(device);
  space[3] = static_cast<uint8_t>(device >> 8);
  space[9] = static_cast<uint8_t>(classCode);
  space[10] = static_cast<uint8_t>(classCode >> 8);
  space[11] = static_cast<uint8_t>(classCode >> 16);
  functions_[Key(bus, dev, fn)] = space;

  bool several = false;
  for (uint8_t other = 1; other < 8; ++other) several = several || HasFunction(bus, dev, other);
  auto first = functions_.find(Key(bus, dev, 0));
  if (several && first != functions_.end()) first->second[kHeaderType] |= kMultiFunction;
}

bool PciConfig::HasFunction(uint8_t bus, uint8_t dev, uint8_t fn) const {
  return dev <= 31 && fn <= 7 && functions_.count(Key(bus, dev, fn)) != 0;
}

uint32_t PciConfig::ReadConfig(uint8_t bus, uint8_t dev, uint8_t fn, uint8_t offset) const {
  if (!HasFunction(bus, dev, fn)) return 0xFFFFFFFFu;
  const Space& space = functions_.at(Key(bus, dev, fn));
  const unsigned base = offset & 0xFCu;
  return uint32_t{space[base]} | uint32_t{space[base + 1]} << 8 | uint32_t{space[base + 2]} << 16 |
         uint32_t{space[base + 3]} << 24;
}

void PciConfig::SetConfigByte(uint8_t bus, uint8_t dev, uint8_t fn, uint8_t offset, uint8_t value) {
  if (!HasFunction(bus, dev, fn)) throw std::logic_error("PciConfig::SetConfigByte: no function");
  functions_.at(Key(bus, dev, fn))[offset] = value;
}

uint32_t PciConfig::Address() const { return address_; }

PciConfig::Space* PciConfig::Addressed() {
  if ((address_ & kEnable) == 0) return nullptr;
  auto found = functions_.find(address_ >> 8 & 0xFFFF);
  return found == functions_.end() ? nullptr : &found->second;
}

uint8_t PciConfig::ReadByte(uint16_t port) {
  if (port < kDataPort || port > kDataPort + 3) return 0xFF;
  const Space* space = Addressed();
  return space ? (*space)[(address_ & 0xFC) + (port - kDataPort)] : 0xFF;
}

void PciConfig::WriteByte(uint16_t port, uint8_t value) {
  if (port < kDataPort || port > kDataPort + 3) return;
  Space* space = Addressed();
  const unsigned offset = (address_ & 0xFC) + (port - kDataPort);
  if (space && offset >= kFirstWritable) (*space)[offset] = value;
}

uint32_t PciConfig::ReadDword(uint16_t port) {
  return port == kAddressPort ? address_ : PortDevice::ReadDword(port);
}

void PciConfig::WriteDword(uint16_t port, uint32_t value) {
  if (port == kAddressPort) {
    address_ = value;
  } else {
    PortDevice::WriteDword(port, value);
  }
}

}  // namespace sim
