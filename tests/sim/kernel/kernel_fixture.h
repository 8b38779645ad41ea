// A simulated kernel per test, status values printed in hex, and fault checks by rule name.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <iomanip>
#include <ostream>
#include <string>
#include <vector>

#include "platform/nt_kernel.h"
#include "sim/kernel/sim_kernel.h"
#include "sim/notebook/port_bus.h"

namespace kernel_test {

// An NTSTATUS that gtest prints as 0xC0000034 rather than as a negative decimal.
struct Status {
  NTSTATUS value;
};
inline bool operator==(Status a, Status b) { return a.value == b.value; }
inline void PrintTo(Status s, std::ostream* os) {
  *os << "0x" << std::hex << std::uppercase << std::setw(8) << std::setfill('0') << ULONG(s.value);
}
#define EXPECT_STATUS(expected, actual) \
  EXPECT_EQ(::kernel_test::Status{expected}, ::kernel_test::Status{actual})
#define ASSERT_STATUS(expected, actual) \
  ASSERT_EQ(::kernel_test::Status{expected}, ::kernel_test::Status{actual})

// Wide text as readable ASCII: "\0" for a terminator, "\x1234" for anything else unprintable.
inline std::string Show(const WCHAR* text, size_t count) {
  std::string shown;
  for (size_t i = 0; i < count; ++i) {
    WCHAR c = text[i];
    if (c == 0) {
      shown += "\\0";
    } else if (c >= 0x20 && c < 0x7F) {
      shown.push_back(char(c));
    } else {
      char hex[12];
      std::snprintf(hex, sizeof hex, "\\x%04X", unsigned(c));
      shown += hex;
    }
  }
  return shown;
}

class KernelTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(0u, kernel.Cpu().LocksHeld()) << "a spin lock is still held";
    EXPECT_EQ(PASSIVE_LEVEL, KeGetCurrentIrql());
    EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All()) << "unexpected kernel faults";
  }

  // Expects exactly these rules to have been reported, in order ("NAME: detail" each), and
  // clears them. Returns the faults, padded with empty ones to at least one per rule, so that
  // a test can check their details.
  std::vector<std::string> TakeFaults(const std::vector<std::string>& rules) {
    std::vector<std::string> faults = kernel.Faults().All();
    std::string listed;
    for (const std::string& fault : faults) listed += "\n  " + fault;
    EXPECT_EQ(rules.size(), faults.size()) << "faults reported:" << listed;
    for (size_t i = 0; i < rules.size() && i < faults.size(); ++i)
      EXPECT_EQ(0u, faults[i].rfind(rules[i] + ": ", 0))
          << "fault " << i << " should name " << rules[i] << "; got " << faults[i];
    kernel.Faults().Clear();
    if (faults.size() < rules.size()) faults.resize(rules.size());
    return faults;
  }

  static bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }

  sim::PortBus bus;
  sim::SimKernel kernel{bus};
};

}  // namespace kernel_test
