// PCI configuration mechanism #1: enable bit, missing functions, read-only IDs, byte lanes.
#include "sim/notebook/pci_config.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "hex.h"

namespace sim {
namespace {

using sim_test::H32;
using sim_test::H8;

constexpr uint16_t kData = PciConfig::kDataPort;

uint32_t Address(uint8_t bus, uint8_t dev, uint8_t fn, uint8_t offset) {
  return PciConfig::kEnable | bus << 16 | dev << 11 | fn << 8 | offset;
}

class PciConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { pci_.AddFunction(0, 7, 1, 0x8086, 0x7111, 0x010180); }
  uint32_t In(uint32_t address) {
    pci_.WriteDword(PciConfig::kAddressPort, address);
    return pci_.ReadDword(kData);
  }
  void Out(uint32_t address, uint32_t value) {
    pci_.WriteDword(PciConfig::kAddressPort, address);
    pci_.WriteDword(kData, value);
  }
  PciConfig pci_;
};

TEST_F(PciConfigTest, DisabledOrMissingReadsAllOnesAndDropsWrites) {
  EXPECT_EQ(H32(0x71118086), H32(In(Address(0, 7, 1, 0x03)))) << "low address bits ignored";
  const uint32_t disabled = Address(0, 7, 1, 0x40) & ~PciConfig::kEnable;
  Out(disabled, 0x12345678);
  EXPECT_EQ(H32(0xFFFFFFFF), H32(In(disabled))) << "enable bit clear";
  EXPECT_EQ(H32(0x00000000), H32(pci_.ReadConfig(0, 7, 1, 0x40))) << "write with enable clear";
  EXPECT_EQ(H32(0xFFFFFFFF), H32(In(Address(0, 7, 0, 0x00)))) << "function 0 absent";
  EXPECT_EQ(H32(0xFFFFFFFF), H32(In(Address(1, 7, 1, 0x00)))) << "same slot, other bus";
  Out(Address(0, 7, 2, 0x40), 1);
  EXPECT_FALSE(pci_.HasFunction(0, 7, 2));
}

TEST_F(PciConfigTest, IdsAreReadOnlyAndByteLanesSelectBytes) {
  Out(Address(0, 7, 1, 0x00), 0xDEADBEEF);
  pci_.WriteByte(kData + 1, 0x00);
  EXPECT_EQ(H32(0x71118086), H32(In(Address(0, 7, 1, 0x00))));
  EXPECT_EQ(H8(0x11), H8(pci_.ReadByte(kData + 2)));
  Out(Address(0, 7, 1, 0xFC), 0x01020304);
  EXPECT_EQ(H32(0x01020304), H32(pci_.ReadConfig(0, 7, 1, 0xFF))) << "last dword of the space";
  pci_.WriteDword(PciConfig::kAddressPort, Address(0, 7, 1, 0x40));
  pci_.WriteByte(kData + 3, 0xAB);
  pci_.WriteByte(kData + 1, 0xCD);
  EXPECT_EQ(H32(0xAB00CD00), H32(pci_.ReadConfig(0, 7, 1, 0x40)));
}

TEST_F(PciConfigTest, AddressPortIsDwordOnly) {
  pci_.WriteDword(PciConfig::kAddressPort, 0x7FFFFFFF);
  EXPECT_EQ(H32(0x7FFFFFFF), H32(pci_.ReadDword(PciConfig::kAddressPort))) << "as written";
  pci_.WriteByte(PciConfig::kAddressPort + 3, 0x80);
  EXPECT_EQ(H32(0x7FFFFFFF), H32(pci_.Address())) << "a byte write is not the mechanism";
  EXPECT_EQ(H8(0xFF), H8(pci_.ReadByte(PciConfig::kAddressPort)));
}

TEST_F(PciConfigTest, AddFunctionRejectsBadSlotsAndMarksMultiFunction) {
  EXPECT_THROW(pci_.AddFunction(0, 32, 0, 1, 1, 0), std::logic_error);
  EXPECT_THROW(pci_.AddFunction(0, 0, 8, 1, 1, 0), std::logic_error);
  EXPECT_THROW(pci_.AddFunction(0, 7, 1, 1, 1, 0), std::logic_error) << "already present";
  pci_.AddFunction(0, 7, 0, 0x8086, 0x7110, 0x060100);
  EXPECT_EQ(H32(0x00800000), H32(pci_.ReadConfig(0, 7, 0, 0x0C))) << "header type of 00:07.0";
  EXPECT_EQ(H32(0x06010000), H32(pci_.ReadConfig(0, 7, 0, 0x08))) << "class code";
  pci_.AddFunction(0, 3, 0, 0x8086, 0x7112, 0x0C0300);
  EXPECT_EQ(H32(0x00000000), H32(pci_.ReadConfig(0, 3, 0, 0x0C))) << "single-function device";
}

}  // namespace
}  // namespace sim
