// The simulated NT kernel: processor, pool, I/O manager and HAL ports over a notebook's bus.
//
// The kernel functions of the seam reach the one current SimKernel; a test constructs one
// (which makes it current) and destroys it at the end. Not thread-safe: the simulation runs
// on one thread, as a uniprocessor.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/kernel/io_manager.h"
#include "sim/kernel/kernel_faults.h"
#include "sim/kernel/kernel_pool.h"
#include "sim/kernel/processor.h"
#include "sim/notebook/bounded_log.h"
#include "sim/notebook/port_bus.h"

namespace sim {

// One HAL port access with the processor state it happened in.
struct HalPortAccess {
  PortAccess access;
  uint8_t irql;
  size_t locksHeld;
};

class SimKernel {
 public:
  explicit SimKernel(PortBus& bus);
  ~SimKernel();
  SimKernel(const SimKernel&) = delete;
  SimKernel& operator=(const SimKernel&) = delete;

  // The kernel the seam's functions use; aborts when there is none.
  static SimKernel& Current();

  KernelFaults& Faults() { return faults_; }
  KernelPool& Pool() { return pool_; }
  Processor& Cpu() { return processor_; }
  IoManager& Io() { return io_; }
  PortBus& Bus() { return bus_; }

  // HAL port accesses (READ_PORT_* / WRITE_PORT_*), in order: the newest (see BoundedLog).
  const std::vector<HalPortAccess>& PortLog() const { return portLog_.Entries(); }
  void ClearPortLog() { portLog_.Clear(); }
  void SetPortLogging(bool log) { logPorts_ = log; }
  void LogPort(const PortAccess& access);

  // Counters for benchmarks and tests of the counted-string services.
  uint64_t MultiByteSizeQueries() const { return multiByteSizeQueries_; }
  void CountMultiByteSizeQuery() { ++multiByteSizeQueries_; }

 private:
  KernelFaults faults_;
  KernelPool pool_;
  Processor processor_;
  IoManager io_;
  PortBus& bus_;
  BoundedLog<HalPortAccess> portLog_;
  bool logPorts_ = true;
  uint64_t multiByteSizeQueries_ = 0;
  SimKernel* previous_;
};

}  // namespace sim
