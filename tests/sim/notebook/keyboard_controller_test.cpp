// The 8042: self-test, command byte, and the path scan codes take to the host.
#include "sim/notebook/keyboard_controller.h"

#include <gtest/gtest.h>

#include <vector>

#include "hex.h"

namespace sim {
namespace {

using sim_test::H8;
using Bytes = std::vector<uint8_t>;

constexpr uint16_t kData = KeyboardController::kDataPort;
constexpr uint16_t kCmd = KeyboardController::kCommandPort;

// Reads the output buffer until OBF clears, at most 40 bytes.
Bytes Drain(KeyboardController& kbc) {
  Bytes bytes;
  for (int i = 0; i < 40 && (kbc.ReadByte(kCmd) & KeyboardController::kStatusObf); ++i) {
    bytes.push_back(kbc.ReadByte(kData));
  }
  return bytes;
}

TEST(KeyboardController, SelfTestAndCommandByteRoundTrip) {
  KeyboardController kbc;
  EXPECT_EQ(H8(0x04), H8(kbc.ReadByte(kCmd))) << "power-on: system flag only";
  kbc.WriteByte(kCmd, 0xAA);
  EXPECT_EQ(H8(0x0D), H8(kbc.ReadByte(kCmd))) << "OBF, system flag, last write was command";
  EXPECT_EQ(H8(0x55), H8(kbc.ReadByte(kData)));
  EXPECT_EQ(H8(0x0C), H8(kbc.ReadByte(kCmd))) << "reading data clears OBF";
  kbc.WriteByte(kCmd, 0x20);
  EXPECT_EQ(H8(KeyboardController::kPowerOnCommandByte), H8(kbc.ReadByte(kData)));
  kbc.WriteByte(kCmd, 0x60);
  kbc.WriteByte(kData, 0x61);
  EXPECT_EQ(H8(0x00), H8(kbc.ReadByte(kCmd))) << "last write was data; system flag now clear";
  kbc.WriteByte(kCmd, 0x20);
  EXPECT_EQ(Bytes{0x61}, Drain(kbc));
  EXPECT_TRUE(kbc.SentToKeyboard().empty()) << "a command parameter is not keyboard data";
}

TEST(KeyboardController, ScanCodesWaitWhileDisabledAndBehindReplies) {
  KeyboardController kbc;
  kbc.WriteByte(kCmd, 0xAD);
  EXPECT_EQ(H8(0x10), H8(kbc.CommandByte() & 0x10));
  kbc.QueueScanCode(0x1E);
  kbc.QueueScanCode(0x9E);
  EXPECT_EQ(Bytes{}, Drain(kbc)) << "nothing reaches the host while disabled";
  kbc.WriteByte(kCmd, 0xAE);
  kbc.WriteByte(kCmd, 0xAA);  // while 0x1E waits unread in the output buffer
  EXPECT_EQ((Bytes{0x55, 0x1E, 0x9E}), Drain(kbc)) << "the reply first, no scan code lost";
}

TEST(KeyboardController, DataToKeyboardIsAcknowledgedAndInjectionWorks) {
  KeyboardController kbc;
  kbc.WriteByte(kData, 0xED);
  kbc.WriteByte(kCmd, 0xD2);
  kbc.WriteByte(kData, 0x3B);
  EXPECT_EQ((Bytes{0x3B, 0xFA}), Drain(kbc));
  EXPECT_EQ(Bytes{0xED}, kbc.SentToKeyboard());
}

TEST(KeyboardController, KeyboardBufferIsBounded) {
  KeyboardController kbc;
  for (int i = 0; i < 100; ++i) kbc.QueueScanCode(static_cast<uint8_t>(i));
  const Bytes got = Drain(kbc);
  ASSERT_EQ(KeyboardController::kKeyboardBufferSize + 1, got.size()) << "buffer plus output";
  EXPECT_EQ(100 - got.size(), kbc.DroppedScanCodes());
  EXPECT_EQ(H8(16), H8(got.back())) << "oldest kept, newest dropped";
}

}  // namespace
}  // namespace sim
