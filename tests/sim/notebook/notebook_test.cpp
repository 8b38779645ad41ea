// The assembled notebook: each device on its ports, the PCI tree, and a sweep of all ports.
#include "sim/notebook/notebook.h"

#include <gtest/gtest.h>

#include "hex.h"

namespace sim {
namespace {

using sim_test::H32;
using sim_test::H8;

TEST(Notebook, EachDeviceAnswersOnItsPorts) {
  Notebook nb;
  PortBus& bus = nb.Bus();
  nb.HotKeys().Press(kHotKeyMp3 | kHotKeyInternet);
  nb.HotKeysHigh().Press(0x02);
  nb.MediaButtons().Press(kMediaStop);
  EXPECT_EQ(H8(0x21), H8(bus.InByte(0x040E)));
  EXPECT_EQ(H8(0x10), H8(bus.InByte(0x0C12)));
  EXPECT_EQ(H32(0xFFFF0221), H32(bus.InDword(0x040E))) << "two latches, 0x0410-0x0411 unclaimed";
  bus.OutByte(0x040E, 0x21);
  EXPECT_EQ(H8(0x02), H8(nb.HotKeysHigh().Value())) << "acknowledging 0x040E leaves 0x040F";

  nb.Ec().QueueOutput(0x42);
  EXPECT_EQ(H8(0x42), H8(bus.InByte(0x62)));
  bus.InByte(0x66);
  EXPECT_EQ(1u, nb.Ec().StatusReads());
  bus.OutByte(0x70, 0x09);
  EXPECT_EQ(H8(0x99), H8(bus.InByte(0x71))) << "RTC year";
  bus.OutByte(0x64, 0xAA);
  EXPECT_EQ(H8(0x55), H8(bus.InByte(0x60)));
}

TEST(Notebook, PciWalkFindsTheChipsetBehindTheBus) {
  Notebook nb;
  PortBus& bus = nb.Bus();
  auto config = [&bus](uint32_t bdf, uint8_t offset) {
    bus.OutDword(0xCF8, 0x80000000u | bdf << 8 | offset);
    return bus.InDword(0xCFC);
  };
  EXPECT_EQ(H32(0x71908086), H32(config(0x0000, 0x00))) << "00:00.0";
  EXPECT_EQ(H32(0x00800000), H32(config(0x0038, 0x0C))) << "00:07.0 is multi-function";
  EXPECT_EQ(H32(0x71118086), H32(config(0x0039, 0x00))) << "00:07.1";
  EXPECT_EQ(H32(0x00010100), H32(config(0x0008, 0x18))) << "AGP bridge to bus 1";
  EXPECT_EQ(H8(0x03), H8(config(0x0100, 0x08) >> 24)) << "01:00.0 is a display controller";
  EXPECT_EQ(H32(0xFFFFFFFF), H32(config(0x0010, 0x00))) << "00:02.0 is empty";
  bus.OutDword(0xCF8, 0x80000000u);
  EXPECT_EQ(H8(0x71), H8(bus.InByte(0xCFF))) << "byte lane 3 of 00:00.0's IDs";
}

// Every port, both widths, both directions: nothing may crash or overrun (run under ASan).
TEST(Notebook, SweepOfTheWholePortSpaceIsHarmless) {
  Notebook nb;
  PortBus& bus = nb.Bus();
  uint32_t floating = 0;
  for (uint32_t port = 0; port < 0x10000; ++port) {
    const auto p = static_cast<uint16_t>(port);
    const uint8_t value = bus.InByte(p);
    floating += bus.Owner(p) == nullptr && value == 0xFF;
    bus.InDword(p);
    bus.OutByte(p, static_cast<uint8_t>(port * 37));
    bus.OutDword(p, port * 0x9E3779B9u);
  }
  EXPECT_EQ(4u * 0x10000, bus.AccessCount());
  EXPECT_EQ(0x10000u - 17, floating) << "every unclaimed port floats; 17 are claimed";
}

}  // namespace
}  // namespace sim
