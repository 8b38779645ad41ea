// The run-time library's counted strings as Windows behaves: lengths in bytes, terminators only
// where there is room, buffers untouched on failure. Destinations start as '-' so that every
// character a call writes, or must not write, shows in the expected text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/sim/kernel/kernel_fixture.h"

namespace kernel_test {
namespace {

// `count` characters of '-' starting with `text`, as a counted string of `maximumLength` bytes.
class Wide {
 public:
  Wide(size_t count, USHORT maximumLength, const char* text = "") : chars_(count, '-') {
    size_t length = 0;
    for (; text[length] != 0; ++length) chars_.at(length) = WCHAR(UCHAR(text[length]));
    string = UNICODE_STRING{USHORT(length * sizeof(WCHAR)), maximumLength, chars_.data()};
  }
  Wide(const Wide&) = delete;
  Wide& operator=(const Wide&) = delete;
  std::string Shown() const { return Show(chars_.data(), chars_.size()); }
  UNICODE_STRING string;

 private:
  std::vector<WCHAR> chars_;
};

using RtlTest = KernelTest;

TEST_F(RtlTest, InitAnsiStringCountsTheTextWithoutItsTerminator) {
  static const char text[] = "Some Wild String";
  static const char empty[] = "";
  char junk[4];
  for (const char* source : {text, empty, static_cast<const char*>(nullptr)}) {
    ANSI_STRING s{12345, 12345, junk};
    RtlInitAnsiString(&s, source);
    const USHORT length = source ? USHORT(strlen(source)) : 0;
    EXPECT_EQ(length, s.Length) << (source ? source : "NULL");
    EXPECT_EQ(source ? length + 1 : 0, s.MaximumLength) << (source ? source : "NULL");
    EXPECT_EQ(static_cast<const void*>(source), s.Buffer);
  }
}

TEST_F(RtlTest, AnsiToUnicodeNeedsRoomForTheTerminator) {
  static char text[] = "abc\xE9";
  struct Case {
    USHORT sourceLength;
    USHORT maximumLength;
    NTSTATUS status;
    const char* result;  // the 5-character destination afterwards
  };
  for (const Case& c : {Case{3, 8, STATUS_SUCCESS, "abc\\0-"},
                        Case{3, 6, STATUS_BUFFER_OVERFLOW, "-----"},
                        Case{3, 0, STATUS_BUFFER_OVERFLOW, "-----"},
                        Case{2, 6, STATUS_SUCCESS, "ab\\0--"},
                        Case{0, 2, STATUS_SUCCESS, "\\0----"},
                        Case{0, 0, STATUS_BUFFER_OVERFLOW, "-----"},
                        // A Western code page maps the upper half onto U+0080..U+00FF.
                        Case{4, 10, STATUS_SUCCESS, "abc\\x00E9\\0"}}) {
    SCOPED_TRACE(testing::Message() << c.sourceLength << " bytes into " << c.maximumLength);
    const ANSI_STRING source{c.sourceLength, USHORT(sizeof text), text};
    Wide out(5, c.maximumLength);
    EXPECT_STATUS(c.status, RtlAnsiStringToUnicodeString(&out.string, &source, FALSE));
    if (NT_SUCCESS(c.status)) {
      EXPECT_EQ(2 * c.sourceLength, out.string.Length);
    }
    EXPECT_EQ(c.maximumLength, out.string.MaximumLength);
    EXPECT_EQ(c.result, out.Shown());
  }
}

TEST_F(RtlTest, UnicodeSizeCountsCharactersOfTheSystemCodePage) {
  ANSI_STRING pair, empty;  // `pair` is a lead byte and its trail byte, then two single bytes
  RtlInitAnsiString(&pair, "\x81\x40" "ab");
  RtlInitAnsiString(&empty, "");
  ASSERT_FALSE(NlsMbCodePageTag);
  EXPECT_EQ(10u, RtlxAnsiStringToUnicodeSize(&pair)) << "four characters and a terminator";
  EXPECT_EQ(2u, RtlxAnsiStringToUnicodeSize(&empty));

  NlsMbCodePageTag = TRUE;
  const ULONG pairSize = RtlxAnsiStringToUnicodeSize(&pair);
  const ULONG emptySize = RtlxAnsiStringToUnicodeSize(&empty);
  Wide tight(5, 6);  // room for the bytes, not for the characters and terminator
  const NTSTATUS tightStatus = RtlAnsiStringToUnicodeString(&tight.string, &pair, FALSE);
  Wide exact(5, 8);
  const NTSTATUS exactStatus = RtlAnsiStringToUnicodeString(&exact.string, &pair, FALSE);
  NlsMbCodePageTag = FALSE;

  EXPECT_EQ(8u, pairSize) << "three characters and a terminator";
  EXPECT_EQ(2u, emptySize);
  EXPECT_STATUS(STATUS_BUFFER_OVERFLOW, tightStatus);
  EXPECT_EQ("-----", tight.Shown());
  EXPECT_STATUS(STATUS_SUCCESS, exactStatus);
  EXPECT_EQ(6, exact.string.Length);
  EXPECT_EQ("ab\\0-", exact.Shown().substr(exact.Shown().size() - 5)) << exact.Shown();
}

TEST_F(RtlTest, IntegerToUnicodeInTheFourBasesWithRoomForTheTerminator) {
  const std::string bit31 = "1" + std::string(31, '0') + "\\0";
  struct Case {
    ULONG base;
    ULONG value;
    USHORT maximumLength;
    NTSTATUS status;
    std::string result;  // the 12-character destination afterwards, when it has 12
  };
  for (const Case& c : {
           Case{0, 1234, 24, STATUS_SUCCESS, "1234\\0-------"},
           Case{10, 4294967295u, 24, STATUS_SUCCESS, "4294967295\\0-"},
           Case{2, 5, 24, STATUS_SUCCESS, "101\\0--------"},
           Case{2, 0x80000000u, 66, STATUS_SUCCESS, bit31},
           Case{8, 0xFFFFFFFFu, 24, STATUS_SUCCESS, "37777777777\\0"},
           Case{16, 0xBEEF, 24, STATUS_SUCCESS, "BEEF\\0-------"},
           Case{16, 0, 24, STATUS_SUCCESS, "0\\0----------"},
           Case{16, 0xFFFFFFFF, 18, STATUS_SUCCESS, "FFFFFFFF\\0---"},
           Case{16, 0xFFFFFFFF, 16, STATUS_BUFFER_OVERFLOW, "------------"},  // no terminator
           Case{16, 0xA, 2, STATUS_BUFFER_OVERFLOW, "------------"},
           Case{16, 0, 0, STATUS_BUFFER_OVERFLOW, "------------"},
           Case{1, 1, 24, STATUS_INVALID_PARAMETER, "------------"},
           Case{7, 1, 24, STATUS_INVALID_PARAMETER, "------------"},
           Case{20, 1, 24, STATUS_INVALID_PARAMETER, "------------"},
           Case{ULONG(-8), 1, 24, STATUS_INVALID_PARAMETER, "------------"},
       }) {
    SCOPED_TRACE(testing::Message() << "base " << LONG(c.base) << " value " << c.value << " in "
                                    << c.maximumLength << " bytes");
    Wide out(c.maximumLength > 24 ? c.maximumLength / 2 : 12, c.maximumLength);
    EXPECT_STATUS(c.status, RtlIntegerToUnicodeString(c.value, c.base, &out.string));
    EXPECT_EQ(c.result, out.Shown());
    EXPECT_EQ(c.maximumLength, out.string.MaximumLength);
    if (c.status != STATUS_BUFFER_OVERFLOW) {  // whose Length differs between Windows versions
      EXPECT_EQ(c.status ? 0 : 2 * c.result.find("\\0"), out.string.Length);
    }
  }
}

TEST_F(RtlTest, CopyTruncatesToTheDestinationAndTerminatesOnlyWithRoom) {
  Wide source(6, 12, "abcdef");
  struct Case {
    USHORT maximumLength;
    USHORT length;
    const char* result;  // the 8-character destination afterwards
  };
  for (const Case& c : {Case{16, 12, "abcdef\\0-"}, Case{12, 12, "abcdef--"},
                        Case{6, 6, "abc-----"}, Case{0, 0, "xy------"}}) {
    SCOPED_TRACE(testing::Message() << "destination " << c.maximumLength << " bytes");
    Wide destination(8, c.maximumLength, "xy");
    RtlCopyUnicodeString(&destination.string, &source.string);
    EXPECT_EQ(c.length, destination.string.Length);
    EXPECT_EQ(c.result, destination.Shown());
  }
  Wide destination(4, 8, "xy");
  RtlCopyUnicodeString(&destination.string, nullptr);
  EXPECT_EQ(0, destination.string.Length) << "a NULL source empties the destination";
  EXPECT_EQ("xy--", destination.Shown()) << "without writing to it";
}

TEST_F(RtlTest, AppendFitsWholeOrLeavesTheDestinationUntouched) {
  Wide source(2, 4, "cd");
  Wide nothing(1, 0);
  struct Case {
    const UNICODE_STRING* source;
    USHORT maximumLength;
    NTSTATUS status;
    USHORT length;
    const char* result;  // the 6-character destination afterwards
  };
  for (const Case& c : {Case{&source.string, 12, STATUS_SUCCESS, 8, "abcd\\0-"},
                        Case{&source.string, 10, STATUS_SUCCESS, 8, "abcd\\0-"},  // just room
                        Case{&source.string, 8, STATUS_SUCCESS, 8, "abcd--"},
                        Case{&source.string, 7, STATUS_BUFFER_TOO_SMALL, 4, "ab----"},
                        Case{&nothing.string, 4, STATUS_SUCCESS, 4, "ab----"}}) {
    SCOPED_TRACE(testing::Message() << c.source->Length << " bytes onto 4 of " << c.maximumLength);
    Wide destination(6, c.maximumLength, "ab");
    EXPECT_STATUS(c.status, RtlAppendUnicodeStringToString(&destination.string, c.source));
    EXPECT_EQ(c.length, destination.string.Length);
    EXPECT_EQ(c.maximumLength, destination.string.MaximumLength);
    EXPECT_EQ(c.result, destination.Shown());
  }
}

}  // namespace
}  // namespace kernel_test
