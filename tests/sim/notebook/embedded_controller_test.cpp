// The embedded controller handshake: ready, busy and stuck modes, lost bytes, transactions.
#include "sim/notebook/embedded_controller.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "hex.h"

namespace sim {
namespace {

using sim_test::H8;

constexpr uint16_t kData = EmbeddedController::kDataPort;
constexpr uint16_t kCmd = EmbeddedController::kCommandPort;
constexpr uint8_t kIbf = EmbeddedController::kStatusIbf;
constexpr uint8_t kObf = EmbeddedController::kStatusObf;

// "C80/D1" for command 0x80 with data 0x01; "C80/-" and "-/D1" for halves.
std::string Describe(const EmbeddedController& ec) {
  std::ostringstream out;
  out << std::hex << std::uppercase;
  for (const EcTransaction& t : ec.Transactions()) {
    out << (t.hasCommand ? "C" : "-");
    if (t.hasCommand) out << +t.command;
    out << (t.hasData ? "/D" : "/-");
    if (t.hasData) out << +t.data;
    out << ' ';
  }
  return out.str();
}

// IBF as each of `reads` status reads sees it, e.g. "1100".
std::string IbfPattern(EmbeddedController& ec, int reads) {
  std::string pattern;
  for (int i = 0; i < reads; ++i) pattern += (ec.ReadByte(kCmd) & kIbf) ? '1' : '0';
  return pattern;
}

TEST(EmbeddedController, NegativeBusyCountActsAsReady) {
  EmbeddedController ec;
  ec.SetBusy(-5);
  ec.WriteByte(kCmd, 0x80);
  EXPECT_EQ("0", IbfPattern(ec, 1));
}

TEST(EmbeddedController, BusyHoldsIbfForNStatusReadsAndLosesBytesMeanwhile) {
  EmbeddedController ec;
  ec.SetBusy(3);
  EXPECT_EQ("00", IbfPattern(ec, 2)) << "idle busy-mode controller";
  ec.WriteByte(kCmd, 0x80);
  EXPECT_EQ("1", IbfPattern(ec, 1));
  ec.WriteByte(kData, 0x01);  // too early
  EXPECT_EQ("110", IbfPattern(ec, 3)) << "the lost byte must not restart the busy time";
  EXPECT_EQ(1u, ec.LostBytes());
  ec.WriteByte(kData, 0x02);
  for (int i = 0; i < 5; ++i) ec.ReadByte(kData);
  EXPECT_EQ("1110", IbfPattern(ec, 4)) << "busy time counts status reads, not data reads";
  EXPECT_EQ("C80/D2 ", Describe(ec));
  EXPECT_EQ(10u, ec.StatusReads());
}

TEST(EmbeddedController, EachByteKindHasItsOwnBusyTime) {
  EmbeddedController ec;
  ec.SetBusy(3, 1);
  ec.WriteByte(kCmd, 0x80);
  EXPECT_EQ("1110", IbfPattern(ec, 4)) << "after the command byte";
  ec.WriteByte(kData, 0x01);
  EXPECT_EQ("10", IbfPattern(ec, 2)) << "after the data byte";
  ec.SetBusy(0, 2);
  ec.WriteByte(kCmd, 0x81);
  ec.WriteByte(kData, 0x02);  // the command took no time: the data byte finds room
  EXPECT_EQ("110", IbfPattern(ec, 3));
  EXPECT_EQ(0u, ec.LostBytes());
  EXPECT_EQ("C80/D1 C81/D2 ", Describe(ec));
}

TEST(EmbeddedController, StuckAcceptsNothingUntilMadeReady) {
  EmbeddedController ec;
  ec.SetStuck();
  ec.WriteByte(kCmd, 0x80);
  ec.WriteByte(kData, 0x01);
  EXPECT_EQ("111", IbfPattern(ec, 3));
  EXPECT_EQ(2u, ec.LostBytes());
  EXPECT_EQ("", Describe(ec));
  ec.SetReady();
  EXPECT_EQ("0", IbfPattern(ec, 1)) << "SetReady clears IBF at once";
}

TEST(EmbeddedController, PairsDataWithTheCommandBeforeIt) {
  EmbeddedController ec;
  ec.WriteByte(kData, 0x11);  // no command yet
  ec.WriteByte(kCmd, 0x80);
  ec.WriteByte(kCmd, 0x81);  // second command before data: the first stays alone
  ec.WriteByte(kData, 0x22);
  ec.WriteByte(kData, 0x33);  // the last transaction already has data
  EXPECT_EQ("-/D11 C80/- C81/D22 -/D33 ", Describe(ec));
  ec.ClearTransactions();
  EXPECT_EQ("", Describe(ec));
}

TEST(EmbeddedController, OutputBufferAndStatusFlags) {
  EmbeddedController ec;
  EXPECT_EQ(H8(0x00), H8(ec.ReadByte(kData))) << "power-on data";
  ec.QueueOutput(0x5A);
  EXPECT_EQ(H8(kObf), H8(ec.ReadByte(kCmd)));
  EXPECT_EQ(H8(0x5A), H8(ec.ReadByte(kData)));
  EXPECT_EQ(H8(0x00), H8(ec.ReadByte(kCmd))) << "reading data clears OBF";
  EXPECT_EQ(H8(0x5A), H8(ec.ReadByte(kData))) << "OBF clear: the last byte again";

  // Bytes queued behind the buffer move in as each one is read: OBF shows again at once.
  for (uint8_t value = 1; value <= EmbeddedController::kMaxPendingOutput + 3; ++value)
    ec.QueueOutput(value);
  std::vector<uint32_t> read;
  for (int i = 0; i < 40 && (ec.ReadByte(kCmd) & kObf); ++i) read.push_back(ec.ReadByte(kData));
  ASSERT_EQ(1 + EmbeddedController::kMaxPendingOutput, read.size())
      << "the buffer and 16 pending; the rest dropped";
  for (uint32_t i = 0; i < read.size(); ++i) EXPECT_EQ(H8(i + 1), H8(read[i])) << "in queue order";

  ec.SetStuck();
  ec.QueueOutput(0x77);
  ec.ReadByte(kData);
  EXPECT_EQ(H8(kIbf), H8(ec.ReadByte(kCmd))) << "reading data must not touch IBF";

  ec.SetReady();
  ec.WriteByte(kCmd, 0x80);
  EXPECT_EQ(H8(EmbeddedController::kStatusCmd), H8(ec.ReadByte(kCmd))) << "after a command";
  ec.WriteByte(kData, 0x01);
  EXPECT_EQ(H8(0x00), H8(ec.ReadByte(kCmd))) << "after data";
}

}  // namespace
}  // namespace sim
