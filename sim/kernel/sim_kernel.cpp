// The current simulated kernel and its HAL port log.
#include "sim/kernel/sim_kernel.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

namespace {
SimKernel* g_current = nullptr;
}

SimKernel::SimKernel(PortBus& bus)
    : pool_(faults_), processor_(faults_), io_(faults_, processor_), bus_(bus), previous_(g_current) {
  g_current = this;
}

SimKernel::~SimKernel() {
  // Drivers still loaded are torn down with the machine; their objects simply vanish.
  g_current = previous_;
}

SimKernel& SimKernel::Current() {
  if (g_current == nullptr) {
    std::fprintf(stderr, "a kernel service was called with no simulated kernel running\n");
    std::abort();
  }
  return *g_current;
}

void SimKernel::LogPort(const PortAccess& access) {
  if (logPorts_) portLog_.Add({access, processor_.Irql(), processor_.LocksHeld()});
}

}  // namespace sim
