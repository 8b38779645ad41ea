// The notebook's wiring and its PCI devices.
#include "sim/notebook/notebook.h"

namespace sim {

Notebook::Notebook() {
  bus_.Claim(EmbeddedController::kDataPort, 1, &ec_);
  bus_.Claim(EmbeddedController::kCommandPort, 1, &ec_);
  bus_.Claim(kHotKeyPort, 1, &hotKeys_);
  bus_.Claim(kHotKeyHighPort, 1, &hotKeysHigh_);
  bus_.Claim(kMediaButtonPort, 1, &mediaButtons_);
  bus_.Claim(sim::Cmos::kIndexPort, 2, &cmos_);
  bus_.Claim(PciConfig::kAddressPort, 8, &pci_);
  bus_.Claim(KeyboardController::kDataPort, 1, &keyboard_);
  bus_.Claim(KeyboardController::kCommandPort, 1, &keyboard_);

  // 440BX host bridge with its AGP bridge to bus 1, PIIX4 south bridge, ATI Rage Mobility.
  pci_.AddFunction(0, 0, 0, 0x8086, 0x7190, 0x060000);
  pci_.AddFunction(0, 1, 0, 0x8086, 0x7191, 0x060400);
  pci_.SetConfigByte(0, 1, 0, 0x0E, 0x01);  // PCI-to-PCI bridge header
  pci_.SetConfigByte(0, 1, 0, 0x18, 0);     // primary bus
  pci_.SetConfigByte(0, 1, 0, 0x19, 1);     // secondary bus
  pci_.SetConfigByte(0, 1, 0, 0x1A, 1);     // subordinate bus
  pci_.AddFunction(0, 7, 0, 0x8086, 0x7110, 0x060100);
  pci_.AddFunction(0, 7, 1, 0x8086, 0x7111, 0x010180);
  pci_.AddFunction(1, 0, 0, 0x1002, 0x4C4D, 0x030000);
}

PortBus& Notebook::Bus() { return bus_; }
EmbeddedController& Notebook::Ec() { return ec_; }
HotKeyLatch& Notebook::HotKeys() { return hotKeys_; }
HotKeyLatch& Notebook::HotKeysHigh() { return hotKeysHigh_; }
HotKeyLatch& Notebook::MediaButtons() { return mediaButtons_; }
sim::Cmos& Notebook::Cmos() { return cmos_; }
PciConfig& Notebook::Pci() { return pci_; }
KeyboardController& Notebook::Keyboard() { return keyboard_; }

}  // namespace sim
