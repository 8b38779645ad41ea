// One idle poll tick of the real program on the simulated notebook (ready controller, no
// key): how many device requests it sends (driver path), how many port accesses it makes,
// and how many heap allocations the program's own code makes. Targets on the driver path:
// 12 requests (the fewest the handshake allows, below), no allocations.
//
// The fewest requests: telling the controller "On" needs a status read before the command,
// the command, a status read that shows it taken (which is also the room check for the
// data byte), the data byte and a status read that shows it taken: 5. Reading and
// acknowledging the latch: 2. Telling the controller whether the MP3 player runs: 5.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "sim/machine/tavos_machine.h"
#include "sim/winsim/sim_scope.h"

namespace {

std::atomic<uint64_t> g_programAllocations{0};

// Only allocations on a simulated program's thread, outside the simulated system's calls.
void CountAllocation() {
  if (winsim::WindowsPc::OnSimulatedThread() && !winsim::SimScope::Inside()) ++g_programAllocations;
}

}  // namespace

void* operator new(std::size_t size) {
  CountAllocation();
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace {

// One run of idle ticks on `os`: device requests, port accesses and program allocations.
void IdleTicks(benchmark::State& state, const char* os) {
  char pattern[] = "/tmp/tavos-bench-XXXXXX";
  std::string sandbox = mkdtemp(pattern);
  uint64_t requests = 0, ports = 0, allocations = 0, ticks = 0;
  {
    tavos_sim::MachineOptions options;
    options.sandbox = sandbox;
    options.os = os;
    options.resourceFile = TAVOS_RESOURCE_FILE;
    tavos_sim::Machine machine(options);
    machine.Kernel().Io().SetRecording(false);
    machine.Kernel().SetPortLogging(false);
    machine.StartTavos();
    machine.Wait(650);
    for (auto _ : state) {
      uint64_t requestsBefore = machine.Kernel().Io().RequestCount();
      uint64_t allocationsBefore = g_programAllocations;
      machine.Notebook().Bus().ClearLog();
      machine.Wait(650);
      requests += machine.Kernel().Io().RequestCount() - requestsBefore;
      ports += machine.Notebook().Bus().Log().size();
      allocations += g_programAllocations - allocationsBefore;
      ++ticks;
    }
  }
  std::filesystem::remove_all(sandbox);
  state.counters["device_requests_per_tick"] = double(requests) / double(ticks);
  state.counters["port_accesses_per_tick"] = double(ports) / double(ticks);
  state.counters["program_allocations_per_tick"] = double(allocations) / double(ticks);
}

void BM_IdleTickDriverPath(benchmark::State& state) { IdleTicks(state, "xp"); }
BENCHMARK(BM_IdleTickDriverPath)->Iterations(200)->Unit(benchmark::kMicrosecond);

// The Windows 95 family: no device requests; the program's own port instructions. The
// direct handshake drains the controller (2 reads), checks its status (1), writes the
// command and waits (2), writes the data and waits (2); the latch is read and cleared (2).
void BM_IdleTickDirectPath(benchmark::State& state) { IdleTicks(state, "98"); }
BENCHMARK(BM_IdleTickDirectPath)->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
