// Which ports a client can reach through the indexed read and its write-back: every value
// the request can carry, swept through both requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/driver/portio_fixture.h"

namespace portio_test {
namespace {

// What Tavos reads and acknowledges, and the ports the fixed requests already serve. Written
// out here rather than taken from the protocol header, so that a port added there fails.
const std::set<uint16_t> kReachable = {0x040E, 0x040F, 0x0C12, 0x0060, 0x0062, 0x0064,
                                       0x0066, 0x0070, 0x0071, 0x0CF8, 0x0CFC};

TEST_F(PortioTest, IndexedReadAndWriteBackReachOnlyTheListedPortsWhateverTheValue) {
  kernel.Io().SetRecording(false);
  uint16_t remembered = 0x0C12;
  ASSERT_EQ(STATUS_SUCCESS, Send(portio::kIndexedRead, Word(remembered), 1).status);
  std::set<uint16_t> reached;
  int refused = 0;
  // The upper half of the value never selects another port.
  for (uint32_t high : {0x0000u, 0x0001u, 0xFFFFu}) {
    for (uint32_t port = 0; port <= 0xFFFF; ++port) {
      const uint32_t value = high << 16 | port;
      const bool listed = kReachable.count(uint16_t(port)) != 0;
      kernel.ClearPortLog();
      Reply read = Send(portio::kIndexedRead, Word(value), 1);
      Reply write = Send(portio::kWriteBack, {0x00}, 0);
      if (listed) remembered = uint16_t(port);

      const std::vector<sim::HalPortAccess>& log = kernel.PortLog();
      for (const sim::HalPortAccess& access : log) reached.insert(access.access.port);
      ASSERT_EQ(listed ? STATUS_SUCCESS : STATUS_ACCESS_DENIED, read.status)
          << "value 0x" << std::hex << value;
      ASSERT_EQ(STATUS_SUCCESS, write.status) << "value 0x" << std::hex << value;
      ASSERT_EQ(listed ? 2u : 1u, log.size()) << "value 0x" << std::hex << value;
      if (listed) {
        EXPECT_EQ(sim::PortDirection::In, log[0].access.direction);
        EXPECT_EQ(port, log[0].access.port);
      } else {
        EXPECT_TRUE(read.output.empty());
        ++refused;
      }
      // A refused port is not remembered: the write-back goes where it went before.
      EXPECT_EQ(sim::PortDirection::Out, log.back().access.direction);
      ASSERT_EQ(remembered, log.back().access.port) << "after value 0x" << std::hex << value;
    }
  }
  EXPECT_EQ(kReachable, reached);
  EXPECT_EQ(3 * (0x10000 - int(kReachable.size())), refused);
}

TEST_F(PortioTest, ARefusedPortBeforeAnyIndexedReadLeavesTheWriteBackWithoutAPort) {
  EXPECT_EQ(STATUS_ACCESS_DENIED, Send(portio::kIndexedRead, {0xF9, 0x0C}, 1).status);
  EXPECT_EQ(STATUS_INVALID_DEVICE_STATE, Send(portio::kWriteBack, {0x06}, 0).status)
      << "0xCF9 resets the machine";
  EXPECT_TRUE(kernel.PortLog().empty());
}

}  // namespace
}  // namespace portio_test
