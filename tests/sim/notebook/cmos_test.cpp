// CMOS RAM through its index and data ports.
#include "sim/notebook/cmos.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "hex.h"

namespace sim {
namespace {

using sim_test::H8;

TEST(Cmos, NmiBitIsNotPartOfTheIndex) {
  Cmos cmos;
  cmos.SetByte(0x40, 0xA5);
  cmos.WriteByte(Cmos::kIndexPort, 0xC0);
  EXPECT_EQ(H8(0xA5), H8(cmos.ReadByte(Cmos::kDataPort))) << "0xC0 selects 0x40, NMI disabled";
  EXPECT_TRUE(cmos.NmiDisabled());
  cmos.WriteByte(Cmos::kIndexPort, 0x40);
  EXPECT_FALSE(cmos.NmiDisabled());
  cmos.WriteByte(Cmos::kDataPort, 0x3C);
  EXPECT_EQ(H8(0x3C), H8(cmos.Byte(0x40)));
  EXPECT_EQ(H8(0xFF), H8(cmos.ReadByte(Cmos::kIndexPort))) << "the index port is write-only";
}

TEST(Cmos, ClockStatusRegistersAreSaneAndCDReadOnly) {
  Cmos cmos;
  EXPECT_EQ(H8(0x00), H8(cmos.Byte(0x0A) & 0x80)) << "no update in progress";
  EXPECT_EQ(H8(0x02), H8(cmos.Byte(0x0B) & 0x06)) << "24-hour, BCD";
  EXPECT_EQ(H8(0x80), H8(cmos.Byte(0x0D))) << "valid RAM and time";
  for (uint8_t index : {0x0C, 0x0D}) {
    const uint8_t before = cmos.Byte(index);
    cmos.WriteByte(Cmos::kIndexPort, index);
    cmos.WriteByte(Cmos::kDataPort, 0x5A);
    EXPECT_EQ(H8(before), H8(cmos.Byte(index))) << "register " << +index;
  }
  EXPECT_THROW(cmos.Byte(0x80), std::out_of_range);
  EXPECT_THROW(cmos.SetByte(0xFF, 0), std::out_of_range);
}

}  // namespace
}  // namespace sim
