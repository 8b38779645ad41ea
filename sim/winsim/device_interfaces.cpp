// Registered device interfaces, in registration order.
#include "sim/winsim/device_interfaces.h"

namespace winsim {

void DeviceInterfaces::Add(const GUID& interfaceClass, const std::string& devicePath) {
  interfaces_.push_back({interfaceClass, devicePath});
}

std::vector<DeviceInterfaces::Interface> DeviceInterfaces::OfClass(const GUID& interfaceClass) const {
  std::vector<Interface> found;
  for (const Interface& entry : interfaces_)
    if (entry.interfaceClass == interfaceClass) found.push_back(entry);
  return found;
}

}  // namespace winsim
