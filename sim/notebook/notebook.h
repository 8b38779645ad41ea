// A late-1990s notebook's port-mapped hardware, wired to one port bus.
#pragma once

#include <cstdint>

#include "sim/notebook/cmos.h"
#include "sim/notebook/embedded_controller.h"
#include "sim/notebook/hotkey_latch.h"
#include "sim/notebook/keyboard_controller.h"
#include "sim/notebook/notebook_keys.h"
#include "sim/notebook/pci_config.h"
#include "sim/notebook/port_bus.h"

namespace sim {

// Owns the bus and every device on it, in its power-on state. The bus points into this object,
// so it can be neither copied nor moved.
class Notebook {
 public:
  static constexpr uint16_t kHotKeyPort = 0x040E;
  static constexpr uint16_t kHotKeyHighPort = 0x040F;
  static constexpr uint16_t kMediaButtonPort = 0x0C12;

  Notebook();
  Notebook(const Notebook&) = delete;
  Notebook& operator=(const Notebook&) = delete;

  sim::PortBus& Bus();
  sim::EmbeddedController& Ec();
  sim::HotKeyLatch& HotKeys();       // 0x040E
  sim::HotKeyLatch& HotKeysHigh();   // 0x040F
  sim::HotKeyLatch& MediaButtons();  // 0x0C12
  sim::Cmos& Cmos();
  sim::PciConfig& Pci();
  sim::KeyboardController& Keyboard();

 private:
  // Devices before the bus that points at them.
  sim::EmbeddedController ec_;
  sim::HotKeyLatch hotKeys_{kHotKeyPort};
  sim::HotKeyLatch hotKeysHigh_{kHotKeyHighPort};
  sim::HotKeyLatch mediaButtons_{kMediaButtonPort};
  sim::Cmos cmos_;
  sim::PciConfig pci_;
  sim::KeyboardController keyboard_;
  sim::PortBus bus_;
};

}  // namespace sim
