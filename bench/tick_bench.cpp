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
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "sim/machine/tavos_machine.h"
#include "sim/notebook/notebook_keys.h"
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
      uint64_t portsBefore = machine.Notebook().Bus().AccessCount();
      machine.Wait(650);
      requests += machine.Kernel().Io().RequestCount() - requestsBefore;
      ports += machine.Notebook().Bus().AccessCount() - portsBefore;
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

// Long runs as tavos-sim makes them (timeline lines handed on as they come, here only
// counted): the heap the machine holds after a day of idle ticks, and how much it grows per
// hour with a controller that never takes a byte (every tick then spends its bounded retries
// on status reads). The bound: any run of up to 24 hours stays under 100 MB.
// Both the arena and the blocks malloc maps on their own (large vectors land there).
double HeapInUseMb() {
  struct mallinfo2 info = mallinfo2();
  return double(info.uordblks + info.hblkhd) / 1e6;
}

void LongRun(benchmark::State& state, bool stuck) {
  char pattern[] = "/tmp/tavos-bench-XXXXXX";
  std::string sandbox = mkdtemp(pattern);
  const uint64_t kHour = 3600 * 1000;
  double heapStart = 0, heapFirst = 0, heapEnd = 0;
  uint64_t lines = 0, requests = 0;
  for (auto _ : state) {
    heapStart = HeapInUseMb();
    tavos_sim::MachineOptions options;
    options.sandbox = sandbox;
    options.resourceFile = TAVOS_RESOURCE_FILE;
    tavos_sim::Machine machine(options);
    machine.Pc().Events().StreamTo([&lines](const std::string&) { ++lines; });
    machine.StartTavos();
    machine.Wait(1000);
    if (stuck) machine.SetEcStuck();
    machine.Wait(stuck ? kHour : 24 * kHour - 1000);
    heapFirst = HeapInUseMb();
    if (stuck) machine.Wait(kHour);
    heapEnd = HeapInUseMb();
    requests = machine.Kernel().Io().RequestCount();
    machine.Pc().Events().StreamTo(nullptr);
  }
  std::filesystem::remove_all(sandbox);
  state.counters["heap_in_use_MB"] = heapEnd - heapStart;
  if (stuck) state.counters["heap_growth_MB_per_hour"] = heapEnd - heapFirst;
  state.counters["timeline_lines"] = double(lines);
  state.counters["device_requests"] = double(requests);
}

void BM_DayIdle(benchmark::State& state) { LongRun(state, false); }
BENCHMARK(BM_DayIdle)->Iterations(1)->Unit(benchmark::kSecond);

void BM_TwoHoursStuckController(benchmark::State& state) { LongRun(state, true); }
BENCHMARK(BM_TwoHoursStuckController)->Iterations(1)->Unit(benchmark::kSecond);

// A run where programs pile up: each Internet press starts a browser that never ends, and
// every tick walks the process list. The cost per press must not grow with the run (BigO
// about N, the time per press flat): the simulated PC runs at most 1024 programs at once.
void BM_PressesPilingUpBrowsers(benchmark::State& state) {
  char pattern[] = "/tmp/tavos-bench-XXXXXX";
  std::string sandbox = mkdtemp(pattern);
  const int64_t presses = state.range(0);
  for (auto _ : state) {
    tavos_sim::MachineOptions options;
    options.sandbox = sandbox;
    options.resourceFile = TAVOS_RESOURCE_FILE;
    tavos_sim::Machine machine(options);
    machine.Pc().Events().StreamTo([](const std::string&) {});
    machine.Kernel().Io().SetRecording(false);
    machine.Kernel().SetPortLogging(false);
    machine.StartTavos();
    for (int64_t i = 0; i < presses; ++i) {
      machine.PressHotKeys(sim::kHotKeyInternet);
      machine.Wait(650);
    }
    machine.Pc().Events().StreamTo(nullptr);
  }
  std::filesystem::remove_all(sandbox);
  state.SetComplexityN(presses);
  state.counters["presses"] = double(presses);
}
BENCHMARK(BM_PressesPilingUpBrowsers)
    ->Arg(500)->Arg(2000)->Arg(4000)->Iterations(1)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
