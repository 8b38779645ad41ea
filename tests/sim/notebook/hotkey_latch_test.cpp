// The hot-key latch: presses accumulate until a write acknowledges them.
#include "sim/notebook/hotkey_latch.h"

#include <gtest/gtest.h>

#include <vector>

#include "hex.h"

namespace sim {
namespace {

using sim_test::H8;

TEST(HotKeyLatch, PressesAccumulateUntilAnyWriteClearsThem) {
  HotKeyLatch latch(0x040E);
  latch.Press(0x01);
  latch.Press(0x08);
  latch.Press(0x01);
  EXPECT_EQ(H8(0x09), H8(latch.ReadByte(0x040E)));
  EXPECT_EQ(H8(0x09), H8(latch.ReadByte(0x040E))) << "a read must not clear the latch";
  latch.WriteByte(0x040E, 0x01);  // acknowledging one bit clears them all
  EXPECT_EQ(H8(0x00), H8(latch.Value()));
  latch.Press(0x20);
  EXPECT_EQ(H8(0xFF), H8(latch.ReadByte(0x040F))) << "another port";
  latch.WriteByte(0x040F, 0x00);
  EXPECT_EQ(H8(0x20), H8(latch.Value())) << "a write to another port is no acknowledgement";
  latch.WriteByte(0x040E, 0xFF);
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0xFF}), latch.Acknowledgements());
}

}  // namespace
}  // namespace sim
