// A notebook with the simulated kernel, portio loaded and one handle open on \\.\DRV1.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "driver/portio_protocol.h"
#include "sim/kernel/sim_kernel.h"
#include "sim/notebook/notebook.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT, PUNICODE_STRING);

namespace portio_test {

struct Reply {
  NTSTATUS status;
  std::vector<uint8_t> output;  // the bytes the I/O manager returned
};

class PortioTest : public ::testing::Test {
 protected:
  // Output buffers start with this marker, so bytes the request did not return stay visible.
  static constexpr uint8_t kMarker = 0xA5;

  void SetUp() override {
    ASSERT_EQ(STATUS_SUCCESS, kernel.Io().LoadDriver(DriverEntry));
    ASSERT_EQ(STATUS_SUCCESS, kernel.Io().Open(portio::kDevicePath, &handle));
    kernel.ClearPortLog();
    notebook.Bus().ClearLog();
  }

  void TearDown() override {
    if (handle) {
      EXPECT_EQ(STATUS_SUCCESS, kernel.Io().Close(handle));
    }
    if (kernel.Io().DriverLoaded()) {
      EXPECT_EQ(STATUS_SUCCESS, kernel.Io().UnloadDriver());
    }
    EXPECT_EQ(0u, kernel.Pool().OutstandingBlocks()) << "pool leaked";
    EXPECT_EQ(std::vector<std::string>{}, kernel.Faults().All());
  }

  Reply Send(uint32_t code, std::vector<uint8_t> input, uint32_t outputLength) {
    std::vector<uint8_t> output(outputLength, kMarker);
    ULONG returned = 0xDEADBEEF;
    NTSTATUS status = kernel.Io().DeviceControl(handle, code, input.empty() ? nullptr : input.data(),
                                                ULONG(input.size()),
                                                output.empty() ? nullptr : output.data(),
                                                outputLength, &returned);
    EXPECT_LE(returned, outputLength) << "code " << std::hex << code;
    output.resize(returned);
    return Reply{status, output};
  }

  static std::vector<uint8_t> Word(uint32_t value) {
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  }

  sim::Notebook notebook;
  sim::SimKernel kernel{notebook.Bus()};
  sim::KernelHandle handle = 0;
};

}  // namespace portio_test
