// Fuzzes portio's control routine through the simulated I/O manager: any code, any buffer
// lengths, any bytes. A kernel fault aborts; so does a reply longer than the output buffer,
// or a failed request that touched a port.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "driver/portio_protocol.h"
#include "sim/kernel/sim_kernel.h"
#include "sim/notebook/notebook.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT, PUNICODE_STRING);

namespace {

struct Machine {
  Machine() {
    kernel.Faults().SetAbortOnFault(true);
    kernel.Io().SetRecording(false);
    if (kernel.Io().LoadDriver(DriverEntry) != STATUS_SUCCESS ||
        kernel.Io().Open(portio::kDevicePath, &handle) != STATUS_SUCCESS)
      std::abort();
  }
  sim::Notebook notebook;
  sim::SimKernel kernel{notebook.Bus()};
  sim::KernelHandle handle = 0;
};

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Machine machine;
  if (size < 3) return 0;
  // Mostly codes near the protocol's range, sometimes any 32-bit code.
  uint32_t code = portio::kFirstCode - 8 + data[0];
  size_t used = 3;
  if ((data[1] & 0x80) && size >= 7) {
    code = uint32_t(data[3]) | uint32_t(data[4]) << 8 | uint32_t(data[5]) << 16 |
           uint32_t(data[6]) << 24;
    used = 7;
  }
  const uint32_t outputLength = data[2] % 17;
  const uint32_t inputLength = (data[1] & 0x7F) % 17;
  std::vector<uint8_t> input(inputLength);
  for (uint32_t i = 0; i < inputLength; ++i) input[i] = used + i < size ? data[used + i] : 0;
  std::vector<uint8_t> output(outputLength, 0xA5);

  sim::SimKernel& kernel = machine.kernel;
  kernel.ClearPortLog();
  ULONG returned = 0;
  NTSTATUS status = kernel.Io().DeviceControl(
      machine.handle, code, input.empty() ? nullptr : input.data(), inputLength,
      output.empty() ? nullptr : output.data(), outputLength, &returned);
  Check(returned <= outputLength, "reply longer than the output buffer");
  Check(NT_SUCCESS(status) || kernel.PortLog().empty(), "failed request touched a port");
  Check(kernel.Cpu().LocksHeld() == 0, "lock still held");
  Check(kernel.Pool().OutstandingBlocks() == 2, "request changed the driver's pool");
  return 0;
}
