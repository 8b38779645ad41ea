// The port bus: claims, floating ports, dword assembly across owners, and the access log.
#include "sim/notebook/port_bus.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "hex.h"

namespace sim {
namespace {

using sim_test::H32;
using sim_test::H8;

// Reads each port as its low byte plus `offset`; remembers byte writes. Whole-dword calls are
// counted so tests can tell dispatch from byte assembly.
class EchoDevice : public PortDevice {
 public:
  explicit EchoDevice(uint8_t offset = 0) : offset_(offset) {}
  uint8_t ReadByte(uint16_t port) override { return static_cast<uint8_t>(port + offset_); }
  void WriteByte(uint16_t port, uint8_t value) override { written_[port] = value; }
  uint32_t ReadDword(uint16_t port) override { return ++dwordCalls_, PortDevice::ReadDword(port); }
  void WriteDword(uint16_t port, uint32_t value) override {
    ++dwordCalls_;
    PortDevice::WriteDword(port, value);
  }
  std::map<uint16_t, uint8_t> written_;
  int dwordCalls_ = 0;

 private:
  uint8_t offset_;
};

TEST(PortBus, UnclaimedPortsFloatHigh) {
  PortBus bus;
  EXPECT_EQ(H8(0xFF), H8(bus.InByte(0x80))) << "byte read of unclaimed 0x80";
  EXPECT_EQ(H32(0xFFFFFFFF), H32(bus.InDword(0x80))) << "dword read of unclaimed 0x80";
  bus.OutByte(0x80, 0x12);
  EXPECT_EQ(nullptr, bus.Owner(0x80));
}

TEST(PortBus, DwordWithOneOwnerGoesToItLittleEndian) {
  PortBus bus;
  EchoDevice device;
  bus.Claim(0x100, 8, &device);
  EXPECT_EQ(H32(0x05040302), H32(bus.InDword(0x102))) << "unaligned but wholly owned";
  bus.OutDword(0x104, 0xA1B2C3D4);
  EXPECT_EQ(2, device.dwordCalls_);
  EXPECT_EQ(H8(0xD4), H8(device.written_[0x104])) << "low byte goes to the first port";
  EXPECT_EQ(H8(0xA1), H8(device.written_[0x107]));
}

TEST(PortBus, DwordAcrossOwnersIsAssembledPerByte) {
  PortBus bus;
  EchoDevice a, b(0x10);
  bus.Claim(0x300, 3, &a);
  bus.Claim(0x303, 1, &b);
  EXPECT_EQ(H32(0x13020100), H32(bus.InDword(0x300)));
  bus.OutDword(0x300, 0x44332211);
  EXPECT_EQ(0, a.dwordCalls_ + b.dwordCalls_) << "a split dword must not reach ReadDword";
  EXPECT_EQ(H8(0x33), H8(a.written_[0x302]));
  EXPECT_EQ(H8(0x44), H8(b.written_[0x303]));
}

TEST(PortBus, DwordAtTopOfPortSpaceDoesNotWrap) {
  PortBus bus;
  EchoDevice top(0x10), bottom;
  bus.Claim(0xFFFE, 2, &top);
  bus.Claim(0x0000, 2, &bottom);
  EXPECT_EQ(H32(0xFFFF0F0E), H32(bus.InDword(0xFFFE))) << "bytes past 0xFFFF read 0xFF";
  bus.OutDword(0xFFFF, 0x12345678);
  EXPECT_EQ(H8(0x78), H8(top.written_[0xFFFF]));
  EXPECT_TRUE(bottom.written_.empty()) << "a write must not wrap to port 0";
}

TEST(PortBus, BadClaimsThrowAndClaimNothing) {
  PortBus bus;
  EchoDevice a, b;
  bus.Claim(0x60, 1, &a);
  EXPECT_THROW(bus.Claim(0x5E, 4, &b), std::logic_error) << "overlaps 0x60";
  EXPECT_EQ(nullptr, bus.Owner(0x5E)) << "a failed claim must leave no port claimed";
  EXPECT_THROW(bus.Claim(0xFFFF, 2, &b), std::logic_error) << "runs past 0xFFFF";
  EXPECT_THROW(bus.Claim(0x70, 0, &b), std::logic_error) << "empty span";
  EXPECT_THROW(bus.Claim(0x70, 1, nullptr), std::logic_error) << "null device";
  EXPECT_NO_THROW(bus.Claim(0xFFFF, 1, &b)) << "the last port is claimable";
}

TEST(PortBus, LogHasOneEntryPerOperationInOrder) {
  PortBus bus;
  EchoDevice device;
  bus.Claim(0x10, 2, &device);
  bus.InByte(0x10);
  bus.OutByte(0x90, 0x5A);
  bus.InDword(0x10);  // split: two claimed bytes, two unclaimed
  bus.OutDword(0x10, 0x01020304);
  const std::vector<PortAccess> expected = {
      {PortDirection::In, PortWidth::Byte, 0x10, 0x10},
      {PortDirection::Out, PortWidth::Byte, 0x90, 0x5A},
      {PortDirection::In, PortWidth::Dword, 0x10, 0xFFFF1110},
      {PortDirection::Out, PortWidth::Dword, 0x10, 0x01020304},
  };
  ASSERT_EQ(expected.size(), bus.Log().size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i], bus.Log()[i])
        << "entry " << i << " is port " << bus.Log()[i].port << " value " << bus.Log()[i].value;
  }
  bus.ClearLog();
  EXPECT_TRUE(bus.Log().empty());
}

}  // namespace
}  // namespace sim
