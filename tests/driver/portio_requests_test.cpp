// What each request of the protocol does to the ports, and what it returns.
#include <gtest/gtest.h>

#include "tests/driver/portio_fixture.h"

namespace portio_test {
namespace {

using sim::PortAccess;
using sim::PortDirection;
using sim::PortWidth;

PortAccess In8(uint16_t port, uint32_t v) { return {PortDirection::In, PortWidth::Byte, port, v}; }
PortAccess Out8(uint16_t port, uint32_t v) { return {PortDirection::Out, PortWidth::Byte, port, v}; }
PortAccess In32(uint16_t port, uint32_t v) { return {PortDirection::In, PortWidth::Dword, port, v}; }
PortAccess Out32(uint16_t port, uint32_t v) { return {PortDirection::Out, PortWidth::Dword, port, v}; }

std::string Describe(const std::vector<sim::HalPortAccess>& log) {
  std::string text;
  char line[64];
  for (auto& entry : log) {
    std::snprintf(line, sizeof line, "%s%d 0x%04X 0x%X; ",
                  entry.access.direction == PortDirection::In ? "in" : "out",
                  int(entry.access.width) * 8, entry.access.port, entry.access.value);
    text += line;
  }
  return text;
}

std::string Describe(const std::vector<PortAccess>& expected) {
  std::vector<sim::HalPortAccess> log;
  for (auto& access : expected) log.push_back({access, 0, 0});
  return Describe(log);
}

struct RequestCase {
  uint32_t code;
  std::vector<uint8_t> input;
  uint32_t outputLength;
  std::vector<PortAccess> ports;  // what the HAL must see, in order
  std::vector<uint8_t> output;    // what the caller must get back
};

class PortioRequestTable : public PortioTest {
 protected:
  void SetUp() override {
    PortioTest::SetUp();
    notebook.Cmos().SetByte(0x0E, 0x42);
    notebook.Cmos().SetByte(0x33, 0x99);
    notebook.Keyboard().QueueScanCode(0x1E);
    notebook.HotKeys().Press(0x09);
  }
};

TEST_F(PortioRequestTable, EachAssignedCodeDoesItsPortOperations) {
  const uint8_t kbdStatus = notebook.Bus().InByte(0x64);  // read before the data clears OBF
  const uint8_t ecStatus = notebook.Bus().InByte(0x66);
  kernel.ClearPortLog();
  const uint32_t hostBridge = 0x71908086;
  const RequestCase cases[] = {
      {portio::kIndexedRead, {0x0E, 0x04}, 4, {In8(0x040E, 0x09)}, {0x09, 0x04, 0, 0}},
      {portio::kWriteBack, {0x20}, 0, {Out8(0x040E, 0x20)}, {}},
      {portio::kPciConfigRead, Word(0x80000000), 4,
       {Out32(0xCF8, 0x80000000), In32(0xCFC, hostBridge)}, Word(hostBridge)},
      {portio::kPciDataRead, {}, 4, {In32(0xCFC, hostBridge)}, Word(hostBridge)},
      {portio::kKeyboardStatusRead, {}, 4, {In8(0x64, kbdStatus)}, {kbdStatus, 0, 0, 0}},
      {portio::kKeyboardDataRead, {}, 4, {In8(0x60, 0x1E)}, {0x1E, 0, 0, 0}},
      {portio::kEcDataRead, {}, 1, {In8(0x62, 0x00)}, {0x00}},
      {portio::kEcStatusRead, {}, 1, {In8(0x66, ecStatus)}, {ecStatus}},
      {portio::kPciAddressWrite, Word(0x80003800), 0, {Out32(0xCF8, 0x80003800)}, {}},
      {portio::kPciDataWrite, Word(0x12345678), 0, {Out32(0xCFC, 0x12345678)}, {}},
      {portio::kKeyboardCommandWrite, Word(0xAA), 0, {Out8(0x64, 0xAA)}, {}},
      {portio::kKeyboardDataWrite, Word(0x1F5), 0, {Out8(0x60, 0xF5)}, {}},
      {portio::kEcCommandWrite, Word(0xCF), 0, {Out8(0x66, 0xCF)}, {}},
      {portio::kEcDataWrite, Word(0x81), 0, {Out8(0x62, 0x81)}, {}},
      {portio::kCmosRead, Word(0x0E), 4, {Out8(0x70, 0x0E), In8(0x71, 0x42)}, {0x42, 0, 0, 0}},
      {portio::kCmosIndexWrite, {0x33}, 0, {Out8(0x70, 0x33)}, {}},
      {portio::kCmosDataRead, {}, 4, {In8(0x71, 0x99)}, {0x99, 0, 0, 0}},
      {portio::kCmosDataWrite, {0x5A}, 0, {Out8(0x71, 0x5A)}, {}},
  };
  for (const RequestCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << c.code);
    kernel.ClearPortLog();
    Reply reply = Send(c.code, c.input, c.outputLength);
    EXPECT_EQ(STATUS_SUCCESS, reply.status);
    EXPECT_EQ(c.output, reply.output);
    EXPECT_EQ(Describe(c.ports), Describe(kernel.PortLog()));
  }
  EXPECT_EQ(0x5A, notebook.Cmos().Byte(0x33));
}

TEST_F(PortioTest, EveryPortAccessHappensUnderTheLockAtDispatchLevel) {
  Send(portio::kPciConfigRead, Word(0x80000000), 4);
  Send(portio::kCmosRead, Word(0x0E), 4);
  Send(portio::kIndexedRead, {0x0E, 0x04}, 1);
  Send(portio::kWriteBack, {0x00}, 0);
  ASSERT_EQ(6u, kernel.PortLog().size());
  for (const sim::HalPortAccess& entry : kernel.PortLog()) {
    EXPECT_EQ(1u, entry.locksHeld) << "port 0x" << std::hex << entry.access.port;
    EXPECT_EQ(sim::Processor::kDispatchLevel, entry.irql);
  }
  EXPECT_EQ(0u, kernel.Cpu().LocksHeld());
  EXPECT_EQ(sim::Processor::kPassiveLevel, kernel.Cpu().Irql());
}

TEST_F(PortioTest, TwoStepOperationsAreNotSplitBetweenLockHolds) {
  // Both steps of one request fall between one acquisition and its release.
  uint64_t before = kernel.Cpu().Acquisitions();
  Send(portio::kCmosRead, Word(0x8E), 1);  // NMI bit set: still index 0x0E
  EXPECT_EQ(before + 1, kernel.Cpu().Acquisitions());
  EXPECT_EQ(0x0E, notebook.Cmos().Index());
  EXPECT_TRUE(notebook.Cmos().NmiDisabled());
}

TEST_F(PortioTest, WriteBackGoesToTheMostRecentlyReadPort) {
  notebook.HotKeys().Press(0x21);
  notebook.MediaButtons().Press(0x04);
  Reply key = Send(portio::kIndexedRead, {0x0E, 0x04}, 1);
  EXPECT_EQ(std::vector<uint8_t>{0x21}, key.output);
  Reply media = Send(portio::kIndexedRead, {0x12, 0x0C}, 1);
  EXPECT_EQ(std::vector<uint8_t>{0x04}, media.output);
  EXPECT_EQ(STATUS_SUCCESS, Send(portio::kWriteBack, {0x20}, 0).status);
  EXPECT_EQ(std::vector<uint8_t>{0x20}, notebook.MediaButtons().Acknowledgements());
  EXPECT_TRUE(notebook.HotKeys().Acknowledgements().empty());
  EXPECT_EQ(0x21, notebook.HotKeys().Value()) << "the hot-key latch must stay latched";
}

TEST_F(PortioTest, RememberedPortOutlivesTheHandle) {
  Send(portio::kIndexedRead, {0x0E, 0x04}, 1);
  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().Close(handle));
  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().Open(portio::kDevicePath, &handle));
  EXPECT_EQ(STATUS_SUCCESS, Send(portio::kWriteBack, {0x00}, 0).status);
  EXPECT_EQ(std::vector<uint8_t>{0x00}, notebook.HotKeys().Acknowledgements());
}

TEST_F(PortioTest, WriteBackBeforeAnyIndexedReadTouchesNoPort) {
  Reply reply = Send(portio::kWriteBack, {0x20}, 0);
  EXPECT_EQ(STATUS_INVALID_DEVICE_STATE, reply.status);
  EXPECT_TRUE(kernel.PortLog().empty()) << "port 0 is the DMA controller, never ours to write";
}

TEST_F(PortioTest, IndexedReadUsesOnlyTheLow16BitsOfTheValue) {
  notebook.HotKeys().Press(0x02);
  Reply reply = Send(portio::kIndexedRead, Word(0xABCD040E), 4);
  EXPECT_EQ((std::vector<uint8_t>{0x02, 0x04, 0xCD, 0xAB}), reply.output)
      << "byte 0 is the port's byte; bytes 1 to 3 stay as the caller sent them";
  ASSERT_EQ(1u, kernel.PortLog().size());
  EXPECT_EQ(0x040E, kernel.PortLog()[0].access.port);
}

TEST_F(PortioTest, ByteReadReportsNoMoreThanTheOutputBuffer) {
  notebook.HotKeys().Press(0x01);
  Reply reply = Send(portio::kIndexedRead, {0x0E, 0x04}, 1);  // as the program sends it
  EXPECT_EQ(STATUS_SUCCESS, reply.status);
  EXPECT_EQ(std::vector<uint8_t>{0x01}, reply.output);
  // Bytes past the input are zero, never what the system buffer held before.
  reply = Send(portio::kIndexedRead, {0x0E, 0x04}, 8);
  EXPECT_EQ((std::vector<uint8_t>{0x01, 0x04, 0x00, 0x00}), reply.output);
}

TEST_F(PortioTest, RejectedCodesTakeTheLockButTouchNoPort) {
  for (uint32_t code : {0x222038u, 0x222019u, 0x22201Au, 0x222014u, 0x222064u, 0x22205Fu,
                        0x00222018u | 0x10000000u, 0x22201Bu}) {
    SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << code);
    uint64_t before = kernel.Cpu().Acquisitions();
    Reply reply = Send(code, Word(0x040E), 4);
    EXPECT_EQ(STATUS_INVALID_DEVICE_REQUEST, reply.status);
    EXPECT_TRUE(reply.output.empty());
    if ((code & 3) == 0) {
      EXPECT_EQ(before + 1, kernel.Cpu().Acquisitions());
    }
  }
  EXPECT_TRUE(kernel.PortLog().empty());
}

TEST_F(PortioTest, TheProgramsShortBuffersAreServed) {
  notebook.HotKeys().Press(0x08);
  EXPECT_EQ(std::vector<uint8_t>{0x08}, Send(portio::kIndexedRead, {0x0E, 0x04}, 1).output);
  EXPECT_EQ(STATUS_SUCCESS, Send(portio::kWriteBack, {0x08 & 0x20}, 0).status);
  EXPECT_EQ(std::vector<uint8_t>{0x00}, notebook.HotKeys().Acknowledgements());
  EXPECT_EQ(std::vector<uint8_t>{0x00}, Send(portio::kEcStatusRead, {}, 1).output);
  EXPECT_EQ(STATUS_SUCCESS, Send(portio::kEcCommandWrite, Word(0xCF), 0).status);
  EXPECT_EQ(STATUS_SUCCESS, Send(portio::kEcDataWrite, Word(0x81), 0).status);
  ASSERT_EQ(1u, notebook.Ec().Transactions().size());
  EXPECT_EQ((sim::EcTransaction{true, 0xCF, true, 0x81}), notebook.Ec().Transactions()[0]);
}

TEST_F(PortioTest, DeviceIsExclusive) {
  sim::KernelHandle second = 0;
  EXPECT_EQ(STATUS_ACCESS_DENIED, kernel.Io().Open("\\\\.\\DRV1", &second));
  EXPECT_EQ(0u, second);
  ASSERT_EQ(STATUS_SUCCESS, kernel.Io().Close(handle));
  handle = 0;
  EXPECT_EQ(STATUS_SUCCESS, kernel.Io().Open("\\\\.\\drv1", &handle)) << "names ignore case";
}

TEST_F(PortioTest, RequestsAllocateNoPool) {
  uint64_t before = kernel.Pool().Allocations();
  for (int i = 0; i < 1000; ++i) {
    Send(portio::kIndexedRead, {0x0E, 0x04}, 1);
    Send(portio::kWriteBack, {0x00}, 0);
    Send(portio::kEcStatusRead, {}, 1);
    Send(0x222038, {}, 0);
  }
  EXPECT_EQ(before, kernel.Pool().Allocations());
}

}  // namespace
}  // namespace portio_test
