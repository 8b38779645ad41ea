// The simulated x86 I/O port space.
#include "sim/notebook/port_bus.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace sim {

bool operator==(const PortAccess& a, const PortAccess& b) {
  return a.direction == b.direction && a.width == b.width && a.port == b.port && a.value == b.value;
}

bool operator!=(const PortAccess& a, const PortAccess& b) { return !(a == b); }

uint32_t PortDevice::ReadDword(uint16_t port) {
  uint32_t value = 0;
  for (unsigned k = 0; k < 4; ++k) {
    value |= uint32_t{ReadByte(static_cast<uint16_t>(port + k))} << (8 * k);
  }
  return value;
}

void PortDevice::WriteDword(uint16_t port, uint32_t value) {
  for (unsigned k = 0; k < 4; ++k) {
    WriteByte(static_cast<uint16_t>(port + k), static_cast<uint8_t>(value >> (8 * k)));
  }
}

namespace {

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
  return text;
}

}  // namespace

PortBus::PortBus() : owners_(kPortCount, nullptr) {}

void PortBus::Claim(uint16_t first, uint16_t count, PortDevice* device) {
  if (device == nullptr) throw std::logic_error("PortBus::Claim: null device at " + Hex(first));
  if (count == 0) throw std::logic_error("PortBus::Claim: empty span at " + Hex(first));
  const uint32_t end = uint32_t{first} + count;
  if (end > kPortCount) {
    throw std::logic_error("PortBus::Claim: span at " + Hex(first) + " runs past 0xFFFF");
  }
  for (uint32_t port = first; port < end; ++port) {
    if (owners_[port] != nullptr) {
      throw std::logic_error("PortBus::Claim: port " + Hex(port) + " is already claimed");
    }
  }
  for (uint32_t port = first; port < end; ++port) owners_[port] = device;
}

PortDevice* PortBus::Owner(uint16_t port) const { return owners_[port]; }

PortDevice* PortBus::OwnerOrNull(uint32_t port) const {
  return port < kPortCount ? owners_[port] : nullptr;
}

bool PortBus::OneOwnerForDword(uint16_t port) const {
  if (uint32_t{port} + 3 >= kPortCount) return false;
  return owners_[port] == owners_[port + 1] && owners_[port] == owners_[port + 2] &&
         owners_[port] == owners_[port + 3];
}

uint8_t PortBus::InByte(uint16_t port) {
  PortDevice* device = owners_[port];
  const uint8_t value = device ? device->ReadByte(port) : 0xFF;
  log_.Add({PortDirection::In, PortWidth::Byte, port, value});
  return value;
}

void PortBus::OutByte(uint16_t port, uint8_t value) {
  log_.Add({PortDirection::Out, PortWidth::Byte, port, value});
  if (PortDevice* device = owners_[port]) device->WriteByte(port, value);
}

uint32_t PortBus::InDword(uint16_t port) {
  uint32_t value = 0;
  if (OneOwnerForDword(port)) {
    PortDevice* device = owners_[port];
    value = device ? device->ReadDword(port) : 0xFFFFFFFFu;
  } else {
    for (uint32_t k = 0; k < 4; ++k) {
      const uint32_t at = uint32_t{port} + k;
      PortDevice* device = OwnerOrNull(at);
      const uint8_t byte = device ? device->ReadByte(static_cast<uint16_t>(at)) : 0xFF;
      value |= uint32_t{byte} << (8 * k);
    }
  }
  log_.Add({PortDirection::In, PortWidth::Dword, port, value});
  return value;
}

void PortBus::OutDword(uint16_t port, uint32_t value) {
  log_.Add({PortDirection::Out, PortWidth::Dword, port, value});
  if (OneOwnerForDword(port)) {
    if (PortDevice* device = owners_[port]) device->WriteDword(port, value);
    return;
  }
  for (uint32_t k = 0; k < 4; ++k) {
    const uint32_t at = uint32_t{port} + k;
    if (PortDevice* device = OwnerOrNull(at)) {
      device->WriteByte(static_cast<uint16_t>(at), static_cast<uint8_t>(value >> (8 * k)));
    }
  }
}

const std::vector<PortAccess>& PortBus::Log() const { return log_.Entries(); }

void PortBus::ClearLog() { log_.Clear(); }

}  // namespace sim
