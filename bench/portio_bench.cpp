// portio under load: how many pool allocations requests cost (the target is none at all),
// and how fast the simulated round trip is.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "driver/portio_protocol.h"
#include "sim/kernel/sim_kernel.h"
#include "sim/notebook/notebook.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT, PUNICODE_STRING);

namespace {

struct LoadedDriver {
  LoadedDriver() {
    kernel.Io().SetRecording(false);
    kernel.SetPortLogging(false);
    if (kernel.Io().LoadDriver(DriverEntry) != STATUS_SUCCESS ||
        kernel.Io().Open(portio::kDevicePath, &handle) != STATUS_SUCCESS)
      std::abort();
  }
  ~LoadedDriver() {
    kernel.Io().Close(handle);
    kernel.Io().UnloadDriver();
  }
  // One poll's worth of hot-key traffic: read the latch, acknowledge it.
  void ReadAndAcknowledge() {
    UCHAR port[2] = {0x0E, 0x04};
    UCHAR status = 0;
    ULONG returned = 0;
    kernel.Io().DeviceControl(handle, portio::kIndexedRead, port, 2, &status, 1, &returned);
    UCHAR ack = status & 0x20;
    kernel.Io().DeviceControl(handle, portio::kWriteBack, &ack, 1, nullptr, 0, &returned);
  }
  sim::Notebook notebook;
  sim::SimKernel kernel{notebook.Bus()};
  sim::KernelHandle handle = 0;
};

void BM_MillionRequestsAllocateNoPool(benchmark::State& state) {
  LoadedDriver driver;
  uint64_t allocated = 0;
  for (auto _ : state) {
    uint64_t before = driver.kernel.Pool().Allocations();
    for (int i = 0; i < 500000; ++i) driver.ReadAndAcknowledge();
    allocated += driver.kernel.Pool().Allocations() - before;
    state.counters["requests"] = 1000000;
    state.counters["pool_allocations"] = double(allocated);
    state.counters["pool_blocks_outstanding"] = double(driver.kernel.Pool().OutstandingBlocks());
  }
  if (allocated != 0) state.SkipWithError("requests allocated pool");
}
BENCHMARK(BM_MillionRequestsAllocateNoPool)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ReadAndAcknowledge(benchmark::State& state) {
  LoadedDriver driver;
  for (auto _ : state) driver.ReadAndAcknowledge();
  state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_ReadAndAcknowledge);

}  // namespace

BENCHMARK_MAIN();
