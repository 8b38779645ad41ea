// Port instructions executed by a program: on the Windows 95 family they reach the
// notebook's bus; on the NT family they are privileged, which would end the program.
#include "platform/port_io.h"
#include "sim/notebook/notebook.h"
#include "sim/winsim/sim_scope.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

sim::PortBus* Bus(const char* instruction) {
  WindowsPc& pc = WindowsPc::Current();
  if (pc.Profile().IsNt()) {
    pc.Violation(std::string(instruction) + " executed on the NT family (privileged instruction)");
    return nullptr;
  }
  return pc.Notebook() ? &pc.Notebook()->Bus() : nullptr;
}

}  // namespace

BYTE DirectPortIn(WORD port) {
  winsim::SimScope scope;
  sim::PortBus* bus = Bus("IN");
  return bus ? bus->InByte(port) : 0xFF;
}

void DirectPortOut(WORD port, BYTE value) {
  winsim::SimScope scope;
  if (sim::PortBus* bus = Bus("OUT")) bus->OutByte(port, value);
}
