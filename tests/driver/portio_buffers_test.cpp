// Every code around the protocol's range with every small buffer: the driver reads no input
// it was not given, reports no more than the output buffer, and a malformed request fails
// without touching a port. Run under the sanitizers, this is also the overrun test.
#include <gtest/gtest.h>

#include "tests/driver/portio_fixture.h"

namespace portio_test {
namespace {

struct Needs {
  bool assigned;
  uint32_t input;   // bytes of request value
  uint32_t output;  // bytes of result
  bool dword;       // 32-bit result
};

// The buffer rules of the protocol header, as a client reads them.
Needs NeedsOf(uint32_t code) {
  switch (code) {
    case portio::kIndexedRead: return {true, 2, 1, false};
    case portio::kWriteBack: return {true, 1, 0, false};
    case portio::kPciConfigRead: return {true, 4, 4, true};
    case portio::kPciDataRead: return {true, 0, 4, true};
    case portio::kKeyboardDataRead:
    case portio::kEcDataRead:
    case portio::kKeyboardStatusRead:
    case portio::kEcStatusRead:
    case portio::kCmosDataRead: return {true, 0, 1, false};
    case portio::kPciAddressWrite:
    case portio::kPciDataWrite: return {true, 4, 0, false};
    case portio::kKeyboardCommandWrite:
    case portio::kKeyboardDataWrite:
    case portio::kEcCommandWrite:
    case portio::kEcDataWrite:
    case portio::kCmosIndexWrite:
    case portio::kCmosDataWrite: return {true, 1, 0, false};
    case portio::kCmosRead: return {true, 1, 1, false};
    default: return {false, 0, 0, false};
  }
}

TEST_F(PortioTest, EveryCodeWithEveryShortBuffer) {
  // The hot-key port is remembered first so that write-backs have somewhere to go.
  Send(portio::kIndexedRead, {0x0E, 0x04}, 1);
  const std::vector<uint8_t> pattern = {0x0E, 0x04, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44};
  int served = 0;
  for (uint32_t code = 0x222010; code <= 0x222068; ++code) {
    const Needs needs = NeedsOf(code);
    for (uint32_t in = 0; in <= 8; ++in) {
      for (uint32_t out = 0; out <= 8; ++out) {
        SCOPED_TRACE(testing::Message() << "code 0x" << std::hex << code << std::dec << " in "
                                        << in << " out " << out);
        kernel.ClearPortLog();
        std::vector<uint8_t> input(pattern.begin(), pattern.begin() + in);
        Reply reply = Send(code, input, out);
        NTSTATUS expected = !needs.assigned       ? STATUS_INVALID_DEVICE_REQUEST
                            : in < needs.input    ? STATUS_INVALID_PARAMETER
                            : out < needs.output  ? STATUS_BUFFER_TOO_SMALL
                                                  : STATUS_SUCCESS;
        ASSERT_EQ(expected, reply.status);
        if (expected != STATUS_SUCCESS) {
          EXPECT_TRUE(kernel.PortLog().empty());
          EXPECT_TRUE(reply.output.empty());
          continue;
        }
        ++served;
        EXPECT_FALSE(kernel.PortLog().empty());
        if (needs.output == 0) {
          EXPECT_TRUE(reply.output.empty());
        } else if (needs.dword) {
          EXPECT_EQ(4u, reply.output.size());
        } else {
          ASSERT_EQ(std::min(out, 4u), reply.output.size());
          for (uint32_t i = 1; i < reply.output.size(); ++i)
            EXPECT_EQ(i < in ? pattern[i] : 0, reply.output[i]) << "byte " << i;
        }
      }
    }
  }
  EXPECT_GT(served, 18 * 16) << "every assigned code must be served with a large enough buffer";
}

TEST_F(PortioTest, RequestWithoutAnyBufferIsRefused) {
  for (uint32_t code = portio::kFirstCode; code <= portio::kLastCode; code += 4) {
    Reply reply = Send(code, {}, 0);
    EXPECT_NE(STATUS_SUCCESS, reply.status) << std::hex << code;
  }
  EXPECT_TRUE(kernel.PortLog().empty());
}

}  // namespace
}  // namespace portio_test
