// The driver's owned counted strings: capacities, terminators, buffer reuse and pool hygiene.
#include "driver/owned_unicode_string.h"

#include <gtest/gtest.h>

#include <string>

#include "driver/portio_protocol.h"
#include "sim/kernel/sim_kernel.h"
#include "sim/notebook/port_bus.h"

namespace {

class OwnedUnicodeStringTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(0u, kernel.Pool().OutstandingBlocks()) << "pool leaked";
    EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All());
  }

  // The text, checked to be terminated right after its last character.
  static std::string Text(const OwnedUnicodeString& s) {
    const UNICODE_STRING& u = s.View();
    std::string text;
    for (int i = 0; i < u.Length / 2; ++i) text.push_back(char(u.Buffer[i]));
    EXPECT_LT(u.Length, u.MaximumLength);
    EXPECT_EQ(0, u.Buffer[u.Length / 2]) << "not terminated: " << text;
    return text;
  }

  sim::PortBus bus;
  sim::SimKernel kernel{bus};
};

TEST_F(OwnedUnicodeStringTest, CapacityIsTheWideSizeButNeverBelow32Bytes) {
  OwnedUnicodeString shortText("\\Device\\DRIVER");
  EXPECT_EQ("\\Device\\DRIVER", Text(shortText));
  EXPECT_EQ(28, shortText.View().Length);
  EXPECT_EQ(32, shortText.View().MaximumLength);

  std::string longText(40, 'x');
  OwnedUnicodeString longer(longText.c_str());
  EXPECT_EQ(longText, Text(longer));
  EXPECT_EQ(82, longer.View().MaximumLength);

  OwnedUnicodeString empty("");
  EXPECT_TRUE(empty.IsValid());
  EXPECT_EQ("", Text(empty));
  EXPECT_EQ(32, empty.View().MaximumLength);
  EXPECT_EQ(3u, kernel.Pool().OutstandingBlocks(portio::kPoolTag));
}

TEST_F(OwnedUnicodeStringTest, NumbersAreDecimal) {
  EXPECT_EQ("0", Text(OwnedUnicodeString(ULONG(0))));
  EXPECT_EQ("1", Text(OwnedUnicodeString(ULONG(1))));
  OwnedUnicodeString largest(ULONG(4294967295u));
  EXPECT_EQ("4294967295", Text(largest));
  EXPECT_EQ(32, largest.View().MaximumLength);
}

TEST_F(OwnedUnicodeStringTest, ConcatenationSizesForBothParts) {
  OwnedUnicodeString joined{OwnedUnicodeString("\\DosDevices\\DRV"), OwnedUnicodeString(ULONG(1))};
  EXPECT_EQ("\\DosDevices\\DRV1", Text(joined));
  EXPECT_EQ(34, joined.View().MaximumLength) << "sum of the lengths + 2";
  OwnedUnicodeString small{OwnedUnicodeString("a"), OwnedUnicodeString("b")};
  EXPECT_EQ(32, small.View().MaximumLength);
}

TEST_F(OwnedUnicodeStringTest, CopyAndAssignOwnTheirBuffers) {
  OwnedUnicodeString original("\\Device\\DRIVER0");
  OwnedUnicodeString copy(original);
  EXPECT_NE(original.View().Buffer, copy.View().Buffer);
  EXPECT_EQ(Text(original), Text(copy));

  // A shorter source reuses the buffer; a longer one gets a new buffer of its capacity.
  PWSTR buffer = copy.View().Buffer;
  copy = OwnedUnicodeString("ab");
  EXPECT_EQ(buffer, copy.View().Buffer);
  EXPECT_EQ("ab", Text(copy));
  OwnedUnicodeString longer(std::string(50, 'y').c_str());
  copy = longer;
  EXPECT_EQ(std::string(50, 'y'), Text(copy));
  EXPECT_EQ(longer.View().MaximumLength, copy.View().MaximumLength);
  OwnedUnicodeString& self = copy;
  copy = self;
  EXPECT_EQ(std::string(50, 'y'), Text(copy));
}

TEST_F(OwnedUnicodeStringTest, AppendKeepsTheBufferWhileItFits) {
  OwnedUnicodeString text("ab");
  PWSTR buffer = text.View().Buffer;
  text += OwnedUnicodeString("cd");
  EXPECT_EQ(buffer, text.View().Buffer);
  EXPECT_EQ("abcd", Text(text));
  text += OwnedUnicodeString(std::string(20, 'z').c_str());
  EXPECT_EQ("abcd" + std::string(20, 'z'), Text(text));
  EXPECT_EQ(2 * 24 + 2, text.View().MaximumLength);
}

TEST_F(OwnedUnicodeStringTest, FailedAllocationsGiveInvalidStringsAndNoLeak) {
  kernel.Pool().FailAllAllocations(true);
  OwnedUnicodeString text("abc");
  OwnedUnicodeString number(ULONG(7));
  EXPECT_FALSE(text.IsValid());
  EXPECT_FALSE(number.IsValid());
  kernel.Pool().FailAllAllocations(false);

  OwnedUnicodeString valid("x");
  OwnedUnicodeString joined(valid, text);
  EXPECT_FALSE(joined.IsValid()) << "a part that is missing makes the whole missing";
  valid += text;
  EXPECT_FALSE(valid.IsValid());
  OwnedUnicodeString copy(text);
  EXPECT_FALSE(copy.IsValid());
}

TEST_F(OwnedUnicodeStringTest, TextTooLongToCountIsRefusedWithoutAllocating) {
  std::string huge(40000, 'q');
  OwnedUnicodeString text(huge.c_str());
  EXPECT_FALSE(text.IsValid());
  EXPECT_EQ(0u, kernel.Pool().Allocations());
}

TEST_F(OwnedUnicodeStringTest, ReleaseFreesAndEmpties) {
  OwnedUnicodeString text("abc");
  text.Release();
  EXPECT_FALSE(text.IsValid());
  EXPECT_EQ(0, text.View().Length);
  EXPECT_EQ(0u, kernel.Pool().OutstandingBlocks());
  text.Release();  // twice is harmless
}

}  // namespace
